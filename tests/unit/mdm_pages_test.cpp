// The MDM pages through the headless window system against the simulated card: the RT setup
// spins and refusals, PROM lines edited in the working copy, and a failed queue read.
#include <gtest/gtest.h>

#include <string>

#include "card/xarndll.h"
#include "pages/mdm/bite_config.h"
#include "pages/mdm/mdm_queue.h"
#include "pages/mdm/prom_setup.h"
#include "station_fixture.h"

namespace {

using winsys::ScrollAction;

constexpr int kTopMdmMrt = 12;

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
};

// ---- RT setup

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

// A queue read that fails ends the listing with its status: the queue is not shown as empty.
TEST_F(MdmPageTest, AFailedQueueReadIsShownNotTakenForAnEmptyQueue) {
  auto& page = open("MDQdialog", "MDM_MRT_Q");
  EXPECT_EQ(page.listLine(6, 0), "EMPTY");
  MdmRtSimRecord unit{};
  unit.rtEnable = 0x8000;
  ASSERT_EQ(DUVEX_WrMdmRtSimDLL(card(), 3, &unit, 0, 0), 0);
  ASSERT_TRUE(menu(4));  // RUN
  windows.advance(1000);
  xarnsim::failNext(card(), "DUVEX_RdMdmQDLL", 252, 1);
  page.click(3);
  ASSERT_EQ(page.listCount(6), 1);
  EXPECT_EQ(page.listLine(6, 0), "READ FAILED: 252");
  page.click(3);
  EXPECT_GT(page.listCount(6), 1);
}

}  // namespace
