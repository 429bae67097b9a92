// The simulated global data bus with the card as terminals, through the driver functions: the
// terminal and channel records, hostile queue reads and the catch-up.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <vector>

#include "sim_fixture.h"
#include "xarndll/control.h"

namespace {

constexpr uint32_t kPool = 0x123500;

uint32_t word32(CardContext* card, uint32_t at) {
  return xarnsim::peek(card, at) | static_cast<uint32_t>(xarnsim::peek(card, at + 2)) << 16;
}

class GdbTerminalsTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    enterMode(&card, 5, setupRecord(0));
  }

  uint16_t terminal(uint16_t rt, bool enabled, uint16_t errorType = 0x0100, uint16_t size = 0) {
    GdbRtSimRecord r{};
    r.writeMarker = 0xFFFFFFFF;
    r.rtEnable = enabled ? 0x8000 : 0;
    r.errorType = errorType;
    r.sizePosition = size;
    r.unsolicitedSync = 1;
    r.unsolicitedRtAddress = 77;
    r.unsolicitedChannel = 78;
    r.unsolicitedDataValue = 0x7979;
    return DUVEX_WrGdbRtSimDLL(&card, rt, &r);
  }
  static GdbRtChanRecord channel() {
    GdbRtChanRecord c{};
    c.writeMarker = 0xFFFFFFFF;
    c.channelEnable = 1;
    c.responseRtAddress = 9;
    c.responseChannel = 10;
    c.responseDataValue = 0x1234;
    c.responseType = 0x0400;  // MEASUREMENT: answered once every four cycles
    return c;
  }
  uint16_t write(uint16_t rt, uint16_t number, GdbRtChanRecord c) {
    return DUVEX_WrGdbRtChanDLL(&card, rt, number, &c);
  }
  // Every entry of the RT queue, oldest first.
  std::vector<GdbRtQueueEntry> queue() {
    std::vector<GdbRtQueueEntry> entries;
    uint16_t index = 0;
    uint16_t end = 0;
    GdbRtQueueEntry e{};
    while (DUVEX_RdGdbRtQDLL(&card, &index, &end, &e) == 0 && end == 0) entries.push_back(e);
    return {entries.rbegin(), entries.rend()};  // the card lists the newest first
  }
  void runFor(uint64_t us) {
    ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
    now += us;
  }
};

TEST_F(GdbTerminalsTest, RecordsKeepWhatIsWrittenAndDefaultTheRest) {
  GdbRtSimRecord t{};
  t.writeMarker = 0x1234;
  ASSERT_EQ(DUVEX_RdGdbRtSimDLL(&card, 255, &t), 0);  // never written: injects nothing
  EXPECT_EQ(std::tuple(+t.rtEnable, +t.errorType), std::tuple(0, 0x0100));
  GdbRtChanRecord c{};
  c.responseTime = 99;
  ASSERT_EQ(DUVEX_RdGdbRtChanDLL(&card, 255, 255, &c), 0);
  EXPECT_EQ(std::tuple(+c.responseTime, +c.channelEnable), std::tuple(0, 0));

  ASSERT_EQ(terminal(255, true, 0x0040, 0x2A), 0);
  GdbRtChanRecord w = channel();
  w.notAndMask = 0xF00F;
  w.reserved = 0x5555;
  ASSERT_EQ(write(255, 255, w), 0);
  ASSERT_EQ(DUVEX_RdGdbRtSimDLL(&card, 255, &t), 0);
  EXPECT_EQ(std::tuple(+t.rtEnable, +t.sizePosition, +t.unsolicitedDataValue),
            std::tuple(0x8000, 0x2A, 0x7979));
  ASSERT_EQ(DUVEX_RdGdbRtChanDLL(&card, 255, 255, &c), 0);
  EXPECT_EQ(std::tuple(+c.notAndMask, +c.reserved, +c.responseType),
            std::tuple(0xF00F, 0x5555, 0x0400));

  // Numbers past the ranges, missing markers, unknown error types, null records, another mode.
  EXPECT_EQ(terminal(256, true), 251);
  EXPECT_EQ(terminal(1, true, 0x7777), 251);
  EXPECT_EQ(DUVEX_RdGdbRtSimDLL(&card, 256, &t), 251);
  EXPECT_EQ(write(256, 0, channel()), 251);
  EXPECT_EQ(write(0, 256, channel()), 251);
  EXPECT_EQ(DUVEX_RdGdbRtChanDLL(&card, 0, 40000, &c), 251);
  GdbRtChanRecord unmarked = channel();
  unmarked.writeMarker = 0;
  EXPECT_EQ(write(0, 0, unmarked), 251);
  EXPECT_EQ(DUVEX_RdGdbRtSimDLL(&card, 0, nullptr), 251);
  EXPECT_EQ(DUVEX_WrGdbRtChanDLL(&card, 0, 0, nullptr), 251);
  EXPECT_EQ(cardWords(&card, {{kPool + 32, kPool + 64}}), std::vector<uint16_t>(16, 0));
  ASSERT_EQ(DUVEX_CommandDLL(&card, 4), 0);
  EXPECT_EQ(DUVEX_RdGdbRtChanDLL(&card, 0, 0, &c), 252);
}

