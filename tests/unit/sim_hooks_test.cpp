// One card per context, the simulator's test hooks (failures, counts, trace, forced state word,
// options, time source) and the defined answers to calls the card cannot serve.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_fixture.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;

class SimHooksTest : public SimTest {
 protected:
  void initInMode(uint16_t mode) {
    ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
    ASSERT_EQ(DUVEX_CommandDLL(&card, mode), 0);
  }
};

TEST_F(SimHooksTest, EachFreshContextGetsItsOwnFreshCard) {
  initInMode(2);
  ASSERT_EQ(wWDLL(&card, 0x0100, 0xAAAA), 0);
  uint64_t firstId = card.driverHandle;
  ASSERT_NE(firstId, 0u);

  CardContext other{};
  ASSERT_EQ(DUVEX_InitDLL(&other, 1, 1, 0), 0);
  EXPECT_NE(other.driverHandle, firstId);
  EXPECT_EQ(rWDLL(&other, 0x0100), 0);
  EXPECT_EQ(rWDLL(&card, 0x0100), 0xAAAA);
  uint64_t otherId = other.driverHandle;
  xarnsim::release(&other);
  EXPECT_EQ(other.driverHandle, 0u);

  xarnsim::release(&card);
  EXPECT_EQ(card.driverHandle, 0u);
  uint16_t word = 0;
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), xarnsim::kStatusNotInitialised);
  EXPECT_GT(card.driverHandle, otherId);  // ids are never reused
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  EXPECT_EQ(rWDLL(&card, 0x0100), 0);

  CardContext stale = card;  // a handle the registry no longer knows
  xarnsim::release(&card);
  EXPECT_EQ(DUVEX_RdStatusDLL(&stale, &word), xarnsim::kStatusNotInitialised);
  EXPECT_NE(stale.driverHandle, 0u);
  xarnsim::release(&stale);
}

TEST_F(SimHooksTest, FailedCallsReturnTheStatusAndDoNothingElse) {
  initInMode(1);
  EXPECT_FALSE(xarnsim::failNext(&card, "DUVEX_Nonsense", 5, 1));
  EXPECT_FALSE(xarnsim::knownFunction("DUVEX_Nonsense"));
  EXPECT_TRUE(xarnsim::knownFunction("DUVEX_RdMdmQDLL"));

  ASSERT_TRUE(xarnsim::failNext(&card, "DUVEX_CommandDLL", 77, 2));
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 77);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 77);
  EXPECT_EQ(state(), 0x0010);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x0011);

  ASSERT_TRUE(xarnsim::failNext(&card, "wWDLL", 9, 1));
  EXPECT_EQ(wWDLL(&card, 0x0200, 0x1234), 9);
  ASSERT_TRUE(xarnsim::failNext(&card, "rWDLL", 0xBEEF, 1));
  EXPECT_EQ(rWDLL(&card, 0x0200), 0xBEEF);  // the status comes back as the word
  EXPECT_EQ(rWDLL(&card, 0x0200), 0);       // and the write above never happened

  ASSERT_TRUE(xarnsim::failNext(&card, "DUVEX_RdStatusDLL", 3, 1));
  uint16_t word = 0x5555;
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), 3);
  EXPECT_EQ(word, 0x5555);

  ASSERT_TRUE(xarnsim::failNext(&card, "DUVEX_GetCardIDDLL", 4, 5));
  ASSERT_TRUE(xarnsim::failNext(&card, "DUVEX_GetCardIDDLL", 4, 0));  // cancelled
  CardIdRecord id{};
  EXPECT_EQ(DUVEX_GetCardIDDLL(&card, &id), 0);
}

TEST_F(SimHooksTest, CallCountsIncludeFailedCallsUntilReset) {
  initInMode(1);
  xarnsim::resetCallCounts(&card);
  xarnsim::failNext(&card, "rWDLL", 1, 1);
  for (uint32_t a = 0; a < 10; a += 2) rWDLL(&card, a);
  wWDLL(&card, 0x0100, 1);
  EXPECT_EQ(xarnsim::callCount(&card, "rWDLL"), 5u);
  EXPECT_EQ(xarnsim::callCount(&card, "wWDLL"), 1u);
  EXPECT_EQ(xarnsim::callCount(&card, "DUVEX_InitDLL"), 0u);
  EXPECT_EQ(xarnsim::callCount(&card, "nonsense"), 0u);
  xarnsim::resetCallCounts(&card);
  EXPECT_EQ(xarnsim::callCount(&card, "rWDLL"), 0u);
  rWDLL(nullptr, 0);  // reaches no card
  EXPECT_EQ(xarnsim::callCount(&card, "rWDLL"), 0u);
}

