// The simulated global data bus with the card as bus controller, through the driver functions:
// tables written word by word take effect while running, entries the driver would refuse are
// never sent, and catch-ups over long stretches are prompt and give the same card as many short
// steps.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <vector>

#include "sim_fixture.h"
#include "xarndll/control.h"

namespace {

constexpr uint16_t kMeasure = 0x2000;
constexpr uint16_t kCommand = 0x1000;
constexpr uint16_t kTrigger = 0x5000;
constexpr uint16_t kUplink = 0xC000;
constexpr uint16_t kDownlink = 0xD000;
constexpr uint32_t kRunControl = 0x0100;

class GdbControllerTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    enterMode(&card, 4, setupRecord(0));
  }

  static GdbCommandRecord command(uint16_t rt, uint16_t channel, uint16_t data,
                                  uint16_t errorType = 0x0100, uint16_t size = 0) {
    GdbCommandRecord c{};
    c.rtAddress = rt;
    c.sync = 1;
    c.fixedWord3 = c.fixedWord4 = c.fixedWord5 = 1;
    c.errorType = errorType;
    c.sizePosition = size;
    c.channel = channel;
    c.dataValue = data;
    return c;
  }
  uint16_t write(uint16_t rate, uint16_t entry, uint16_t op, GdbCommandRecord c = {}) {
    return DUVEX_WrGdbTableDLL(&card, rate, entry, op, &c);
  }
  uint16_t insert(uint16_t priority, GdbCommandRecord c) {
    uint16_t& counter = priority ? counters.hi : counters.lo;
    return DUVEX_GdbQcmndDLL(&card, priority, &counter, &c);
  }
  void run(bool passive = false) {
    ASSERT_EQ(DUVEX_WrGdbBcModeDLL(&card, passive ? 0x8000 : 0), 0);
    ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  }
  // Every entry of a queue, oldest first (the card lists the newest first).
  std::vector<GdbQueueEntry> queue(uint16_t selector) {
    std::vector<GdbQueueEntry> entries;
    uint16_t position = 0;
    uint16_t end = 0;
    GdbQueueEntry e{};
    while (DUVEX_RdGdbUpDownQDLL(&card, selector, &position, &end, &e) == 0 && end == 0)
      entries.push_back(e);
    return {entries.rbegin(), entries.rend()};
  }
  uint32_t counter(uint32_t offset) {
    return xarnsim::peek(&card, kRunControl + offset) |
           static_cast<uint32_t>(xarnsim::peek(&card, kRunControl + offset + 2)) << 16;
  }

  GdbQueueCounters counters{};
};

TEST_F(GdbControllerTest, AHugeCatchUpIsPromptAndConsistent) {
  for (uint16_t i = 1; i <= 100; ++i) ASSERT_EQ(write(100, i, kMeasure, command(1, i, i)), 0);
  for (uint16_t i = 1; i <= 1000; ++i) ASSERT_EQ(write(10, i, kMeasure, command(2, i % 256, i)), 0);
  for (uint16_t i = 1; i <= 10000; ++i) ASSERT_EQ(write(1, i, kMeasure, command(3, i % 256, i)), 0);
  run();
  auto begin = std::chrono::steady_clock::now();
  now += kThirtyYears;
  EXPECT_EQ(state(), 0xA041);
  std::vector<GdbQueueEntry> up = queue(kUplink);
  auto took = std::chrono::steady_clock::now() - begin;
  EXPECT_LT(took, std::chrono::seconds(2));
  ASSERT_EQ(up.size(), 512u);
  // 30,000 transfers a second for 10^9 seconds, counted in 32 bits.
  EXPECT_EQ(counter(0), static_cast<uint32_t>(30'000ull * 1'000'000'000ull));
  // The newest entries are the last ones of a second: the end of the 1 Hz table's last slice.
  EXPECT_EQ(std::tuple(+up.back().tableRate, +up.back().index), std::tuple(1, 10000));
  EXPECT_EQ(queue(kDownlink).size(), 512u);
}

