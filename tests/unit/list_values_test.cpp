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

// One line as its page makes it: the text on screen and the values its CSV row holds.
struct Line {
  std::string made;
  std::string shown;
  Names values;
};

// Each line shows as expected, and the list's values are its lines' values under `header`.
void expectLines(const std::string& page, int list, const Names& header,
                 const std::vector<Line>& lines) {
  std::vector<std::string> made;
  for (const Line& line : lines) {
    EXPECT_EQ(line.made, line.shown);
    made.push_back(line.made);
  }
  auto table = ui::listValues(page, list, made);
  ASSERT_TRUE(table.has_value()) << page;
  EXPECT_EQ(table->header, header) << page;
  ASSERT_EQ(table->rows.size(), lines.size()) << page;
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(table->rows[i], lines[i].values) << i;
}

BinQueueRecord raw(uint32_t word, uint16_t alternate, TimeTag t) {
  return {.timeTag = t, .word = word, .alternateErrors = alternate};
}
BcQueueRecord sent(uint16_t number, uint16_t errors) {
  return {.messageNumber = number, .errors = errors};
}
RtQueueRecord heard(uint32_t command, uint16_t errors, uint16_t alternate) {
  return {.command = command, .errors = errors, .alternateErrors = alternate};
}
MonMsg stacked(TimeTag t, uint16_t bus, uint16_t high, uint16_t low, uint16_t flags) {
  return {.timeTag = t, .busCode = bus, .wordHigh = high, .wordLow = low, .flags = flags};
}

