// The values behind the queue and stack lines, as their CSV holds them, and the monitor's whole
// capture through the console's save-capture.
#include "ui/list_values.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "console/console.h"
#include "console_fixture.h"
#include "pages/gdb/gdb_rt_queue.h"
#include "pages/gdb/gdb_updown_queue.h"
#include "pages/ldb/ldb_queue.h"
#include "pages/mdm/mdm_queue.h"
#include "ui/monitor_fields.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

ui::ValueTable valuesOf(const std::string& page, int list, const std::vector<std::string>& lines) {
  auto table = ui::listValues(page, list, lines);
  EXPECT_TRUE(table.has_value()) << page;
  return table.value_or(ui::ValueTable{});
}

// Lines as the pages make them: their prefixes go, the values stay, the header names the
// columns and the units.
TEST(ListValues, QueueLinesBecomePlainValuesUnderColumnsWithUnits) {
  const TimeTag t{1, 2, 3, 4, 5, 6};
  {
    BinQueueRecord errors{};
    errors.timeTag = t;
    errors.word = 0x9C123456;  // RX_PRI, command sync, Py Mn
    BinQueueRecord clean{};
    clean.word = 0x000000AB;
    clean.alternateErrors = 0x8100;  // Gc, Sh
    auto v = valuesOf("XARN_QUE", 6, {ldb::rawQueueLine(errors), ldb::rawQueueLine(clean)});
    EXPECT_EQ(v.header, (Names{"Direction", "Time tag (ddd:hh:mm:ss.mmmuuu)", "Word (hex)", "Sync",
                               "Errors", "Alternate errors"}));
    EXPECT_EQ(v.rows, (Rows{{"RX_PRI", "001:02:03:04.005006", "123456", "Cs", "Py Mn", "NONE"},
                            {"TX_PRI", "000:00:00:00.000000", "0000AB", "Ds", "", "Gc Sh"}}));
  }
  {
    BcQueueRecord sent{};
    sent.messageNumber = 7;
    BcQueueRecord failed{};
    failed.messageNumber = 12;
    failed.errors = 0x0481;  // Bs, Nr, Sh
    auto v = valuesOf("XARN_QUE", 6, {ldb::messageQueueLine(sent), ldb::messageQueueLine(failed)});
    EXPECT_EQ(v.header, (Names{"Message", "Errors"}));
    EXPECT_EQ(v.rows, (Rows{{"007", "No Errors"}, {"012", "Bs Nr Sh"}}));
  }
  {
    RtQueueRecord heard{};
    heard.command = 0x1A3001;
    heard.errors = 0x8001;  // Pt, Sh
    heard.alternateErrors = 0x0100;
    RtQueueRecord clean{};
    auto v = valuesOf("XARN_QUE", 6, {ldb::commandQueueLine(heard), ldb::commandQueueLine(clean)});
    EXPECT_EQ(v.header, (Names{"Command (hex)", "Errors", "Alternate errors"}));
    EXPECT_EQ(v.rows, (Rows{{"1A3001", "Pt Sh", "Sh"}, {"000000", "No Errors", "NONE"}}));
  }
  {
    GdbQueueEntry table{0, 1, 0, 0, 5, 12, 0xDBFF, 100, 3};
    GdbQueueEntry high{0x8000, 0, 0, 0x9, 31, 0, 0, 10, 7};
    GdbQueueEntry silent{0x1234, 0, 1, 0xF, 2, 1, 0xA, 0, 0};
    auto v = valuesOf(
        "GDB_UD_Q", 6,
        {gdb::upDownQueueLine(table), gdb::upDownQueueLine(high), gdb::upDownQueueLine(silent)});
    EXPECT_EQ(v.header, (Names{"Source", "Sync", "RT", "Channel", "Data (hex)", "Errors",
                               "Table rate", "Index"}));
    EXPECT_EQ(v.rows, (Rows{{"T", "CMND", "5", "12", "DBFF", "NoErrs", "100Hz", "3"},
                            {"H", "DATA", "31", "0", "0", "Py Sh", "10Hz", "7"},
                            {"U", "DATA", "2", "1", "A", "NoResp", "Pasve", "0"}}));
  }
  {
    GdbRtQueueEntry missed{0xFFFF, 0, 0, 5, 12, 0x00AB};
    GdbRtQueueEntry flagged{0, 1, 0x0009, 1, 2, 0xFFFF};
    GdbRtQueueEntry highBits{0, 0, 0x0010, 0, 0, 0};  // only bits the page does not name
    auto v =
        valuesOf("GDB_MRT_Q", 6,
                 {gdb::rtQueueLine(missed), gdb::rtQueueLine(flagged), gdb::rtQueueLine(highBits)});
    EXPECT_EQ(v.header, (Names{"Response", "Sync", "RT", "Channel", "Data (hex)", "Errors"}));
    EXPECT_EQ(v.rows, (Rows{{"No", "DATA", "5", "12", "AB", "NoErrs"},
                            {"Yes", "CMND", "1", "2", "FFFF", "Py Sh"},
                            {"Yes", "DATA", "0", "0", "0", ""}}));
  }
  {
    MdmQueueEntry eps{3, 1, 9, 4, 16, 0};
    MdmQueueEntry flagged{12, 5, 2, 0, 1, 0x00C};
    auto v = valuesOf("MDM_MRT_Q", 6, {mdm::mdmQueueLine(eps), mdm::mdmQueueLine(flagged)});
    EXPECT_EQ(v.header, (Names{"RT", "Type", "IOM", "Start", "Count", "Errors"}));
    ASSERT_EQ(v.rows.size(), 2u);
    EXPECT_EQ(v.rows[0], (Names{"03", "EPS", "N/A", "04", "16", "None"}));
    EXPECT_EQ(v.rows[1][2], "02");
    EXPECT_EQ(v.rows[1][5], "Py Mn");
  }
}

