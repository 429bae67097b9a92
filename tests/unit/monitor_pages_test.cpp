// The bus monitor pages through the headless window system: the trigger page, the STACK and
// SNAP displays and their entry line, against the simulated card.
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
constexpr int kDisabled = 16, kPy = 17, kMn = 18, kLg = 19, kSh = 20, kReport = 21, kGet = 22;

// Card words.
constexpr uint32_t kBusSelect = 0x0020;
constexpr uint32_t kTriggerBus = 0x082502;
constexpr uint32_t kControl = 0x08252C;
constexpr uint32_t kPostTrigger = 0x08252E;
constexpr uint32_t kRtFilter = 0x082540;
constexpr uint32_t kStackHeld = 0x082600;

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

TEST_F(MonitorPageTest, GetShowsTheCardsTriggerAndLoadWritesTheControlWord) {
  auto& page = open(kTrigger);
  // A freshly set-up card: every connector selected by the mode entry, any trigger word.
  expectFields(page, kBus, "ANY", kSync, "ANY", kPattern, std::string(24, 'X'), kPtc, "0", kRtIndex,
               "0", kReport, "Done");
  for (int j = 3; j <= 6; ++j) EXPECT_TRUE(page.isChecked(j)) << j;
  EXPECT_TRUE(page.isChecked(kEnabled));
  EXPECT_FALSE(page.isChecked(kDisabled));

  // SYNC DATA and no error box: 0x0010.
  clicks(page, {kSyncSpin, kSyncSpin});
  ASSERT_EQ(page.fullText(kSync), "CMND");  // ANY, DATA, CMND
  clicks(page, {kSyncSpin, kSyncSpin});
  ASSERT_EQ(page.fullText(kSync), "DATA");
  EXPECT_EQ(press(page, kLoad, kReport), "Done");
  EXPECT_EQ(word(kControl), 0x0010);
  EXPECT_EQ(word(kTriggerBus), 0x8000);
  // Every error box, "Disabled" and SYNC ANY: 0x803F; the bus spin steps J1 .. J4, ANY.
  for (int id : {kPy, kMn, kLg, kSh, kDisabled}) page.click(id);
  clicks(page, {kSyncSpin, kSyncSpin, kBusSpin, kBusSpin});
  EXPECT_EQ(page.fullText(kBus), "J2");
  EXPECT_EQ(press(page, kLoad, kReport), "Done");
  EXPECT_EQ(word(kControl), 0x803F);
  EXPECT_EQ(word(kTriggerBus), 0x0004);

  // Codes the tables do not hold show as ANY, and load as ANY.
  poke(kTriggerBus, 0x0003);
  poke(kControl, 0x0008);
  EXPECT_EQ(press(page, kGet, kReport), "Done");
  expectFields(page, kBus, "ANY", kSync, "ANY");
  EXPECT_TRUE(page.isChecked(kPy));
  EXPECT_FALSE(page.isChecked(kDisabled));
  page.click(kLoad);
  EXPECT_EQ(word(kTriggerBus), 0x8000);
  EXPECT_EQ(word(kControl), 0x0038);
}

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

TEST_F(MonitorPageTest, StackScrollsToTheEndsOfTheCapture) {
  loadAnyTrigger("10");
  ASSERT_TRUE(menu(kRun));
  windows.advance(1000);
  // Eight entries before the trigger are left (-1 to -8): the stack's header says so.
  poke(kStackHeld, 1 + 10 + 8);
  auto& page = open(kStack, "MON_STACK");
  windows.advance(1000);  // idle at once: no waiting message
  ASSERT_EQ(position(page, 0), "TRIGGER");
  for (int i = 0; i < 5; ++i) page.scroll(ms::kLine, ScrollAction::LineDown);
  EXPECT_EQ(position(page, 0), "-0005");
  EXPECT_EQ(page.fullText(ms::kReport), "");
  int beeps = windows.beeps();
  page.scroll(ms::kPage, ScrollAction::LineDown);
  EXPECT_EQ(position(page, 0), "-0008");
  EXPECT_EQ(position(page, 10), "+0002");
  EXPECT_EQ(page.fullText(ms::kReport), " END OF PRE-TRIGGER DATA");
  EXPECT_EQ(windows.beeps(), beeps + 1);
  page.scroll(ms::kLine, ScrollAction::LineDown);  // no step possible: the top stays
  EXPECT_EQ(position(page, 0), "-0008");
  page.scroll(ms::kPage, ScrollAction::ThumbTrack);  // no step at all: nothing changes
  EXPECT_EQ(page.fullText(ms::kReport), " END OF PRE-TRIGGER DATA");

  page.click(ms::kHome);
  EXPECT_EQ(position(page, 0), "TRIGGER");
  EXPECT_EQ(page.fullText(ms::kReport), "");
  beeps = windows.beeps();
  page.scroll(ms::kLine, ScrollAction::LineUp);  // +11 was never captured
  EXPECT_EQ(position(page, 0), "TRIGGER");
  EXPECT_EQ(page.listCount(ms::kList), 11);
  EXPECT_EQ(page.fullText(ms::kReport), " END OF POST-TRIGGER DATA");
  EXPECT_EQ(windows.beeps(), beeps + 1);
  page.scroll(ms::kPage, ScrollAction::LineDown);
  page.scroll(ms::kPage, ScrollAction::LineUp);  // +12 is not there: the step shrinks to 8
  EXPECT_EQ(position(page, 0), "TRIGGER");
  EXPECT_EQ(page.fullText(ms::kReport), " END OF POST-TRIGGER DATA");
}