// Mostly TRIGGER slots (no time, no queue entry) among a few transfers: a catch-up ends exactly
// as if every slot had run, at no more cost than the queues can show.
TEST_F(GdbControllerTest, ALongCatchUpOverEmptySlotsGivesTheSameCardAsManySmallOnes) {
  auto run = [this](uint64_t step, uint64_t length) {
    restart();
    counters = {};
    enterMode(&card, 4, setupRecord(0));
    GdbCommandRecord plus{};
    plus.triggerPolarity = 1;
    for (uint16_t i = 1; i <= 100; ++i) EXPECT_EQ(write(100, i, kTrigger, plus), 0);
    for (uint16_t i = 1; i <= 1000; ++i) EXPECT_EQ(write(10, i, kTrigger), 0);
    for (uint16_t i = 1; i <= 10000; ++i) EXPECT_EQ(write(1, i, kTrigger, plus), 0);
    EXPECT_EQ(write(1, 7000, kMeasure, command(5, 5, 5)), 0);
    EXPECT_EQ(write(10, 300, kCommand), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(insert(1, command(6, 6, static_cast<uint16_t>(i))), 0);
    this->run();
    stepTo(length, step);
    // The run counters, the command queues, the uplink and downlink queues.
    return cardWords(&card, {{0x0100, 0x010C}, {0x0E00, 0x1200}, {0x119300, 0x121420}});
  };
  const uint64_t length = 3 * kSecond + 500 * kMilli;
  std::vector<uint16_t> often = run(997, length);
  expectSameWords(run(length, length), often);
  EXPECT_EQ(counter(0), 3u + 3u);  // one MEASURE a second, three queued commands

  // A day at once: millions of trigger slots between the transfers are only counted.
  now += 86400 * kSecond;
  EXPECT_EQ(state(), 0xA041);
  EXPECT_EQ(counter(0), 3u + 86403u);
  EXPECT_EQ(queue(kUplink).size(), 512u);
}

TEST_F(GdbControllerTest, TablesWrittenWordByWordTakeEffectWhileRunning) {
  run();
  now += kSecond;
  EXPECT_TRUE(queue(kUplink).empty());
  const uint16_t entry[] = {kMeasure, 42, 1, 1, 1, 1, 0, 0, 0x0100, 0, 7, 0x99, 0, 1};
  for (uint32_t i = 0; i < 14; ++i) wWDLL(&card, 0x0C2700 + 2 * i, entry[i]);
  now += kSecond;
  std::vector<GdbQueueEntry> up = queue(kUplink);
  ASSERT_EQ(up.size(), 100u);
  EXPECT_EQ(std::tuple(+up[0].rtAddress, +up[0].dataValue), std::tuple(42, 0x99));
  uint16_t op = 0;
  GdbCommandRecord back{};
  ASSERT_EQ(DUVEX_RdGdbTableDLL(&card, 100, 1, &op, &back), 0);
  EXPECT_EQ(back.channel, 7);
}

// Table entries and queued commands poked past what the driver accepts are skipped, not sent;
// the queued commands go oldest first and a refused one leaves the queue.
TEST_F(GdbControllerTest, EntriesTheDriverWouldRefuseAreNotSent) {
  struct Bad {
    uint16_t rt, channel, errorType;
  };
  const Bad bad[] = {{65535, 1, 0x0100}, {1, 65535, 0x0100}, {1, 1, 0x1234}};
  for (uint16_t i = 0; i < 3; ++i) {
    ASSERT_EQ(write(100, i + 1, kMeasure, command(1, 1, 1)), 0);
    uint32_t at = 0x0C2700 + 32 * i;
    wWDLL(&card, at + 2, bad[i].rt);
    wWDLL(&card, at + 20, bad[i].channel);
    wWDLL(&card, at + 16, bad[i].errorType);
    GdbCommandRecord c = command(bad[i].rt, bad[i].channel, 1, bad[i].errorType);
    EXPECT_EQ(write(100, 10, kMeasure, c), 251) << i;
  }
  ASSERT_EQ(write(100, 4, kMeasure, command(7, 7, 7)), 0);
  ASSERT_EQ(write(100, 5, kCommand), 0);
  ASSERT_EQ(insert(1, command(8, 8, 8)), 0);
  ASSERT_EQ(insert(1, command(9, 9, 9)), 0);
  wWDLL(&card, 0x0E20, 65535);  // the RT of the oldest queued command
  run();
  now += 15 * kMilli;
  std::vector<GdbQueueEntry> up = queue(kUplink);
  ASSERT_EQ(up.size(), 3u);
  EXPECT_EQ(std::tuple(+up[0].rtAddress, +up[1].rtAddress, +up[2].rtAddress), std::tuple(7, 9, 7));
  EXPECT_EQ(std::tuple(+up[1].source, counter(0)), std::tuple(0x8000, 3u));
  EXPECT_EQ(xarnsim::peek(&card, 0x0E00), 0);  // the refused command has left the queue
}

}  // namespace
