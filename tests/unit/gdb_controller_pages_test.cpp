// The GDB_BCT pages through the headless window system: the tables page, the command-queue
// page and the uplink/downlink queue page, against the simulated card.
#include <gtest/gtest.h>

#include <string>

#include "card/xarndll.h"
#include "station_fixture.h"

namespace {

using winsys::ScrollAction;

// Menu ids.
constexpr int kTopGdbBct = 10, kTables = 1, kRunActive = 2, kHalt = 3, kCmndQ = 4, kUpDnQ = 10;
constexpr int kHelp = 6;
// Tables page controls.
constexpr int kRateStep = 2, kRate = 3, kReport = 4, kGoTo = 5, kSpin = 6, kEntry = 7, kOpStep = 8;
constexpr int kOp = 9, kModify = 10, kTriggerToggle = 11, kTrigger = 12, kRt = 13, kSyncToggle = 14;
constexpr int kSync = 15, kChannel = 16, kData = 17, kErrorStep = 18, kErrorType = 19, kSize = 20;

constexpr uint32_t kTable100 = 0x0C2700;
constexpr uint32_t kTable1 = 0x0CB100;
constexpr uint32_t kHighQueue = 0x000E20;

class GdbBctPageTest : public StationTest {
 protected:
  winsys::HeadlessDialog& open(int item, const std::string& name) {
    if (!station) {
      start();
      setUpCard();
      EXPECT_TRUE(menu(kTopGdbBct));
    }
    EXPECT_TRUE(menu(item));
    winsys::HeadlessDialog* page = windows.page(name);
    EXPECT_NE(page, nullptr);
    return *page;
  }
  void write(uint16_t rate, uint16_t entry, uint16_t op, GdbCommandRecord c) {
    ASSERT_EQ(DUVEX_WrGdbTableDLL(card(), rate, entry, op, &c), 0);
  }
  // Steps the rate until the page shows `text`.
  static void chooseRate(winsys::HeadlessDialog& page, const std::string& text) {
    for (int i = 0; i < 3 && page.fullText(kRate) != text; ++i) page.click(kRateStep);
    ASSERT_EQ(page.fullText(kRate), text);
  }
  static void goTo(winsys::HeadlessDialog& page, const std::string& entry) {
    page.setText(kEntry, entry);
    page.click(kGoTo);
  }
  static std::string spin(winsys::HeadlessDialog& page, const std::string& entry,
                          ScrollAction action) {
    page.setText(kEntry, entry);
    page.scroll(kSpin, action);
    return page.fullText(kEntry);
  }
};

TEST_F(GdbBctPageTest, EntrySpinWrapsAtEachTablesEnd) {
  auto& page = open(kTables, "GDB_TABLES");
  EXPECT_EQ(page.fullText(kRate), " 100Hz");
  EXPECT_EQ(page.fullText(kEntry), "1");
  struct Case {
    const char* rate;
    const char* last;
  };
  for (Case c : {Case{" 100Hz", "100"}, Case{" 1Hz", "10000"}, Case{" 10Hz", "1000"}}) {
    chooseRate(page, c.rate);
    EXPECT_EQ(spin(page, c.last, ScrollAction::LineDown), "1") << c.rate;
    EXPECT_EQ(spin(page, "1", ScrollAction::LineUp), c.last) << c.rate;
    EXPECT_EQ(spin(page, "", ScrollAction::LineDown), "1") << c.rate;
    EXPECT_EQ(spin(page, "", ScrollAction::LineUp), c.last) << c.rate;
    EXPECT_EQ(page.fullText(kReport), "Done");
  }
  // The rate keeps the entry number, and the wrap follows the new rate.
  chooseRate(page, " 1Hz");
  goTo(page, "5000");
  EXPECT_EQ(page.fullText(kReport), "Done");
  chooseRate(page, " 100Hz");
  EXPECT_EQ(page.fullText(kEntry), "5000");
  EXPECT_EQ(spin(page, "5000", ScrollAction::LineDown), "1");
  EXPECT_EQ(spin(page, "5000", ScrollAction::LineUp), "4999");
  EXPECT_EQ(page.fullText(kReport), "251");  // no entry 4999 in the 100 Hz table
  // Other scroll actions do nothing, not even a report.
  page.setText(kReport, "");
  EXPECT_EQ(spin(page, "7", ScrollAction::PageDown), "7");
  EXPECT_EQ(page.fullText(kReport), "");
  EXPECT_EQ(spin(page, "x7", ScrollAction::LineDown), "x7");
  EXPECT_EQ(page.fullText(kReport), "SYNTAX");
}

TEST_F(GdbBctPageTest, GoToShowsMeasureAndTriggerEntries) {
  auto& page = open(kTables, "GDB_TABLES");
  write(100, 3, 0x2000,
        {.rtAddress = 200, .sync = 1, .errorType = 0x0040, .sizePosition = 5, .channel = 0xAB});
  write(100, 4, 0x5000, {.triggerPolarity = 1});
  write(100, 5, 0x5000, GdbCommandRecord{});

  page.setText(kTrigger, "old");
  goTo(page, "3");
  expectFields(page, kOp, "MEASURE     ", kRt, "200", kChannel, "AB", kData, "0", kSync, "CMND",
               kErrorType, "Sync      ", kSize, "000101", kTrigger, "old");
  goTo(page, "4");
  expectFields(page, kOp, "TRIGGER     ", kTrigger, "+Ve", kRt, "", kChannel, "", kData, "", kSync,
               "", kErrorType, "", kSize, "");
  goTo(page, "5");
  EXPECT_EQ(page.fullText(kTrigger), "-Ve");
  goTo(page, "6");
  expectFields(page, kOp, "NOOP        ", kTrigger, "");
  // A failed read changes nothing but the report.
  goTo(page, "101");
  expectFields(page, kOp, "NOOP        ", kReport, "251");
}

TEST_F(GdbBctPageTest, ModifyWritesTheEntryTheOperatorBuilt) {
  auto& page = open(kTables, "GDB_TABLES");
  clicks(page, {kOpStep, kOpStep});
  EXPECT_EQ(page.fullText(kOp), "MEASURE     ");
  EXPECT_EQ(press(page, kSyncToggle, kSync), "CMND");
  clicks(page, {kErrorStep, kErrorStep, kErrorStep});
  EXPECT_EQ(page.fullText(kErrorType), "Sync      ");
  chooseRate(page, " 1Hz");
  EXPECT_EQ(
      press(page,
            {{kEntry, "10000"}, {kRt, "17"}, {kChannel, "fe"}, {kData, "beef"}, {kSize, "101010"}},
            kModify, kReport),
      "Done");
  EXPECT_EQ(page.fullText(kChannel), "fe");  // the text is not rewritten by MODIFY
  uint32_t at = kTable1 + 9999 * 32;
  expectWords(
      at,
      {{0, 0x2000}, {2, 17}, {4, 1}, {6, 1}, {16, 0x0040}, {18, 0x2A}, {20, 0xFE}, {22, 0xBEEF}});

  // The operation button steps through every operation, HALT included, then back to NOOP.
  for (const char* name : {"SWITCH      ", "END OF TABLE", "TRIGGER     ", "HALT        ",
                           "NOOP        ", "COMMAND     "}) {
    EXPECT_EQ(press(page, kOpStep, kOp), name);
  }
  // A non-MEASURE entry is written from the record as last read, whatever the fields say.
  page.click(kTriggerToggle);
  fill(page, {{kRt, "junk"}, {kEntry, "1"}});
  chooseRate(page, " 100Hz");
  EXPECT_EQ(press(page, kModify, kReport), "Done");
  EXPECT_EQ(word(kTable100), 0x1000);
  EXPECT_EQ(word(kTable100 + 2), 17);
}

TEST_F(GdbBctPageTest, HostileTextWritesNothing) {
  auto& page = open(kTables, "GDB_TABLES");
  clicks(page, {kOpStep, kOpStep});
  const std::string huge(10000, '7'), padded = std::string(9999, '0') + "5";
  struct Case {
    int field;
    std::string text;
    const char* report = "SYNTAX";
  };
  const Case cases[] = {
      {kRt, "12a"},      {kChannel, "G"},          {kData, "0x10"},
      {kSize, "-1"},     {kRt, "70000"},           {kRt, huge},
      {kRt, "65536"},    {kData, "10000ABCD"},     {kChannel, "10000ABCD"},
      {kSize, "65536"},  {kRt, "0000000001"},      {kEntry, "0000000002"},
      {kData, padded},   {kChannel, "100", "251"}, {kEntry, "0", "251"},
      {kEntry, "65537"}, {kEntry, "65535", "251"}, {kEntry, huge},
      {kData, "10000"},  {kEntry, "one"},          {kRt, "", "Done"},
  };
  for (const Case& c : cases) {
    fill(page, {{kEntry, "2"}, {kRt, "1"}, {kChannel, "1"}, {kData, "1"}, {kSize, "0"}});
    EXPECT_EQ(press(page, {{c.field, c.text}}, kModify, kReport), c.report)
        << c.field << " " << c.text.substr(0, 12);
    if (std::string(c.report) != "Done") {
      EXPECT_EQ(word(kTable100 + 32), 0) << c.field;
    }
  }
  // A number past 16 bits is refused rather than cut to its low bits (70000 would be RT 4464,
  // 65537 entry 1). The empty RT field wrote entry 2, and nothing else was written.
  EXPECT_EQ(word(kTable100 + 32), 0x2000);
  EXPECT_EQ(word(kTable100), 0);
  for (uint32_t a = kTable100 + 64; a < kTable100 + 100 * 32; a += 2) ASSERT_EQ(word(a), 0);
}

TEST_F(GdbBctPageTest, CommandQueuePageInsertsTheDefaultsAndKeepsTheCounters) {
  auto& page = open(kCmndQ, "GDB_CMND_Q");
  expectFields(page, 4, "HI", 6, "1", 7, "1", 9, "CMND", 10, "1", 12, "No Errors", 13, "");
  EXPECT_EQ(press(page, 5, 2), "Done");
  EXPECT_EQ(word(0x0E00), 1);  // one command held
  const uint16_t expected[] = {1, 1, 0x0100, 0, 1, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(word(kHighQueue + 2 * i), expected[i]) << i;
  EXPECT_EQ(station->gdbQueueCounters().hi, 1);
  EXPECT_EQ(press(page, 5, 2), "Done");
  EXPECT_EQ(station->gdbQueueCounters().hi, 2);
  // Priority LO, the counter word of LO; twice back to HI.
  EXPECT_EQ(press(page, 3, 4), "LO");
  page.setText(7, "300");  // decimal on this page: past 255 for a card without extended channels
  EXPECT_EQ(press(page, 5, 2), "251");
  EXPECT_EQ(press(page, {{7, "255"}}, 5, 2), "Done");
  EXPECT_EQ(station->gdbQueueCounters().lo, 1);
  EXPECT_EQ(word(0x1000), 1);
  EXPECT_EQ(press(page, 3, 4), "HI");
  // Sync needs exactly six binary digits; an empty field is SYNTAX for it, 0 for the others.
  for (int i = 0; i < 3; ++i) page.click(11);
  EXPECT_EQ(page.fullText(12), "Sync      ");
  EXPECT_EQ(press(page, 5, 2), "SYNTAX");
  page.click(11);
  EXPECT_EQ(press(page, 5, 2), "Done");
  EXPECT_EQ(station->gdbQueueCounters().hi, 3);
  // Hostile text inserts nothing: bad characters, numbers past 16 bits (a nine-digit hex one
  // would wrap to ABCD), and text longer than the nine characters the page reads.
  const std::string letters(10000, 'x'), padded = std::string(9999, '0') + "5";
  const std::pair<int, std::string> bad[] = {
      {6, letters},      {6, "1 2"},        {6, "-1"},          {6, "65536"}, {7, "65536"},
      {10, "10000ABCD"}, {6, "0000000001"}, {10, "0000000010"}, {6, padded},
  };
  for (const auto& [field, text] : bad) {
    EXPECT_EQ(press(page, {{6, "1"}, {7, "1"}, {10, "1"}, {field, text}}, 5, 2), "SYNTAX")
        << field << " " << text.substr(0, 12);
  }
  EXPECT_EQ(word(0x0E00), 3);
  // Any GDB_BCT menu command zeroes both counters (here HELP).
  ASSERT_TRUE(menu(kHelp));
  EXPECT_EQ(station->gdbQueueCounters().hi, 0);
  EXPECT_EQ(station->gdbQueueCounters().lo, 0);
  // HALT empties both queues, headers included.
  ASSERT_TRUE(menu(kHalt));
  EXPECT_EQ(word(0x0E00), 0);
  EXPECT_EQ(word(0x1000), 0);
}

// A 100 Hz MEASURE whose data changes while the controller runs: Update lists the new value at
// once, and after the 512-entry uplink ring has wrapped, still the newest transfer first.
TEST_F(GdbBctPageTest, UpDownQueueListsTheNewestTransfersFirstAndSwitchesQueues) {
  auto& page = open(kUpDnQ, "GDB_UD_Q");
  // An empty queue: "EMPTY", then a line that says what a first run needs for traffic.
  EXPECT_EQ(page.listCount(6), 2);
  EXPECT_EQ(page.listLine(6, 0), "EMPTY");
  EXPECT_EQ(page.listLine(6, 1).substr(0, 56),
            "No transfers: add MEASURE or COMMAND entries on TABLES, ");
  EXPECT_TRUE(page.isChecked(7));
  GdbCommandRecord m{.rtAddress = 3, .sync = 1, .errorType = 0x0100, .dataValue = 0xAAAA};
  write(100, 1, 0x2000, m);
  ASSERT_TRUE(menu(kRunActive));
  windows.advance(3000);  // 300 transfers
  m.dataValue = 0xBBBB;
  write(100, 1, 0x2000, m);
  windows.advance(500);
  ASSERT_EQ(clicked(page, 3).listCount(6), 256);
  EXPECT_EQ(page.listLine(6, 0), " Src:T\tCMND\tRT:3\tCh:0\tDt:BBBB\tNoErrs\tTb:100Hz\tIx:1");
  EXPECT_EQ(page.listLine(6, 255).substr(0, 30), " Src:T\tCMND\tRT:3\tCh:0\tDt:AAAA\t");
  windows.advance(20000);  // 2,000 more transfers
  m.dataValue = 0xCCCC;
  write(100, 1, 0x2000, m);
  windows.advance(100);
  EXPECT_EQ(clicked(page, 3).listLine(6, 0).substr(0, 30), " Src:T\tCMND\tRT:3\tCh:0\tDt:CCCC\t");
  EXPECT_EQ(page.listLine(6, 20).substr(0, 30), " Src:T\tCMND\tRT:3\tCh:0\tDt:BBBB\t");

  // Clicking the chosen queue's box switches to the other queue.
  EXPECT_FALSE(clicked(page, 7).isChecked(7));
  EXPECT_TRUE(page.isChecked(8));
  EXPECT_EQ(clicked(page, 3).listLine(6, 0).substr(0, 17), " Src:T\tDATA\tRT:3\t");
  // With Snap on the choice is locked and the list follows the card each second.
  clicks(page, {5, 7});
  EXPECT_TRUE(page.isChecked(8));
  windows.advance(400);  // to the page's next whole second
  page.click(2);         // Clear: the downlink queue only
  EXPECT_EQ(page.listLine(6, 0), "EMPTY");
  windows.advance(1000);
  EXPECT_EQ(page.listCount(6), 100);
  clicks(page, {5, 7, 3});
  EXPECT_EQ(page.listCount(6), 256);  // the uplink queue was not cleared
}

}  // namespace