TEST_F(SimHooksTest, TraceShowsEachCallWithDecimalNumbersAndPointerMarks) {
  std::vector<std::string> lines;
  xarnsim::setTrace(&card, [&](const std::string& line) { lines.push_back(line); });
  DUVEX_InitDLL(&card, 1, 1, 0);
  wWDLL(&card, 0x20, 0x1234);
  rWDLL(&card, 0x20);
  uint16_t word = 0;
  DUVEX_RdStatusDLL(&card, &word);
  DUVEX_RdClockDLL(&card, nullptr);
  MonMsg entry{};
  DUVEX_RdMonMsgDLL(&card, -5, &entry);
  xarnsim::failNext(&card, "DUVEX_CommandDLL", 65535, 1);
  DUVEX_CommandDLL(&card, 13);
  xarnsim::setTrace(&card, {});
  DUVEX_CommandDLL(&card, 1);

  std::vector<std::string> expected{
      "DUVEX_InitDLL(card, 1, 1, 0) = 0",
      "wWDLL(card, 32, 4660) = 0",
      "rWDLL(card, 32) = 4660",
      "DUVEX_RdStatusDLL(card, &) = 0",
      "DUVEX_RdClockDLL(card, null) = 251",
      "DUVEX_RdMonMsgDLL(card, -5, &) = 252",
      "DUVEX_CommandDLL(card, 13) = 65535",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(SimHooksTest, ForcedStateWordOverridesTheCardUntilStopped) {
  xarnsim::forceStateWord(&card, 0x0141);
  uint16_t word = 0;
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), 0);  // even before initialisation
  EXPECT_EQ(word, 0x0141);
  initInMode(4);
  EXPECT_EQ(state(), 0x0141);
  EXPECT_EQ(rWDLL(&card, 0x0000), 0x0141);
  xarnsim::forceStateWord(&card, std::nullopt);
  EXPECT_EQ(state(), 0x0040);

  std::string error;
  ASSERT_TRUE(xarnsim::setOption(&card, "state-word", "a011", error)) << error;
  EXPECT_EQ(state(), 0xA011);
  ASSERT_TRUE(xarnsim::setOption(&card, "state-word", "off", error));
  EXPECT_EQ(state(), 0x0040);
}

TEST_F(SimHooksTest, OptionsRefuseUnknownNamesAndBadValues) {
  std::string error;
  EXPECT_FALSE(xarnsim::setOption(&card, "warp-drive", "1", error));
  EXPECT_NE(error.find("warp-drive"), std::string::npos);
  for (auto [name, value] : {std::pair<std::string, std::string>{"extended-channels", "2"},
                             {"extended-channels", ""},
                             {"state-word", "10000"},
                             {"state-word", "12G4"},
                             {"self-test-ms", "-1"},
                             {"self-test-ms", "3s"},
                             {"wrap-loop", "LOCAL"},
                             {"serial", "100000000"},
                             {"firmware-rev", "65536"}}) {
    error.clear();
    EXPECT_FALSE(xarnsim::setOption(&card, name, value, error)) << name << " " << value;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(card.extendedChannels, 0);
  ASSERT_TRUE(xarnsim::setOption(&card, "extended-channels", "1", error));
  EXPECT_EQ(card.extendedChannels, 1);  // at once, not only at the next initialisation

  std::string help(1, '\n');
  help += xarnsim::optionHelp();
  for (const char* name : {"extended-channels", "state-word", "self-test-ms", "firmware-ms",
                           "firmware-ack", "wrap-loop", "serial", "firmware-rev"})
    EXPECT_NE(help.find(std::string("\n") + name + " "), std::string::npos) << name;
}

TEST_F(SimHooksTest, CardTimeOnlyMovesForwardAcrossTimeSources) {
  now = 10 * kSecond;
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  now += 2 * kSecond;
  uint64_t restarted = 0;  // a new virtual clock starting again at zero
  xarnsim::setTimeSource(&card, [&] { return restarted; });
  TimeTag clock{};
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(clock.seconds, 2);
  restarted += kSecond;
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(clock.seconds, 3);
  now += 100 * kSecond;  // the old source no longer counts
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(clock.seconds, 3);

  xarnsim::setTimeSource(&card, {});  // the host's clock: moves on, never back
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(clock.seconds, 3);
  EXPECT_EQ(clock.minutes, 0);
}

// Every driver function passes the same call gate; one of each kind of answer stands for all.
TEST(SimNullContext, EveryCallWithoutAContextIsRefused) {
  constexpr uint16_t kBad = xarnsim::kStatusBadArgument;
  uint16_t word = 0x7777;
  EXPECT_EQ(DUVEX_InitDLL(nullptr, 1, 1, 0), kBad);
  EXPECT_EQ(DUVEX_RdStatusDLL(nullptr, &word), kBad);
  EXPECT_EQ(rWDLL(nullptr, 0x20), 0);
  EXPECT_EQ(wWDLL(nullptr, 0x20, 1), kBad);
  EXPECT_EQ(DUVEX_RdMsgDLL(nullptr, nullptr), kBad);
  EXPECT_EQ(DUVEX_RdMdmQDLL(nullptr, 1, nullptr, nullptr, nullptr), kBad);
  EXPECT_EQ(word, 0x7777);
  // The control API takes a null context as a no-op.
  xarnsim::setTrace(nullptr, [](const std::string&) {});
  xarnsim::forceStateWord(nullptr, 1);
  xarnsim::release(nullptr);
  EXPECT_FALSE(xarnsim::failNext(nullptr, "rWDLL", 1, 1));
  EXPECT_EQ(xarnsim::callCount(nullptr, "rWDLL"), 0u);
}

}  // namespace
