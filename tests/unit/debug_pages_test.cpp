// The debug command page's clock and the card memory display's scrolling, driven through the
// headless window system on an initialised card.
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

TEST_F(DebugCommandTest, ClockIsShownWhateverTheStatus) {
  winsys::HeadlessDialog* page = open("BGCdialog", "DEBUG_EXE");
  windows.advance(3 * 86400 * 1000 + 3723 * 1000 + 45);
  EXPECT_EQ(press(*page, 11, 13), "Done");
  EXPECT_EQ(page->fullText(12), "003:01:02:03.045000");
  xarnsim::failNext(card(), "DUVEX_RdClockDLL", 250, 1);
  EXPECT_EQ(press(*page, 11, 13), "250");
  EXPECT_EQ(page->fullText(12), "000:00:00:00.000000");
}

using MemoryDisplayTest = DebugPageTest;

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

}  // namespace