TEST_F(GdbTerminalsTest, QueueReadsRefuseHostileArgumentsAndAHugeCatchUpIsPrompt) {
  for (uint16_t rt = 0; rt < 256; ++rt) {
    ASSERT_EQ(terminal(rt, true), 0);
    for (uint16_t ch = 0; ch < 16; ++ch) ASSERT_EQ(write(rt, ch, channel()), 0);
  }
  auto begin = std::chrono::steady_clock::now();
  runFor(kThirtyYears);
  EXPECT_EQ(state(), 0x0051);
  std::vector<GdbRtQueueEntry> q = queue();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  EXPECT_EQ(q.size(), 1024u);
  GdbRtQueueEntry e{};
  uint16_t index = 5000;
  uint16_t end = 0;
  EXPECT_EQ(DUVEX_RdGdbRtQDLL(&card, &index, &end, &e), 0);
  EXPECT_EQ(std::tuple(+end, +index), std::tuple(1, 5000));
  end = 3;
  EXPECT_EQ(DUVEX_RdGdbRtQDLL(&card, &index, &end, &e), 251);
  EXPECT_EQ(DUVEX_RdGdbRtQDLL(&card, nullptr, &end, &e), 251);
  EXPECT_EQ(DUVEX_RdGdbRtQDLL(&card, &index, &end, nullptr), 251);
  end = 2;
  EXPECT_EQ(DUVEX_RdGdbRtQDLL(&card, &index, &end, &e), 0);
  EXPECT_TRUE(queue().empty());
  // The run's counters: the partner's commands and the answers (one in four: MEASUREMENT only).
  uint32_t polls = word32(&card, 0x0100);
  uint32_t answers = word32(&card, 0x0104);
  EXPECT_NE(polls, 0u);
  EXPECT_LE(std::abs(static_cast<int32_t>(4 * answers - polls)), 4 * 3 * 4096);
}

// A catch-up ends exactly as if every poll had run, through stretches with an empty pool.
TEST_F(GdbTerminalsTest, ALongCatchUpGivesTheSameQueueAsManySmallOnes) {
  auto run = [this](uint64_t step) {
    restart();
    enterMode(&card, 5, setupRecord(0));
    EXPECT_EQ(terminal(3, true, 0x0000), 0);
    EXPECT_EQ(terminal(4, true), 0);
    EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 0);
    stepTo(700 * kMilli, step);  // nothing to poll yet
    GdbRtChanRecord c = channel();
    c.responseType = 0;
    c.intermediateEnable = 1;
    c.responseTime = 300;
    EXPECT_EQ(write(3, 1, c), 0);
    EXPECT_EQ(write(4, 9, channel()), 0);
    stepTo(2100 * kMilli, step);
    GdbRtChanRecord defaults{};
    defaults.writeMarker = 0xFFFFFFFF;
    EXPECT_EQ(write(3, 1, defaults), 0);
    EXPECT_EQ(write(4, 9, defaults), 0);
    stepTo(2600 * kMilli, step);  // empty again
    EXPECT_EQ(write(4, 9, channel()), 0);
    stepTo(40 * kSecond, step);
    // The run counters and the RT queue.
    return cardWords(&card, {{0x0100, 0x0108}, {0x143500, 0x14B520}});
  };
  std::vector<uint16_t> often = run(997);
  expectSameWords(run(40 * kSecond), often);
  EXPECT_NE(word32(&card, 0x0100), 0u);
}

}  // namespace
