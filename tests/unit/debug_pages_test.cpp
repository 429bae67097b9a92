// The debug command page and the card memory display, driven through the headless window
// system on an initialised card.
#include <gtest/gtest.h>

#include "station_fixture.h"

namespace {

class DebugPageTest : public StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    start();
    setUpCard();
  }
  // The page opened as its menu item would, but modeless so that the test can drive it.
  winsys::HeadlessDialog* open(const char* procedure, const char* layout) {
    EXPECT_TRUE(station->openPage(procedure, false));
    return windows.page(layout);
  }
};

using DebugCommandTest = DebugPageTest;

TEST_F(DebugCommandTest, OpeningShowsTheWrapWordAndWrapTestWritesItBack) {
  poke(0x0048, 0x40AB);
  poke(0x004A, 0xCDEF);
  winsys::HeadlessDialog* page = open("BGCdialog", "DEBUG_EXE");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->fullText(16), "ABCDEF");
  EXPECT_EQ(page->fullText(18), " CMND");

  EXPECT_EQ(press(*page, 17, 18), " DATA");
  page->setText(16, "1abcdef");  // bit 24 is dropped
  EXPECT_EQ(press(*page, 10, 13), "Done");
  // The looped-back word at 4E: command 14 was sent after them.
  expectWords({{0x0048, 0x00AB}, {0x004A, 0xCDEF}, {0x004E, 0xCDEF}});
  windows.advance(1000);
  EXPECT_EQ(page->fullText(15), " 800A");

  page->click(17);
  press(*page, {{16, ""}}, 10, 13);
  expectWords({{0x0048, 0x4000}, {0x004A, 0x0000}});
  EXPECT_EQ(windows.beeps(), 0);
}

TEST_F(DebugCommandTest, BadWrapDataWritesNothing) {
  winsys::HeadlessDialog* page = open("BGCdialog", "DEBUG_EXE");
  xarnsim::resetCallCounts(card());
  EXPECT_EQ(press(*page, {{16, "12G4"}}, 10, 13), "SYNTAX");
  EXPECT_EQ(windows.beeps(), 1);
  EXPECT_EQ(xarnsim::callCount(card(), "wWDLL"), 0u);
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_CommandDLL"), 0u);
}

TEST_F(DebugCommandTest, ClockIsShownWhateverTheStatus) {
  winsys::HeadlessDialog* page = open("BGCdialog", "DEBUG_EXE");
  windows.advance(3 * 86400 * 1000 + 3723 * 1000 + 45);
  EXPECT_EQ(press(*page, 11, 13), "Done");
  EXPECT_EQ(page->fullText(12), "003:01:02:03.045000");
  xarnsim::failNext(card(), "DUVEX_RdClockDLL", 250, 1);
  EXPECT_EQ(press(*page, 11, 13), "250");
  EXPECT_EQ(page->fullText(12), "000:00:00:00.000000");
}

TEST_F(DebugCommandTest, WatchEndsAfterThirtyTicksEvenIfTheCardIsNotDone) {
  option("firmware-ms", "100000");
  winsys::HeadlessDialog* page = open("BGCdialog", "DEBUG_EXE");
  writeFile("SLOW.HGH", {});
  writeFile("SLOW.LOW", {});
  windows.queueAnswer(winsys::Answer::Yes);
  press(*page, {{20, "SLOW"}}, 19, 13);
  windows.advance(29000);
  EXPECT_EQ(page->fullText(13), "Upgrading!");
  windows.advance(1000);
  EXPECT_EQ(page->fullText(13), "Upgrade done!");
  EXPECT_NE(word(0x0004), 0);
}

using MemoryDisplayTest = DebugPageTest;

TEST_F(MemoryDisplayTest, GotoMasksTheAddressAndRefusesThePastTheLastPage) {
  winsys::HeadlessDialog* page = open("BUGdisp", "DEBUG_DISP");
  struct Case {
    const char* typed;
    const char* shown;  // the page address afterwards
    const char* report;
  };
  const Case cases[] = {
      {"1fff81", "1FFF80", "Done"},  {"1FFF82", "1FFF80", "SYNTAX"},
      {"200010", "000010", "Done"},  {"", "000000", "Done"},
      {"12x", "000000", "SYNTAX"},   {"FFFFFFFF", "000000", "SYNTAX"},
      {"7FFFF81", "1FFF80", "Done"}, {"123456789", "1FFF80", "SYNTAX"},  // past the eight read
  };
  for (const Case& c : cases) {
    EXPECT_EQ(press(*page, {{5, c.typed}}, 1, 6), c.report) << c.typed;
    EXPECT_EQ(page->fullText(5), c.shown) << c.typed;
  }
}

TEST_F(MemoryDisplayTest, ScrollingStopsAtBothEndsOfMemory) {
  winsys::HeadlessDialog* page = open("BUGdisp", "DEBUG_DISP");
  auto scroll = [&](winsys::ScrollAction action) {
    page->scroll(8, action);
    return page->fullText(5);
  };
  using A = winsys::ScrollAction;
  const std::pair<A, const char*> steps[] = {
      {A::LineUp, "000000"},   {A::PageUp, "000000"},        {A::LineDown, "000002"},
      {A::PageUp, "000002"},   {A::PageDown, "000082"},      {A::PageUp, "000002"},
      {A::LineUp, "000000"},   {A::Bottom, "1FFF80"},        {A::LineDown, "1FFF80"},
      {A::PageDown, "1FFF80"}, {A::ThumbPosition, "1FFF80"}, {A::ThumbTrack, "1FFF80"},
      {A::Top, "000000"}};
  for (const auto& [action, shown] : steps) EXPECT_EQ(scroll(action), shown);

  press(*page, {{5, "1FFF00"}}, 1, 6);
  EXPECT_EQ(scroll(A::PageDown), "1FFF00");
  press(*page, {{5, "1FFEFE"}}, 1, 6);
  EXPECT_EQ(scroll(A::PageDown), "1FFF7E");
  EXPECT_EQ(scroll(A::LineDown), "1FFF80");
  EXPECT_EQ(page->listLine(4, 7).substr(0, 7), "1FFFF0:");
}

TEST_F(MemoryDisplayTest, EditWritesTheFirstWordOfThePage) {
  winsys::HeadlessDialog* page = open("BUGdisp", "DEBUG_DISP");
  press(*page, {{5, "100"}}, 1, 6);
  EXPECT_EQ(press(*page, {{7, "12ab"}}, 2, 6), "Done");
  EXPECT_EQ(word(0x0100), 0x12AB);
  EXPECT_EQ(page->listLine(4, 0).substr(0, 12), "000100:\t12AB");
  EXPECT_EQ(page->fullText(7), "12AB");

  xarnsim::resetCallCounts(card());
  EXPECT_EQ(press(*page, {{7, "1G"}}, 2, 6), "SYNTAX");
  EXPECT_EQ(xarnsim::callCount(card(), "wWDLL"), 0u);
  EXPECT_EQ(page->fullText(7), "12AB");  // the page is drawn again from the card
  EXPECT_EQ(windows.beeps(), 1);
}

}  // namespace
