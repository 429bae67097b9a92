// The shell with a TORB box: which modes it allows, and the monitor's RUN on a PCI card.
#include <gtest/gtest.h>

#include "station_fixture.h"

namespace {

constexpr int kBusMon = 3;

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

}  // namespace