TEST_F(MonitorPageTest, SnapFollowsTriggersAndPutsTheOperatorsCountBack) {
  loadAnyTrigger("500");
  poke(kRtFilter + 6, 1);  // RT 3 filtered out
  auto& snap = open(kSnap, "MON_STACK");
  EXPECT_TRUE(snap.isChecked(ms::kSnapMode));
  EXPECT_EQ(word(kPostTrigger), 11);
  EXPECT_EQ(word(0), 0x0031);
  std::string first;
  for (int t = 0; t < 3; ++t) {
    windows.advance(1000);
    ASSERT_EQ(snap.listCount(ms::kList), 11);
    EXPECT_EQ(position(snap, 0), "TRIGGER");
    EXPECT_EQ(position(snap, 10), "+0010");
    EXPECT_NE(line(snap, 0), first);  // a new trigger every second: a new time tag
    first = line(snap, 0);
    EXPECT_EQ(word(0), 0x0031);  // armed again at once
  }
  snap.click(ms::kLine);  // other controls do nothing in SNAP
  snap.scroll(ms::kPage, ScrollAction::LineDown);
  EXPECT_EQ(position(snap, 0), "TRIGGER");
  snap.click(ms::kQuit);
  EXPECT_EQ(windows.openCount("MON_STACK"), 0);
  EXPECT_EQ(word(0), 0x0030);  // halted
  EXPECT_EQ(word(kPostTrigger), 500);
  EXPECT_EQ(word(kRtFilter + 6), 1);  // the filter is not SNAP's to change
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

TEST_F(MonitorPageTest, SnapWaitsAfterTwoTicksWithoutATrigger) {
  loadAnyTrigger("20");
  poke(kControl, word(kControl) | 0x8000);
  auto& snap = open(kSnap, "MON_STACK");
  windows.advance(1000);  // the counter starts at 1: the first tick without a trigger says so
  EXPECT_EQ(snap.fullText(ms::kReport), " WAITING FOR TRIGGER");
  int beeps = windows.beeps();
  windows.advance(4000);
  EXPECT_EQ(windows.beeps(), beeps);  // the message once only
  // Two snapshot displays: the operator's count comes back when the last one closes.
  auto& second = open(kSnap, "MON_STACK");
  second.click(ms::kQuit);
  EXPECT_EQ(word(kPostTrigger), 11);
  snap.click(ms::kQuit);
  EXPECT_EQ(word(kPostTrigger), 20);
}

TEST_F(MonitorPageTest, ATorbBoxNeverClearsTheStack) {
  // Set the card up again as a TORB BOX.
  windows.queueAnswer(winsys::Answer::Yes);
  ASSERT_TRUE(menu(8));  // QUIT the mode
  std::string why;
  windows.menuCommand(5, why);
  auto* setupPage = windows.page("XARN_SETUP");
  ASSERT_NE(setupPage, nullptr);
  setupPage->click(35);  // CARD TYPE: TORB BOX
  setupPage->click(37);  // on serial port 1
  setupPage->click(1);
  ASSERT_EQ(card()->cardType, 2);
  ASSERT_TRUE(menu(kTopBusMon));
  loadAnyTrigger("10");
  xarnsim::resetCallCounts(card());
  ASSERT_TRUE(menu(kRun));
  auto& snap = open(kSnap, "MON_STACK");
  windows.advance(3000);
  snap.click(ms::kQuit);
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_ClrMonStackDLL"), 0u);
  EXPECT_GE(xarnsim::callCount(card(), "DUVEX_RunMonDLL"), 3u);
}

}  // namespace
