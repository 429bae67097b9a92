// The simulated global data bus with the card as terminals, through the driver functions: the
// terminal and channel records, the channel pool, the partner controller's polls, the answers
// (masks, response times, types, unsolicited words, errors) and the RT queue.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "sim_fixture.h"
#include "xarndll/control.h"

namespace {

constexpr uint16_t kNoResponse = 0xFFFF;
constexpr uint32_t kQueueEntries = 0x143520;
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
  // What the card keeps of entry i beside the six words: what it was, and its time in us.
  uint16_t kind(int i) { return xarnsim::peek(&card, kQueueEntries + 32 * i + 12); }
  uint64_t micros(int i) {
    uint32_t at = kQueueEntries + 32 * i + 14;
    uint64_t seconds = xarnsim::peek(&card, at + 6) + 60 * xarnsim::peek(&card, at + 4);
    return seconds * kSecond + xarnsim::peek(&card, at + 8) * kMilli +
           xarnsim::peek(&card, at + 10);
  }
  void clearQueue() {
    uint16_t index = 0;
    uint16_t clear = 2;
    GdbRtQueueEntry e{};
    ASSERT_EQ(DUVEX_RdGdbRtQDLL(&card, &index, &clear, &e), 0);
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

TEST_F(GdbTerminalsTest, AFullPoolRefusesCleanlyAndDefaultsFreeEntries) {
  for (uint16_t rt = 0; rt < 256; ++rt) {
    for (uint16_t ch = 0; ch < 16; ++ch) ASSERT_EQ(write(rt, ch, channel()), 0) << rt << " " << ch;
  }
  std::vector<uint16_t> before = cardWords(&card, {{kPool, kPool + 4096}});
  EXPECT_EQ(write(0, 16, channel()), 248);
  expectSameWords(before, cardWords(&card, {{kPool, kPool + 4096}}));
  GdbRtChanRecord c{};
  ASSERT_EQ(DUVEX_RdGdbRtChanDLL(&card, 0, 16, &c), 0);
  EXPECT_EQ(c.channelEnable, 0);
  // Rewriting a channel that has an entry needs no room.
  GdbRtChanRecord changed = channel();
  changed.orMask = 1;
  EXPECT_EQ(write(3, 3, changed), 0);
  // Writing a channel back to its defaults frees its entry for another.
  GdbRtChanRecord defaults{};
  defaults.writeMarker = 0xFFFFFFFF;
  EXPECT_EQ(write(5, 5, defaults), 0);
  EXPECT_EQ(write(0, 16, channel()), 0);
  EXPECT_EQ(write(0, 17, channel()), 248);
}

TEST_F(GdbTerminalsTest, ADisabledTerminalOrChannelNeverAnswers) {
  ASSERT_EQ(terminal(5, false), 0);
  ASSERT_EQ(write(5, 3, channel()), 0);
  ASSERT_EQ(terminal(6, true), 0);
  GdbRtChanRecord off = channel();
  off.channelEnable = 0;
  ASSERT_EQ(write(6, 4, off), 0);
  runFor(2 * kSecond);
  std::vector<GdbRtQueueEntry> entries = queue();  // two channels, 20 polls each, no answer
  EXPECT_EQ(column(entries, &GdbRtQueueEntry::response), Column(40, kNoResponse));
  EXPECT_EQ(column(entries, &GdbRtQueueEntry::sync), Column(40, 1));
  EXPECT_EQ(std::tuple(+entries[0].rtAddress, +entries[1].rtAddress), std::tuple(5, 6));
}

TEST_F(GdbTerminalsTest, ResponseTimeIntermediateAndUnsolicitedWords) {
  ASSERT_EQ(terminal(2, true, 0x0000), 0);  // parity in every word the terminal sends
  GdbRtChanRecord c = channel();
  c.responseType = 0;
  c.responseTime = 30;
  c.unsolicitedEnable = 1;
  ASSERT_EQ(write(2, 1, c), 0);
  runFor(50 * kMilli);
  std::vector<GdbRtQueueEntry> q = queue();  // the partner's command is clean
  EXPECT_EQ(column(q, &GdbRtQueueEntry::response), (Column{30, 30, 0}));
  EXPECT_EQ(column(q, &GdbRtQueueEntry::errors), (Column{0, 0x8, 0x8}));
  // The answer after 4 us of command, 2 us turnaround and 30 us; the unsolicited word 6 us on.
  EXPECT_EQ(std::tuple(micros(1) - micros(0), micros(2) - micros(1), kind(2)),
            std::tuple(36u, 6u, 3));
  EXPECT_EQ(std::tuple(+q[2].rtAddress, +q[2].dataValue, +q[2].sync), std::tuple(77, 0x7979, 1));

  // Later than the partner's 100 us timeout: no answer, unless an intermediate word holds on.
  c.unsolicitedEnable = 0;
  c.responseTime = 500;
  ASSERT_EQ(write(2, 1, c), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 11), 0);
  clearQueue();
  runFor(50 * kMilli);
  EXPECT_EQ(column(queue(), &GdbRtQueueEntry::response), Column{kNoResponse});
  c.intermediateEnable = 1;
  ASSERT_EQ(write(2, 1, c), 0);  // a new poll cycle starts at once
  now += 50 * kMilli;
  q = queue();
  ASSERT_EQ(q.size(), 4u);
  EXPECT_EQ(std::tuple(kind(2), +q[2].dataValue, +q[3].dataValue), std::tuple(2, 0, 0x1234));
  EXPECT_EQ(std::tuple(micros(2) - micros(1), micros(3) - micros(1)), std::tuple(6u, 506u));
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

// Pool entries the driver would refuse (RT past 255, channel past the limit) are not polled.
TEST_F(GdbTerminalsTest, PoolEntriesTheDriverWouldRefuseAreNotPolled) {
  ASSERT_EQ(terminal(44, false), 0);  // every poll unanswered: one entry each
  for (uint16_t ch : {1, 2, 3}) ASSERT_EQ(write(44, ch, channel()), 0);
  wWDLL(&card, kPool + 2, 300);       // entry 0: RT 300
  wWDLL(&card, kPool + 32 + 4, 300);  // entry 1: channel 300 on a card limited to 255
  runFor(kSecond);
  std::vector<GdbRtQueueEntry> q = queue();
  EXPECT_EQ(column(q, &GdbRtQueueEntry::rtAddress), Column(10, 44));
  EXPECT_EQ(column(q, &GdbRtQueueEntry::channel), Column(10, 3));
  GdbRtChanRecord c{};
  EXPECT_EQ(DUVEX_RdGdbRtChanDLL(&card, 300, 1, &c), 251);
  EXPECT_EQ(DUVEX_RdGdbRtChanDLL(&card, 44, 300, &c), 251);

  // With extended channels, channel 300 is the card's to poll.
  std::string error;
  ASSERT_TRUE(xarnsim::setOption(&card, "extended-channels", "1", error));
  clearQueue();
  wWDLL(&card, kPool + 64 + 6, 0);  // a change: the partner starts a new cycle
  now += 100 * kMilli;
  EXPECT_EQ(column(queue(), &GdbRtQueueEntry::channel), (Column{3, 300}));
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