TEST(ListValues, StackLinesAndLinesOfNoKnownShape) {
  MonMsg entry{};
  entry.timeTag = {1, 2, 3, 4, 5, 6};
  entry.busCode = 0x0004;
  entry.wordHigh = 0x0012;
  entry.wordLow = 0x3456;
  entry.flags = 0x0019;
  auto stack =
      valuesOf("MON_STACK", 2, {ui::FormatMonEntry(0, entry), ui::FormatMonEntry(-12, entry)});
  EXPECT_EQ(stack.header, (Names{"Position", "Time tag (ddd:hh:mm:ss.mmmuuu)", "Connector", "Sync",
                                 "Word (hex)", "Errors"}));
  EXPECT_EQ(stack.rows, (Rows{{"0", "001:02:03:04.005006", "J2", "CMND", "123456", "Py Sh"},
                              {"-0012", "001:02:03:04.005006", "J2", "CMND", "123456", "Py Sh"}}));

  // "EMPTY" and a failed read keep their text in the first column, under the list's header.
  auto marks = valuesOf("GDB_MRT_Q", 6, {"EMPTY", "READ FAILED: 7"});
  EXPECT_EQ(marks.header.size(), 6u);
  EXPECT_EQ(marks.rows,
            (Rows{{"EMPTY", "", "", "", "", ""}, {"READ FAILED: 7", "", "", "", "", ""}}));
  // A list without values to take apart is written as its lines' fields, under its columns.
  EXPECT_FALSE(ui::listValues("SETUPS", 7, {"a.sup"}).has_value());
  EXPECT_EQ(ui::listCsv("SETUPS", 7, {"Setup file"}, {" a.sup"}), "Setup file\r\n\" a.sup\"\r\n");
  EXPECT_EQ(ui::listCsv("GDB_MRT_Q", 6, {}, {" Resp:No\tDATA\tRT:5\tCh:12\tDt:AB\tNoErrs"}),
            "Response,Sync,RT,Channel,Data (hex),Errors\r\nNo,DATA,5,12,AB,NoErrs\r\n");
}

