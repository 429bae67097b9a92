// The shell: top menu, mode entry and exit, the status line, the mode menu handlers.
#include <gtest/gtest.h>

#include "app/mode_menus.h"
#include "app/modes.h"
#include "station_fixture.h"

namespace {

using winsys::Answer;

constexpr int kLdbBct = 1, kBusMon = 3, kGdbBct = 10, kMdmMrt = 12;
constexpr int kSetup = 5, kEdit = 4, kHelp = 6, kCmnd = 9;

TEST(StatusText, ExactStateWordsOnly) {
  EXPECT_STREQ(app::statusText(0x9041), "GDB_BCT PASSIVE ");
  EXPECT_STREQ(app::statusText(0xA041), "GDB_BCT ACTIVE  ");
  EXPECT_STREQ(app::statusText(0x80FA), "LOCALWRAP PASSED");
  EXPECT_STREQ(app::statusText(0x0000), "UNDEFINED       ");
  for (uint32_t w = 0; w <= 0xFFFF; ++w) {
    ASSERT_EQ(std::string(app::statusText(static_cast<uint16_t>(w))).size(), 16u) << w;
  }
}

TEST_F(StationTest, ModesAndDebugPagesAreRefusedBeforeSetup) {
  start();
  for (int id : {kLdbBct, kGdbBct, kEdit, kCmnd}) {
    events.clear();
    ASSERT_TRUE(menu(id));
    EXPECT_EQ(events, std::vector<std::string>{"msgbox ERROR | Hardware not initialised -> ok"})
        << id;
  }
  EXPECT_EQ(windows.menu()->name, "TOP_MENU");
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_SetupDLL"), 0u);
  // SETUP, HELP and ABOUT work at any time; the blank item does nothing.
  events.clear();
  ASSERT_TRUE(menu(0));
  EXPECT_TRUE(events.empty());
  ASSERT_TRUE(menu(kHelp));
  EXPECT_EQ(events.back(), "help XARN.HLP");
  ASSERT_TRUE(menu(kSetup));
  ASSERT_TRUE(menu(kSetup));
  EXPECT_EQ(windows.openCount("XARN_SETUP"), 2);
  EXPECT_GE(windows.repaints(), 2);
}

TEST_F(StationTest, TorbBoxAllowsOnlyTheMonitorAndTheDebugPages) {
  start();
  station->settings().cardType = 2;
  setUpCard();
  EXPECT_EQ(station->card().cardType, 2);
  for (int id : {1, 2, 10, 11, 12}) {
    events.clear();
    ASSERT_TRUE(menu(id));
    EXPECT_EQ(events,
              std::vector<std::string>{"msgbox INVALID MODE | Invalid mode for Torb Box -> ok"});
  }
  ASSERT_TRUE(menu(kBusMon));
  EXPECT_EQ(windows.menu()->name, "BUS_MON_MENU");
}

TEST_F(StationTest, MonitorRunClearsTheStackOnlyOnAPciCard) {
  start();
  setUpCard();
  ASSERT_TRUE(menu(kBusMon));
  xarnsim::resetCallCounts(card());
  ASSERT_TRUE(menu(4));
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_ClrMonStackDLL"), 1u);
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_RunMonDLL"), 1u);
  card()->cardType = 2;
  ASSERT_TRUE(menu(4));
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_ClrMonStackDLL"), 1u);
  EXPECT_EQ(xarnsim::callCount(card(), "DUVEX_RunMonDLL"), 2u);
}

TEST_F(StationTest, ModeMenusRunAndHaltAndKnowTheirQuitCaptions) {
  start();
  setUpCard();
  ASSERT_TRUE(menu(kMdmMrt));
  ASSERT_TRUE(menu(4));  // RUN
  windows.advance(1000);
  EXPECT_EQ(windows.status(), "MDM_MRT RUNNING ");
  ASSERT_TRUE(menu(5));  // HALT
  windows.advance(1000);
  EXPECT_EQ(windows.status(), "MDM_MRT IDLE    ");
  EXPECT_EQ(app::runModeMenu(*station, app::Mode::MdmMrt, 42), 0);  // unknown ids do nothing
  events.clear();
  windows.queueAnswer(Answer::No);
  ASSERT_TRUE(menu(9));
  EXPECT_EQ(events.front(), "msgbox Quit MDM_MRT mode | Are you sure? -> no");
}

}  // namespace
