// Releasing simulated cards: a program that makes many contexts frees each card with
// DUVEX_CloseDLL, a closed context answers as a new one, and the station frees its card when it
// goes.
#include <gtest/gtest.h>

#include "card/xarndll.h"
#include "station_fixture.h"
#include "xarndll/control.h"

namespace {

TEST(CardRelease, EachClosedContextFreesItsCard) {
  const size_t before = xarnsim::cardCount();
  for (int i = 0; i < 1000; ++i) {
    CardContext context{};
    uint16_t word = 0;
    ASSERT_EQ(DUVEX_RdStatusDLL(&context, &word), xarnsim::kStatusNotInitialised);
    ASSERT_EQ(xarnsim::cardCount(), before + 1);
    ASSERT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);
    ASSERT_EQ(context.driverHandle, 0u);
  }
  EXPECT_EQ(xarnsim::cardCount(), before);
}

TEST(CardRelease, AClosedContextAnswersAsANewOneAndClosingAgainIsHarmless) {
  const size_t before = xarnsim::cardCount();
  CardContext context{};
  ASSERT_EQ(DUVEX_InitDLL(&context, 1, 1, 0), 0);
  ASSERT_EQ(wWDLL(&context, 0x0100, 0xAAAA), 0);
  const CardContext copy = context;
  EXPECT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);
  EXPECT_EQ(xarnsim::cardCount(), before);
  // Closed twice, or a copy of a closed context: nothing left to free, and no harm done.
  EXPECT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);
  CardContext stale = copy;
  EXPECT_EQ(DUVEX_CloseDLL(&stale), xarnsim::kStatusOk);
  EXPECT_EQ(DUVEX_CloseDLL(nullptr), xarnsim::kStatusBadArgument);
  EXPECT_EQ(xarnsim::cardCount(), before);

  // Used again: a card that has not been initialised, then a fresh one with cleared memory.
  uint16_t word = 0;
  EXPECT_EQ(DUVEX_RdStatusDLL(&context, &word), xarnsim::kStatusNotInitialised);
  EXPECT_EQ(DUVEX_CommandDLL(&context, 10), xarnsim::kStatusNotInitialised);
  EXPECT_EQ(rWDLL(&context, 0x0100), 0);
  ASSERT_EQ(DUVEX_InitDLL(&context, 1, 1, 0), 0);
  EXPECT_EQ(rWDLL(&context, 0x0100), 0);
  EXPECT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);
  EXPECT_EQ(xarnsim::cardCount(), before);
}

class StationCardRelease : public StationTest {};

TEST_F(StationCardRelease, TheStationFreesItsCardWhenItGoes) {
  const size_t before = xarnsim::cardCount();
  start();
  setUpCard();
  EXPECT_EQ(xarnsim::cardCount(), before + 1);
  station.reset();
  EXPECT_EQ(xarnsim::cardCount(), before);
}

}  // namespace
