// The bus monitor pages through the headless window system: the trigger page, the STACK and
// SNAP displays, against the simulated card.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/xarndll.h"
#include "station_fixture.h"
#include "ui/monitor_fields.h"
#include "xarndll/control.h"

namespace {

using winsys::ScrollAction;

// Menu ids.
constexpr int kTopBusMon = 3, kTrigger = 1, kStack = 2, kSnap = 3, kRun = 4;

// Trigger page controls.
constexpr int kQuit = 1, kLoad = 2, kJ2 = 4, kBusSpin = 7, kBus = 8, kSyncSpin = 9, kSync = 10;
constexpr int kPtc = 11, kPattern = 12, kRtScroll = 13, kRtIndex = 14, kEnabled = 15;
constexpr int kReport = 21;

// Card words.
constexpr uint32_t kBusSelect = 0x0020;
constexpr uint32_t kControl = 0x08252C;
constexpr uint32_t kPostTrigger = 0x08252E;
constexpr uint32_t kRtFilter = 0x082540;

namespace ms = ui::monstack;

class MonitorPageTest : public StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    start();
    setUpCard();
    ASSERT_TRUE(menu(kTopBusMon));
  }
  winsys::HeadlessDialog& open(int item, const std::string& name = "XARN_MTG") {
    EXPECT_TRUE(menu(item));
    winsys::HeadlessDialog* page = windows.page(name);
    EXPECT_NE(page, nullptr);
    return *page;
  }
  std::string pattern() {
    std::string p;
    for (uint32_t i = 0; i < 40; i += 2) {
      uint16_t w = word(0x082504 + i);
      p += static_cast<char>(w & 0xFF);
      p += static_cast<char>(w >> 8);
    }
    return p;
  }
  // Loads a trigger on the trigger page: all "X", ANY, post-trigger count `ptc`.
  void loadAnyTrigger(const std::string& ptc) {
    auto& page = open(kTrigger);
    while (page.fullText(kBus) != "ANY") page.click(kBusSpin);
    while (page.fullText(kSync) != "ANY") page.click(kSyncSpin);
    ASSERT_EQ(press(page, {{kPattern, std::string(24, 'X')}, {kPtc, ptc}}, kLoad, kReport), "Done");
    page.click(kQuit);
  }
  std::string line(winsys::HeadlessDialog& page, int n) { return page.listLine(ms::kList, n); }
  std::string position(winsys::HeadlessDialog& page, int n) {
    std::string l = line(page, n);
    return l.substr(0, l.find('\t'));
  }
};

TEST_F(MonitorPageTest, RtFilterWrapsAndReachesTheCardOnLoad) {
  auto& page = open(kTrigger);
  EXPECT_EQ(scrolled(page, kRtScroll, ScrollAction::LineDown).fullText(kRtIndex), "31");
  page.click(kEnabled);  // RT 31 filtered out, on the page only
  EXPECT_FALSE(page.isChecked(kEnabled));
  EXPECT_EQ(word(kRtFilter + 62), 0);
  page.scroll(kRtScroll, ScrollAction::PageUp);  // ignored
  EXPECT_EQ(scrolled(page, kRtScroll, ScrollAction::LineUp).fullText(kRtIndex), "0");
  EXPECT_TRUE(page.isChecked(kEnabled));
  ASSERT_EQ(press(page, kLoad, kReport), "Done");
  EXPECT_EQ(word(kRtFilter + 62), 1);
  page.click(kQuit);
  // A new opening shows what the card holds.
  auto& again = open(kTrigger);
  EXPECT_FALSE(scrolled(again, kRtScroll, ScrollAction::LineDown).isChecked(kEnabled));
}

