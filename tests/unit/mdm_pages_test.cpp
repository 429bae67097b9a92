// The MDM pages through the headless window system against the simulated card: RT setup, BITE
// configuration, PROM setup and the MDM queue, with the binary-text helpers.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "card/xarndll.h"
#include "pages/mdm/bite_config.h"
#include "pages/mdm/mdm_queue.h"
#include "pages/mdm/prom_setup.h"
#include "station_fixture.h"

namespace {

using winsys::ScrollAction;

constexpr int kTopMdmMrt = 12;
constexpr int kRun = 4;

class MdmPageTest : public StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    start();
    setUpCard();
    ASSERT_TRUE(menu(kTopMdmMrt));
  }
  // The page opened as its menu item would, but modeless so that the test can drive it.
  winsys::HeadlessDialog& open(const char* procedure, const char* layout) {
    EXPECT_TRUE(station->openPage(procedure, false));
    winsys::HeadlessDialog* page = windows.page(layout);
    EXPECT_NE(page, nullptr);
    return *page;
  }
  uint64_t calls(const char* function) { return xarnsim::callCount(card(), function); }
  static std::string hostile(char c = 'z') { return std::string(10'000, c); }
  // The line of the entry the card queued last, found in card memory from the queue header
  // (entries held, oldest index), not through the driver's read.
  std::string newestLine() {
    constexpr uint32_t kHeader = 0x1C5E00, kEntries = 0x1C5E20, kEntryBytes = 128;
    uint32_t held = xarnsim::peek(card(), kHeader);
    uint32_t newest = (xarnsim::peek(card(), kHeader + 2) + held - 1) % 1024;
    std::array<uint16_t, 6> w{};
    for (uint32_t i = 0; i < w.size(); ++i)
      w[i] = xarnsim::peek(card(), kEntries + newest * kEntryBytes + 2 * i);
    return mdm::mdmQueueLine(MdmQueueEntry{w[0], w[1], w[2], w[3], w[4], w[5]});
  }
};

// ---- Binary text

// ---- BITE configuration

TEST_F(MdmPageTest, BiteConstantsAreSignedTenBitValues) {
  MdmBiteRecord r{.bite2RxData = {0, 0, 0, 0, 0xCAFE},
                  .positiveConstant = 0x1FF,
                  .negativeConstant = 0x3FF,
                  .rcwOverride = 1,
                  .rcwWord = 0x1235};
  ASSERT_EQ(DUVEX_WrMdmBiteConfDLL(card(), 0, &r), 0);
  r.negativeConstant = 0x200;
  ASSERT_EQ(DUVEX_WrMdmBiteConfDLL(card(), 31, &r), 0);
  auto& page = open("MDBdialog", "MDM_BITE_CONFIG");
  expectFields(page, 21, " 511", 22, " -1", 9, "1234", 5, "Done");
  EXPECT_TRUE(page.isChecked(10));
  EXPECT_EQ(page.listCount(23), 5);
  expectFields(scrolled(page, 1, ScrollAction::LineDown), 2, "31", 22, " -512");
  expectFields(scrolled(page, 1, ScrollAction::LineUp), 2, "0");

  // Out of range or overflowing: SYNTAX and nothing written; letters alone are 0.
  xarnsim::resetCallCounts(card());
  for (const char* bad : {"-512", "512", "65537", "-65535"}) {
    EXPECT_EQ(press(page, {{21, bad}}, 3, 5), "SYNTAX") << bad;
  }
  EXPECT_EQ(calls("DUVEX_WrMdmBiteConfDLL"), 0u);
  EXPECT_EQ(press(page, {{21, "-511"}, {22, "abc"}, {9, "1235"}, {6, "12345"}}, 3, 5), "Done");
  ASSERT_EQ(DUVEX_RdMdmBiteConfDLL(card(), 0, &r), 0);
  EXPECT_EQ(+r.positiveConstant, 0x201);
  EXPECT_EQ(+r.negativeConstant, 0);
  EXPECT_EQ(+r.rcwWord, 0x1234);
  EXPECT_EQ(+r.bite1Bsr, 0x2345);
  EXPECT_EQ(+r.bite2RxData[4], 0);           // the partner's words: a write never sets them
  EXPECT_EQ(mdm::constantValue(0xFC00), 0);  // bits 15..10 are not the value
}

TEST_F(MdmPageTest, BiteHexFieldsRefuseHostileText) {
  auto& page = open("MDBdialog", "MDM_BITE_CONFIG");
  xarnsim::resetCallCounts(card());
  for (int id : {6, 7, 8, 9, 11, 14, 20, 21, 22}) {
    EXPECT_EQ(press(page, {{id, id >= 21 ? "99999999999" : "G"}}, 3, 5), "SYNTAX") << id;
    EXPECT_EQ(press(page, {{id, hostile(id >= 21 ? '9' : 'z')}}, 3, 5), "SYNTAX") << id;
    page.setText(id, "0000000001");  // past the nine characters read: not cut to 000000000
    EXPECT_EQ(press(page, 3, 5), "SYNTAX") << id;
    page.setText(id, "0");
  }
  EXPECT_EQ(calls("DUVEX_WrMdmBiteConfDLL"), 0u);
  EXPECT_EQ(press(page, 3, 5), "Done");
}

// ---- RT setup

TEST_F(MdmPageTest, RtSetupReadsUpdatesAndStores) {
  MdmRtSimRecord unit{};
  unit.rtEnable = 0x8000;
  unit.powerInterrupt = 1;
  unit.primaryBsr = 0xAB;
  for (auto& e : unit.errorInjection) e.errorType = 0x0100;
  unit.errorInjection[11] = {0x1100, 5, 0};  // BT4: SEV error 101
  unit.errorInjection[6] = {0x0040, 7, 0};   // RCW: sync 000111
  unit.errorInjection[9] = {0x4444, 3, 0};   // BT2: a code the table does not have
  ASSERT_EQ(DUVEX_WrMdmRtSimDLL(card(), 31, &unit, 0, 0), 0);
  auto& page = open("MDRdialog", "MDM_MRT_RTS");
  expectFields(page, 6, "0", 14, "RCP", 16, "No Errors ", 4, "Done", 21, " 0", 24, " 0");
  expectFields(scrolled(page, 5, ScrollAction::LineDown), 6, "31", 11, "00AB", 19, "000000", 18,
               "000:00:00:00.000000");
  EXPECT_TRUE(page.isChecked(7));
  EXPECT_TRUE(page.isChecked(8));
  EXPECT_FALSE(page.isChecked(9));
  struct Step {
    const char* type;
    const char* error;
    const char* size;
  };
  for (const Step& s : {Step{"EPS", "No Errors ", "0"}, Step{"BT2", "No Errors ", "3"},
                        Step{"BT4", "SEV error ", "101"}, Step{"IFI", "No Errors ", "0"},
                        Step{"RBT", "No Errors ", "0"}, Step{"RCW", "Sync      ", "000111"},
                        Step{"RCP", "No Errors ", "0"}}) {
    expectFields(clicked(page, 13), 14, s.type, 16, s.error, 17, s.size);
  }

  // Store: the data boxes and the error (RCP: Wordcount+ 3) into the working copies only.
  clicks(page, {15, 15});
  EXPECT_EQ(page.fullText(16), "Wordcount+");
  EXPECT_EQ(press(page, {{17, "3"}, {22, "1 2 3"}, {25, "AAAA"}}, 28, 4), "Done");
  page.click(1);  // Read discards what was stored
  EXPECT_EQ(page.fullText(16), "No Errors ");
  EXPECT_EQ(page.fullText(22).substr(0, 10), "0000 0000 ");

  clicks(page, {15, 15});
  EXPECT_EQ(press(page, {{17, "3"}, {22, "1 2 3"}, {29, "BBBB"}}, 28, 4), "Done");
  page.setChecked(8, false);
  EXPECT_EQ(press(page, {{12, "beef"}}, 2, 4), "Done");  // Update sends them
  ASSERT_EQ(DUVEX_RdMdmRtSimDLL(card(), 31, &unit, 0, 0), 0);
  EXPECT_EQ(+unit.errorInjection[0].errorType, 0x0500);
  EXPECT_EQ(+unit.errorInjection[0].sizePosition, 3);
  EXPECT_EQ(+unit.powerInterrupt, 0);
  EXPECT_EQ(+unit.secondaryBsr, 0xBEEF);
  MdmIomRecord module{};
  ASSERT_EQ(DUVEX_RdMdmIOMDLL(card(), 31, 0, &module), 0);
  EXPECT_EQ(+module.iomData[2], 3);
  EXPECT_EQ(+module.sioReceive[0][0], 0xBBBB);
}

TEST_F(MdmPageTest, RtSetupSpinsAndRefusals) {
  MdmIomRecord module{};
  module.iomData[0] = 0x1500;
  module.sioTransmit[3][0] = 0x7300;
  ASSERT_EQ(DUVEX_WrMdmIOMDLL(card(), 0, 15, &module), 0);
  auto& page = open("MDRdialog", "MDM_MRT_RTS");
  xarnsim::resetCallCounts(card());
  page.scroll(20, ScrollAction::LineDown);  // IOM 15: both records read again
  expectFields(page, 21, "15");
  EXPECT_EQ(page.fullText(22).substr(0, 4), "1500");
  EXPECT_EQ(calls("DUVEX_RdMdmRtSimDLL"), 1u);
  EXPECT_EQ(calls("DUVEX_RdMdmIOMDLL"), 1u);
  page.scroll(23, ScrollAction::LineDown);  // SIO channel 3, from the working copy
  expectFields(page, 24, " 3");
  EXPECT_EQ(page.fullText(25).substr(0, 4), "7300");
  expectFields(scrolled(page, 23, ScrollAction::LineUp), 24, " 0");
  expectFields(scrolled(page, 23, ScrollAction::PageUp), 24, " 0");
  EXPECT_EQ(calls("DUVEX_RdMdmIOMDLL"), 1u);
  expectFields(scrolled(page, 20, ScrollAction::LineUp), 21, " 0");

  // A bad box or a bad Size/Posn: SYNTAX, and the working copies stay as they were.
  EXPECT_EQ(press(page, {{22, "12 ZZ 34"}}, 28, 4), "SYNTAX");
  page.setText(22, "12");
  for (int i = 0; i < 7; ++i) page.click(15);  // No Errors -> Sync
  EXPECT_EQ(page.fullText(16), "Sync      ");
  EXPECT_EQ(press(page, {{17, "10101"}}, 28, 4), "SYNTAX");
  EXPECT_EQ(press(page, {{11, "12G4"}}, 2, 4), "SYNTAX");
  page.setText(11, "0000012345");  // ten characters: it would be read as 1234
  EXPECT_EQ(press(page, 2, 4), "SYNTAX");
  page.setText(11, "0");
  for (int id : {11, 12, 17, 22, 25, 29}) {
    EXPECT_EQ(press(page, {{id, hostile()}}, id <= 12 ? 2 : 28, 4), "SYNTAX") << id;
    page.setText(id, "0");
  }
  EXPECT_EQ(calls("DUVEX_WrMdmRtSimDLL"), 0u);
  EXPECT_EQ(calls("DUVEX_WrMdmIOMDLL"), 0u);
  EXPECT_EQ(press(page, {{11, "0"}}, 2, 4), "Done");
  MdmRtSimRecord unit{};
  ASSERT_EQ(DUVEX_RdMdmRtSimDLL(card(), 0, &unit, 0, 0), 0);
  EXPECT_EQ(+unit.errorInjection[0].errorType, 0x0100);
  ASSERT_EQ(DUVEX_RdMdmIOMDLL(card(), 0, 0, &module), 0);
  EXPECT_EQ(+module.iomData[0], 0);

  // A failed read changes no field but the Report.
  xarnsim::failNext(card(), "DUVEX_RdMdmIOMDLL", 250, 1);
  EXPECT_EQ(press(page, {{22, "keep"}}, 1, 4), "250");
  EXPECT_EQ(page.fullText(22), "keep");
  expectFields(scrolled(page, 5, ScrollAction::LineDown), 6, "31");
  expectFields(scrolled(page, 5, ScrollAction::LineUp), 6, "0");
}

// ---- PROM setup

TEST_F(MdmPageTest, PromScrollStepsKeepTheTopEntryInRange) {
  auto& page = open("MDPdialog", "MDM_PROM");
  ASSERT_EQ(page.listCount(28), 16);
  EXPECT_EQ(page.listLine(28, 0), "016   Output to IOM\tAddr:00 Start:00 Ch:00 Py:EVEN");
  EXPECT_EQ(page.listLine(27, 15), "15\t NO_IOM  \tPy:EVEN\t {00000000} {000}");
  struct Step {
    int button;  // 30 steps the scroll step first, 0 not
    ScrollAction action;
    int top;
  };
  const Step steps[] = {
      {0, ScrollAction::LineDown, 16},   {0, ScrollAction::LineUp, 17},
      {30, ScrollAction::LineUp, 27},    {30, ScrollAction::LineUp, 127},
      {0, ScrollAction::LineUp, 227},    {0, ScrollAction::LineUp, 327},
      {0, ScrollAction::LineUp, 427},    {0, ScrollAction::LineUp, 427},  // not below 396
      {0, ScrollAction::PageUp, 443},    {0, ScrollAction::PageUp, 459},
      {0, ScrollAction::Bottom, 496},    {30, ScrollAction::LineUp, 496},
      {0, ScrollAction::PageUp, 496},    {0, ScrollAction::Top, 16},
      {0, ScrollAction::PageDown, 16},   {0, ScrollAction::LineDown, 16},
      {0, ScrollAction::ThumbTrack, 16}, {0, ScrollAction::PageUp, 32},
      {0, ScrollAction::PageDown, 16},
  };
  for (const Step& s : steps) {
    if (s.button) page.click(s.button);
    page.scroll(26, s.action);
    char first[8];
    std::snprintf(first, sizeof first, "%.03d", s.top);
    EXPECT_EQ(page.listLine(28, 0).substr(0, 3), first);
  }
  EXPECT_EQ(page.listLine(28, 15).substr(0, 3), "031");
  EXPECT_EQ(page.fullText(31), " x1");
}

TEST_F(MdmPageTest, PromLinesAreEditedInTheWorkingCopyAndWrittenWhole) {
  auto& page = open("MDPdialog", "MDM_PROM");
  EXPECT_EQ(page.listSelection(27), 0);
  expectFields(page, 8, "00000000", 9, "000", 11, " NO_IOM  ", 13, "EVEN", 17, " Output to IOM");

  // Right: entry 205 is line 5 at top entry 200.
  page.click(30);
  page.click(30);  // x100
  page.scroll(26, ScrollAction::LineUp);
  page.click(30);  // x1
  for (int i = 0; i < 84; ++i) page.scroll(26, ScrollAction::LineUp);
  ASSERT_EQ(page.listLine(28, 0).substr(0, 3), "200");
  page.listSelect(28, 5);
  page.click(16);  // Input to IOM
  clicks(page, {18, 18});
  for (int i = 0; i < 33; ++i) page.click(20);  // 32 wraps to 0: start 1
  clicks(page, {22, 24});
  expectFields(page, 17, " Input to IOM ", 19, "02", 21, "01", 23, "01", 25, "ODD");
  EXPECT_EQ(press(page, 15, 5), "Done");
  EXPECT_EQ(page.listLine(28, 5), "205   Input to IOM \tAddr:02 Start:01 Ch:01 Py:ODD");
  // The chosen entry moves with the list, and out of it: then Get and Replace ask for a line.
  EXPECT_EQ(page.listSelection(28), 5);
  EXPECT_EQ(scrolled(page, 26, ScrollAction::LineUp).listSelection(28), 4);
  EXPECT_EQ(scrolled(page, 26, ScrollAction::LineDown).listSelection(28), 5);
  EXPECT_EQ(scrolled(page, 26, ScrollAction::PageUp).listSelection(28), -1);
  const std::string unchanged = page.listLine(28, 5);
  EXPECT_EQ(press(page, 15, 5), "Select a line");
  EXPECT_EQ(press(page, 14, 5), "Select a line");
  EXPECT_EQ(page.listLine(28, 5), unchanged);
  EXPECT_EQ(scrolled(page, 26, ScrollAction::PageDown).listSelection(28), -1);

  // Left: a replace redraws the left list only; the right list keeps its selection.
  page.listSelect(28, 7);
  page.listSelect(27, 2);
  // Bits past what the field reads are refused, not cut: "0000000011" is no "000000001".
  EXPECT_EQ(press(page, {{8, "0000000011"}, {9, "101"}}, 7, 5), "SYNTAX");
  page.setText(8, "11111111");
  page.click(10);  // DI_IOM
  page.click(12);
  EXPECT_EQ(press(page, 7, 5), "Done");
  EXPECT_EQ(page.listLine(27, 2), "02\t DI_IOM  \tPy:ODD\t {11111111} {101}");
  EXPECT_EQ(page.listSelection(28), 7);
  EXPECT_EQ(page.listSelection(27), 2);  // redrawn with the operator's line chosen again
  page.click(12);
  EXPECT_EQ(press(page, 7, 5), "Done");  // so a second Replace edits the same line
  EXPECT_EQ(page.listLine(27, 2), "02\t DI_IOM  \tPy:EVEN\t {11111111} {101}");
  page.click(12);
  EXPECT_EQ(press(page, 7, 5), "Done");
  page.listSelect(27, -1);
  EXPECT_EQ(press(page, 7, 5), "Select a line");
  page.listSelect(27, 2);
  for (const char* bad : {"100000000", "1x", "2"}) {
    EXPECT_EQ(press(page, {{8, bad}}, 7, 5), "SYNTAX") << bad;
  }
  EXPECT_EQ(press(page, {{8, "1"}, {9, "1000"}}, 7, 5), "SYNTAX");
  EXPECT_EQ(press(page, {{9, hostile()}}, 7, 5), "SYNTAX");
  EXPECT_EQ(page.listLine(27, 2), "02\t DI_IOM  \tPy:ODD\t {11111111} {101}");
  EXPECT_EQ(calls("DUVEX_WrMdmPromDLL"), 0u);

  EXPECT_EQ(press(page, 3, 5), "Done");
  MdmPromRecord image{};
  ASSERT_EQ(DUVEX_RdMdmPromDLL(card(), 0, &image), 0);
  EXPECT_EQ(+image.command[205 - 16].mode, 1);
  EXPECT_EQ(+image.command[205 - 16].iomAddress, 2);
  EXPECT_EQ(+image.iom[2].bits15to8, 255);
  EXPECT_EQ(+image.iom[2].bits1to3, 5);

  // Stepping the RT re-reads: RT 1's image is blank; back on RT 0 the write is there.
  EXPECT_EQ(scrolled(page, 1, ScrollAction::LineUp).listLine(27, 2),
            "02\t NO_IOM  \tPy:EVEN\t {00000000} {000}");
  EXPECT_EQ(scrolled(page, 1, ScrollAction::LineDown).listLine(27, 2),
            "02\t DI_IOM  \tPy:ODD\t {11111111} {101}");
  image.iom[3].iomType = 9;  // from the card only
  image.command[0].mode = 6;
  ASSERT_EQ(DUVEX_WrMdmPromDLL(card(), 0, &image), 0);
  page.scroll(1, ScrollAction::LineUp);
  EXPECT_EQ(scrolled(page, 1, ScrollAction::LineDown).listLine(27, 3).substr(0, 7), "03\t ?9\t");
  EXPECT_EQ(scrolled(page, 26, ScrollAction::Top).listLine(28, 0).substr(0, 9), "016   ?6\t");
}

// ---- The MDM queue

// After a long run the ring has wrapped many times over; Update still starts with the entry the
// card queued last. A read that fails says so instead of calling the queue empty.
TEST_F(MdmPageTest, QueueListsTheNewestEntriesAndShowsAFailedRead) {
  auto& page = open("MDQdialog", "MDM_MRT_Q");
  EXPECT_EQ(page.listCount(6), 1);
  EXPECT_EQ(page.listLine(6, 0), "EMPTY");
  MdmRtSimRecord unit{};
  unit.rtEnable = 0x8000;
  for (auto& e : unit.errorInjection) e.errorType = 0x0100;
  ASSERT_EQ(DUVEX_WrMdmRtSimDLL(card(), 3, &unit, 0, 0), 0);
  ASSERT_TRUE(menu(kRun));
  windows.advance(1000);
  EXPECT_EQ(page.listCount(6), 1);  // Snap off: the list stays
  page.click(5);
  windows.advance(15000);  // 1,600 entries into a ring of 1,024, the newest 256 listed
  EXPECT_EQ(page.listCount(6), 256);
  EXPECT_EQ(page.listLine(6, 0), newestLine());
  page.click(5);
  windows.advance(1000);
  EXPECT_EQ(clicked(page, 3).listLine(6, 0), newestLine());

  xarnsim::failNext(card(), "DUVEX_RdMdmQDLL", 252, 1);
  ASSERT_EQ(clicked(page, 3).listCount(6), 1);
  EXPECT_EQ(page.listLine(6, 0), "READ FAILED: 252");
  EXPECT_EQ(clicked(page, 3).listCount(6), 256);
  EXPECT_EQ(clicked(page, 2).listLine(6, 0), "EMPTY");
}

}  // namespace