// Each queue's and the stack's lines as the pages make them: prefixes, padding and error names
// on screen; in the CSV the values alone, under columns with their units.
TEST(ListValues, QueueAndStackLinesShowTheirValues) {
  const TimeTag t{12, 5, 7, 9, 4, 17}, zero{};
  const std::string tt = "012:05:07:09.004017", t0 = "000:00:00:00.000000";
  expectLines("XARN_QUE", 6,
              {"Direction", "Time tag (ddd:hh:mm:ss.mmmuuu)", "Word (hex)", "Sync", "Errors",
               "Alternate errors"},
              {{ldb::rawQueueLine(raw(0x9C123456, 0, t)),
                " RX_PRI\t" + tt + "\t123456\tCs Py Mn\tALT_ERRS: NONE",
                {"RX_PRI", tt, "123456", "Cs", "Py Mn", "NONE"}},
               {ldb::rawQueueLine(raw(0x41000001, 0xA1FF, t)),
                " TX_SEC\t" + tt + "\t000001\tDs Sh\tALT_ERRS: Gc Bc Sh",
                {"TX_SEC", tt, "000001", "Ds", "Sh", "Gc Bc Sh"}},
               {ldb::rawQueueLine(raw(0xAB, 0x8100, zero)),
                " TX_PRI\t" + t0 + "\t0000AB\tDs\tALT_ERRS: Gc Sh",
                {"TX_PRI", t0, "0000AB", "Ds", "", "Gc Sh"}}});
  expectLines(
      "XARN_QUE", 6, {"Message", "Errors"},
      {{ldb::messageQueueLine(sent(7, 0x0800)), " Msg 007  No Errors", {"007", "No Errors"}},
       {ldb::messageQueueLine(sent(12, 0)), " Msg 012  No Errors", {"012", "No Errors"}},
       {ldb::messageQueueLine(sent(7, 0x0681)), " Msg 007   Bs Ov Nr Sh", {"007", "Bs Ov Nr Sh"}}});
  expectLines("XARN_QUE", 6, {"Command (hex)", "Errors", "Alternate errors"},
              {{ldb::commandQueueLine(heard(0x1234567, 0x8001, 0x00FF)),
                " Cmd 1234567   Pt Sh  ALT_ERRS: NONE",
                {"1234567", "Pt Sh", "NONE"}},
               {ldb::commandQueueLine(heard(0x1A3001, 0x8001, 0x0100)),
                " Cmd 1A3001   Pt Sh  ALT_ERRS: Sh",
                {"1A3001", "Pt Sh", "Sh"}},
               {ldb::commandQueueLine(heard(0, 0, 0)),
                " Cmd 000000  No Errors  ALT_ERRS: NONE",
                {"000000", "No Errors", "NONE"}}});

  std::vector<Line> upDown = {
      {gdb::upDownQueueLine({0x8000, 1, 0, 0x9, 5, 12, 0xAB, 10, 7}),
       " Src:H\tCMND\tRT:5\tCh:12\tDt:AB\t Py Sh\tTb:10Hz\tIx:7",
       {"H", "CMND", "5", "12", "AB", "Py Sh", "10Hz", "7"}},
      {gdb::upDownQueueLine({0x4000, 0, 1, 0xF, 0, 0, 0, 0, 0}),
       " Src:L\tDATA\tRT:0\tCh:0\tDt:0\tNoResp\tTb:Pasve\tIx:0",
       {"L", "DATA", "0", "0", "0", "NoResp", "Pasve", "0"}},
      {gdb::upDownQueueLine({0, 0, 0, 0, 255, 65535, 0xFFFF, 100, 65535}),
       " Src:T\tDATA\tRT:255\tCh:65535\tDt:FFFF\tNoErrs\tTb:100Hz\tIx:65535",
       {"T", "DATA", "255", "65535", "FFFF", "NoErrs", "100Hz", "65535"}}};
  // An unknown source, only error bits the page does not name, and rates no table has.
  for (uint16_t rate : {1, 2, 1000}) {
    upDown.push_back({gdb::upDownQueueLine({0x1234, 0, 0, 0x10, 0, 0, 0, rate, 0}),
                      " Src:U\tDATA\tRT:0\tCh:0\tDt:0\t\tTb:1Hz\tIx:0",
                      {"U", "DATA", "0", "0", "0", "", "1Hz", "0"}});
  }
  expectLines("GDB_UD_Q", 6,
              {"Source", "Sync", "RT", "Channel", "Data (hex)", "Errors", "Table rate", "Index"},
              upDown);
  expectLines("GDB_MRT_Q", 6, {"Response", "Sync", "RT", "Channel", "Data (hex)", "Errors"},
              {{gdb::rtQueueLine({0xFFFF, 0, 0, 5, 12, 0x00AB}),
                " Resp:No\tDATA\tRT:5\tCh:12\tDt:AB\tNoErrs",
                {"No", "DATA", "5", "12", "AB", "NoErrs"}},
               {gdb::rtQueueLine({0, 1, 0x0009, 255, 65535, 0}),
                " Resp:Yes\tCMND\tRT:255\tCh:65535\tDt:0\tPy Sh ",
                {"Yes", "CMND", "255", "65535", "0", "Py Sh"}},
               {gdb::rtQueueLine({0, 1, 0x0010, 255, 65535, 0}),
                " Resp:Yes\tCMND\tRT:255\tCh:65535\tDt:0\t",
                {"Yes", "CMND", "255", "65535", "0", ""}}});

  std::vector<Line> mdm = {{mdm::mdmQueueLine({3, 1, 9, 4, 16, 0}),
                            " RtNo:03\tType:EPS\tIom:N/A\tStart:04\tCount:16\tErrors:[ None ]",
                            {"03", "EPS", "N/A", "04", "16", "None"}}};
  struct Flags {
    uint16_t type, flags;
    const char *shown, *names;
  };
  for (const Flags& f :
       {Flags{3, 0x00C, "IFI", "Py Mn"}, Flags{3, 0x800, "IFI", "Ig"}, Flags{3, 0xF000, "IFI", ""},
        Flags{40, 0xFFF, "?40", "Ig Bh Ic Id Pp Ta Wc Sy Py Mn Lg Sh"}}) {
    const std::string names = *f.names ? std::string(" ") + f.names + " " : " ";
    mdm.push_back({mdm::mdmQueueLine({31, f.type, 2, 30, 2, f.flags}),
                   std::string(" RtNo:31\tType:") + f.shown +
                       "\tIom:02\tStart:30\tCount:02\tErrors:[" + names + "]",
                   {"31", f.shown, "02", "30", "02", f.names}});
  }
  expectLines("MDM_MRT_Q", 6, {"RT", "Type", "IOM", "Start", "Count", "Errors"}, mdm);

  // The stack: the word's high byte above bit 23 is not the word's; unknown connectors are J4.
  const TimeTag s{1, 2, 3, 4, 5, 6};
  const std::string ts = "001:02:03:04.005006";
  std::vector<Line> stack = {{ui::FormatMonEntry(-12, stacked(s, 0x0004, 0xAB12, 0x3456, 0x0019)),
                              "-0012\t" + ts + "\tJ2\tCMND\t123456\t  Py  Sh",
                              {"-0012", ts, "J2", "CMND", "123456", "Py Sh"}},
                             {ui::FormatMonEntry(5, stacked(s, 0x0008, 0x12, 0x3456, 0x000F)),
                              "+0005\t" + ts + "\tJ1\tDATA\t123456\t  Py  Mn  Lg  Sh",
                              {"+0005", ts, "J1", "DATA", "123456", "Py Mn Lg Sh"}},
                             {ui::FormatMonEntry(0, MonMsg{}),
                              "TRIGGER\t" + t0 + "\tJ4\tDATA\t000000\tNO ERRORS",
                              {"0", t0, "J4", "DATA", "000000", "NO ERRORS"}}};
  for (uint16_t bus : {0x8000, 0x0001, 0x0003}) {
    stack.push_back({ui::FormatMonEntry(12345, stacked(zero, bus, 0, 0, 0)),
                     "+12345\t" + t0 + "\tJ4\tDATA\t000000\tNO ERRORS",
                     {"+12345", t0, "J4", "DATA", "000000", "NO ERRORS"}});
  }
  stack.push_back({ui::FormatMonEntry(-1, stacked(zero, 0x0002, 0, 0, 0)),
                   "-0001\t" + t0 + "\tJ3\tDATA\t000000\tNO ERRORS",
                   {"-0001", t0, "J3", "DATA", "000000", "NO ERRORS"}});
  expectLines(
      "MON_STACK", 2,
      {"Position", "Time tag (ddd:hh:mm:ss.mmmuuu)", "Connector", "Sync", "Word (hex)", "Errors"},
      stack);
}