TEST_F(MonitorPageTest, BadPostTriggerCountsWriteOnlyTheBusSelection) {
  auto& page = open(kTrigger);
  ASSERT_EQ(press(page, {{kPtc, "25"}}, kLoad, kReport), "Done");
  page.click(kJ2);  // J2 off
  page.setText(kPattern, "1111");
  for (const std::string& text :
       std::vector<std::string>{"12a", "-1", " 5", "4294967296", "0000000001",
                                std::string(10000, '7'), std::string(10000, 'x')}) {
    EXPECT_EQ(press(page, {{kPtc, text}}, kLoad, kReport), "SYNTAX") << text.substr(0, 12);
    EXPECT_EQ(word(kBusSelect), 0x000D);
    EXPECT_EQ(word(kPostTrigger), 25);
    EXPECT_EQ(pattern().substr(0, 4), "XXXX");
  }
  // More than the stack can hold after 1024 words of history: the card's refusal.
  EXPECT_EQ(press(page, {{kPtc, "999999999"}}, kLoad, kReport), "251");
  EXPECT_EQ(word(kPostTrigger), 25);
  EXPECT_EQ(press(page, {{kPtc, ""}}, kLoad, kReport), "Done");
  EXPECT_EQ(word(kPostTrigger), 0);
  EXPECT_EQ(pattern().substr(0, 4), "1111");
}

TEST_F(MonitorPageTest, StackWaitsForTheTriggerThenShowsItsPage) {
  loadAnyTrigger("10");
  // With the trigger disabled the monitor stays armed: the page waits, once.
  poke(kControl, word(kControl) | 0x8000);
  ASSERT_TRUE(menu(kRun));
  auto& page = open(kStack, "MON_STACK");
  EXPECT_FALSE(page.isChecked(ms::kSnapMode));
  EXPECT_EQ(page.tabStops(ms::kList), (std::vector<int>{40, 115, 130, 140, 120}));
  windows.advance(1000);
  EXPECT_EQ(page.fullText(ms::kReport), " WAITING FOR TRIGGER");
  int beeps = windows.beeps();
  windows.advance(2000);
  EXPECT_EQ(windows.beeps(), beeps);
  // Enabled, the trigger fires; the next tick shows the page from the trigger.
  poke(kControl, word(kControl) & 0x7FFF);
  windows.advance(1000);
  ASSERT_EQ(page.listCount(ms::kList), 11);
  EXPECT_EQ(position(page, 0), "TRIGGER");
  EXPECT_EQ(position(page, 10), "+0010");
  EXPECT_EQ(page.fullText(ms::kReport), "");
  // The page has stopped polling: a new capture does not redraw it.
  ASSERT_TRUE(menu(kRun));
  windows.advance(3000);
  EXPECT_EQ(position(page, 0), "TRIGGER");
  EXPECT_EQ(page.fullText(ms::kReport), "");
}

// A snapshot ends at the first entry the card cannot give, rather than repeating the last one
// under new positions.
TEST_F(MonitorPageTest, SnapShowsOnlyTheEntriesItCouldRead) {
  loadAnyTrigger("500");
  auto& snap = open(kSnap, "MON_STACK");
  windows.advance(1000);
  ASSERT_EQ(snap.listCount(ms::kList), 11);
  // A shorter count loaded meanwhile: the next capture ends at +0003.
  poke(kPostTrigger, 3);
  windows.advance(2000);
  ASSERT_EQ(snap.listCount(ms::kList), 4);
  EXPECT_EQ(position(snap, 3), "+0003");
  EXPECT_EQ(snap.fullText(ms::kReport), "");

  // Another snapshot display's Quit halts a capture that has nothing yet.
  poke(kControl, word(kControl) | 0x8000);
  windows.advance(2000);
  auto& second = open(kSnap, "MON_STACK");
  second.click(ms::kQuit);
  windows.advance(1000);
  EXPECT_EQ(snap.listCount(ms::kList), 0);
  EXPECT_EQ(snap.fullText(ms::kReport), " NO STACK DATA");
  snap.click(ms::kQuit);
}

}  // namespace
