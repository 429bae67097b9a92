// The simulated card through the driver functions: the wrap test, the monitor's calls, the event
// queue, the trace, the options and calls without a context.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sim_fixture.h"
#include "station_fixture.h"
#include "xarndll/sim/event_queue.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/sim/ring_queue.h"

namespace {

namespace map = xarnsim::map;
constexpr uint16_t kBad = xarnsim::kStatusBadArgument;

class SimCardTest : public SimTest {
 protected:
  void initAndSetup(uint16_t mode) {
    SetupRecord setup = validSetup();
    enterMode(&card, mode, setup);
  }
  static SetupRecord validSetup() {
    SetupRecord setup{};
    setup.marker = 0xFFFFFFFF;
    setup.wordSize = 0x8000;
    setup.interWordTxGap = 11;
    setup.constant0203 = 0x0203;
    setup.txPrimary = 0x0008;
    setup.clockMode = 0x8000;
    return setup;
  }
  bool option(const char* name, const char* value) {
    std::string error;
    return xarnsim::setOption(&card, name, value, error);
  }
};

TEST_F(SimCardTest, WrapTestReturnsTheDataWordThroughTheLoop) {
  initAndSetup(1);
  ASSERT_EQ(wWDLL(&card, 0x0048, 0xBFAB), 0);  // sync, data 23..16 and stray bits
  ASSERT_EQ(wWDLL(&card, 0x004A, 0xCDEF), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 14), 0);
  EXPECT_EQ(state(), 0x800A);
  // Bit 14 was clear: DATA sync. The sent word is left as written.
  expectWords(&card, {{0x004C, 0x00AB}, {0x004E, 0xCDEF}, {0x0048, 0xBFAB}});

  ASSERT_TRUE(option("wrap-loop", "local"));
  ASSERT_EQ(wWDLL(&card, 0x0048, 0x4012), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 14), 0);
  EXPECT_EQ(state(), 0x80FA);
  EXPECT_EQ(rWDLL(&card, 0x004C), 0x4012);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 1), 0);
  EXPECT_EQ(state(), 0x0010);
}

// The monitor's calls refuse other modes; clearing the stack clears only the stack.
TEST_F(SimCardTest, MonitorCallsBelongToBusMonitorMode) {
  initAndSetup(1);
  EXPECT_EQ(DUVEX_ClrMonStackDLL(&card), xarnsim::kStatusWrongMode);
  EXPECT_EQ(DUVEX_RunMonDLL(&card), xarnsim::kStatusWrongMode);
  EXPECT_EQ(state(), 0x0010);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 3), 0);
  for (uint32_t a : {0x082600u, 0x082620u, 0x0C261Eu}) ASSERT_EQ(wWDLL(&card, a, 0x1111), 0);
  ASSERT_EQ(wWDLL(&card, 0x0C2620, 0x2222), 0);  // past the stack
  ASSERT_EQ(DUVEX_ClrMonStackDLL(&card), 0);
  for (uint32_t a : {0x082600u, 0x082620u, 0x0C261Eu}) EXPECT_EQ(rWDLL(&card, a), 0) << a;
  EXPECT_EQ(rWDLL(&card, 0x0C2620), 0x2222);
  ASSERT_EQ(DUVEX_RunMonDLL(&card), 0);
  EXPECT_EQ(state(), 0x0031);
}

// ---- The event queue

TEST(SimEventQueue, RunsDueEventsInTimeThenScheduleOrder) {
  xarnsim::EventQueue events;
  std::string order;
  uint64_t now = 0;
  events.schedule(20, [&] { order += 'c'; });
  events.schedule(10, [&] { order += 'a'; });
  auto cancelled = events.schedule(10, [&] { order += 'x'; });
  events.schedule(10, [&] {
    order += 'b';
    events.schedule(now + 5, [&] { order += 'd'; });   // due at 15, inside this run
    events.schedule(now + 50, [&] { order += 'e'; });  // due at 60, later
  });
  EXPECT_TRUE(events.cancel(cancelled) && !events.cancel(cancelled));
  events.runUntil(20, [&](uint64_t due) {
    EXPECT_GE(due, now);
    now = due;
  });
  EXPECT_EQ(order, "abdc");
  EXPECT_EQ(events.nextDue(), 60u);
}

// ---- Test hooks

TEST_F(SimCardTest, TraceShowsEachCallWithDecimalNumbersAndPointerMarks) {
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
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "DUVEX_InitDLL(card, 1, 1, 0) = 0", "wWDLL(card, 32, 4660) = 0",
                       "rWDLL(card, 32) = 4660", "DUVEX_RdStatusDLL(card, &) = 0",
                       "DUVEX_RdClockDLL(card, null) = 251", "DUVEX_RdMonMsgDLL(card, -5, &) = 252",
                       "DUVEX_CommandDLL(card, 13) = 65535"}));
}

TEST_F(SimCardTest, OptionsRefuseUnknownNamesAndBadValues) {
  std::string error;
  EXPECT_FALSE(xarnsim::setOption(&card, "warp-drive", "1", error));
  EXPECT_NE(error.find("warp-drive"), std::string::npos);
  const std::pair<const char*, const char*> kBadOptions[] = {
      {"extended-channels", "2"}, {"extended-channels", ""}, {"state-word", "10000"},
      {"state-word", "12G4"},     {"self-test-ms", "-1"},    {"self-test-ms", "3s"},
      {"wrap-loop", "LOCAL"},     {"serial", "100000000"},   {"firmware-rev", "65536"}};
  for (auto [name, value] : kBadOptions) {
    error.clear();
    EXPECT_FALSE(xarnsim::setOption(&card, name, value, error)) << name << " " << value;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(card.extendedChannels, 0);
  ASSERT_TRUE(option("extended-channels", "1"));
  EXPECT_EQ(card.extendedChannels, 1);  // at once, not only at the next initialisation
  std::string help = "\n" + xarnsim::optionHelp();
  for (const char* name : {"extended-channels", "state-word", "self-test-ms", "firmware-ms",
                           "firmware-ack", "wrap-loop", "serial", "firmware-rev"})
    EXPECT_NE(help.find(std::string("\n") + name + " "), std::string::npos) << name;
}

// Every driver function passes the same call gate; one of each kind of answer stands for all.
TEST(SimNullContext, EveryCallWithoutAContextIsRefused) {
  uint16_t word = 0x7777;
  EXPECT_EQ(
      std::tuple(DUVEX_InitDLL(nullptr, 1, 1, 0), DUVEX_RdStatusDLL(nullptr, &word),
                 rWDLL(nullptr, 0x20), wWDLL(nullptr, 0x20, 1), DUVEX_RdMsgDLL(nullptr, nullptr),
                 DUVEX_RdMdmQDLL(nullptr, 1, nullptr, nullptr, nullptr)),
      std::tuple(kBad, kBad, 0, kBad, kBad, kBad));
  EXPECT_EQ(word, 0x7777);
  // The control API takes a null context as a no-op.
  xarnsim::setTrace(nullptr, [](const std::string&) {});
  xarnsim::forceStateWord(nullptr, 1);
  xarnsim::release(nullptr);
  EXPECT_FALSE(xarnsim::failNext(nullptr, "rWDLL", 1, 1));
  EXPECT_EQ(xarnsim::callCount(nullptr, "rWDLL"), 0u);
}

}  // namespace