TEST(ListValues, LinesOfNoKnownShape) {
  // "EMPTY" and a failed read keep their text in the first column, under the list's header.
  auto marks = ui::listValues("GDB_MRT_Q", 6, {"EMPTY", "READ FAILED: 7"});
  ASSERT_TRUE(marks.has_value());
  EXPECT_EQ(marks->header.size(), 6u);
  EXPECT_EQ(marks->rows,
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

// A capture the card will not read is a header alone; outside BUS_MON there is none to save.
TEST_F(CaptureTest, NoEntriesAndWrongModes) {
  ASSERT_EQ(run(std::string(kLongRun) + "fail DUVEX_RdMonMsgDLL 251\nsave-capture none.csv\n"), 0)
      << out.str();
  EXPECT_EQ(rowsOf("none.csv").size(), 1u);
  EXPECT_TRUE(said("saved 0 entries to none.csv"));
  EXPECT_EQ(run("menu SETUP\nclick 1\nmenu LDB_BCT\nsave-capture x.csv\n"), 2);
  EXPECT_TRUE(said("only in BUS_MON"));
  EXPECT_EQ(run("menu SETUP\nclick 1\nmenu BUS_MON\nsave-capture\n"), 2);
}

// A value that would split a CSV row or lose its blanks is quoted; a short row gets empty fields.
TEST(ListValues, CsvQuotesWhatWouldSplitAFieldOrLoseItsBlanks) {
  ui::ValueTable t{{"A", "B", "C"}, {{"1,2", " x", "say \"hi\""}, {"7"}}};
  EXPECT_EQ(ui::tableAsCsv(t), "A,B,C\r\n\"1,2\",\" x\",\"say \"\"hi\"\"\"\r\n7,,\r\n");
}

}  // namespace