// ---- The monitor's whole capture, from the console ------------------------------------------

class CaptureTest : public ConsoleScriptTest {
 protected:
  static Rows rowsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Rows rows;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> cells;
      std::istringstream fields(line);
      for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
      rows.push_back(cells);
    }
    return rows;
  }
};

// The monitor up to a capture that stopped at its largest post-trigger count after a day.
const char* const kLongRun = R"(menu SETUP
click 1
menu BUS_MON
tick
poke 8252E FFFF
poke 82530 FFFF
menu RUN
tick 86400
expect-status "BUS_MON IDLE    "
)";

// Every entry the card holds, earliest first, positions counted from the trigger, each row as
// the stack display shows the entry.
TEST_F(CaptureTest, AFullCaptureHoldsEveryEntryAroundTheTriggerInOrder) {
  ASSERT_EQ(run(std::string(kLongRun) + "save-capture capture.csv\n"), 0) << out.str();
  EXPECT_NE(out.str().find("saved 8192 entries to capture.csv"), std::string::npos) << out.str();
  Rows rows = rowsOf("capture.csv");
  ASSERT_EQ(rows.size(), 8193u);
  EXPECT_EQ(rows[0], (Names{"Position", "Time tag (ddd:hh:mm:ss.mmmuuu)", "Connector", "Sync",
                            "Word (hex)", "Errors"}));
  // 8191 - 7167 words before the trigger, the trigger, 7167 after it.
  EXPECT_EQ(rows[1][0], "-1024");
  EXPECT_EQ(rows[1025], (Names{"0", "000:00:00:01.008862", "J4", "DATA", "CFFA9D", "NO ERRORS"}));
  EXPECT_EQ(rows[1035],
            (Names{"+0010", "000:00:00:01.008960", "J1", "DATA", "0092BD", "NO ERRORS"}));
  EXPECT_EQ(rows[8192][0], "+7167");
  for (size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 6u) << i;
    ASSERT_EQ(std::stol(rows[i][0]), static_cast<long>(i) - 1025) << i;
    if (i > 1) {
      ASSERT_LE(rows[i - 1][1], rows[i][1]) << i;  // time tags never go back
    }
  }
}

// Halted before any trigger: the capture counts back from the last word recorded.
TEST_F(CaptureTest, ACaptureWithoutATriggerEndsAtItsLastWord) {
  ASSERT_EQ(run(R"(menu SETUP
click 1
menu BUS_MON
tick
poke 8252C 8030
menu RUN
tick 2
menu HALT
tick
save-capture halted.csv
)"),
            0)
      << out.str();
  Rows rows = rowsOf("halted.csv");
  ASSERT_EQ(rows.size(), 8193u);
  EXPECT_EQ(rows[1][0], "-8191");
  EXPECT_EQ(rows[8192][0], "0");
  EXPECT_LT(rows[1][1], rows[8192][1]);
}

// A capture the card will not read is a header alone; outside BUS_MON there is none to save.
TEST_F(CaptureTest, NoEntriesAndWrongModes) {
  ASSERT_EQ(run(std::string(kLongRun) + "fail DUVEX_RdMonMsgDLL 251\nsave-capture none.csv\n"), 0)
      << out.str();
  EXPECT_EQ(rowsOf("none.csv").size(), 1u);
  EXPECT_NE(out.str().find("saved 0 entries to none.csv"), std::string::npos) << out.str();
  EXPECT_EQ(run("menu SETUP\nclick 1\nmenu LDB_BCT\nsave-capture x.csv\n"), 2);
  EXPECT_NE(out.str().find("only in BUS_MON"), std::string::npos) << out.str();
  EXPECT_EQ(run("menu SETUP\nclick 1\nmenu BUS_MON\nsave-capture\n"), 2);
}

}  // namespace
