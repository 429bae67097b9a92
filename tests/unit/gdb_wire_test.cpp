// The global-bus terminals on a shared bus: a terminal answers another card's controller within
// that controller's wait.
#include <gtest/gtest.h>

#include <tuple>

#include "xarndll/sim/gdb/gdb_engine.h"
#include "xarndll/sim/memory_map.h"

namespace {

using namespace xarnsim;

constexpr uint64_t kSecond = 1'000'000;

struct Card {
  CardMemory memory;
  bool extended = false;
  gdb::Engine engine{memory, extended};
};

// Terminal 5 enabled, its channel 3 as `c` says.
void enableChannel(Card& card, GdbRtChanRecord c = {}) {
  GdbRtSimRecord rt{};
  rt.writeMarker = c.writeMarker = 0xFFFFFFFF;
  rt.rtEnable = gdb::kRtEnabled;
  rt.errorType = gdb::kErrorNone;
  c.channelEnable = 1;
  ASSERT_EQ(card.engine.terminals().writeRt(5, rt), 0);
  ASSERT_EQ(card.engine.terminals().writeChannel(5, 3, c, false), 0);
}

// A terminal answers another card's controller within that controller's 20 us wait.
TEST(GdbWireTest, ATerminalAnswersAnotherCardsControllerWithinItsWait) {
  Card card;
  auto& terminals = card.engine.terminals();
  GdbRtChanRecord c{};
  c.responseSync = 1;
  c.responseRtAddress = 7;
  c.responseChannel = 8;
  c.responseDataValue = 0x1234;
  c.notAndMask = 0x00F0;
  c.orMask = 0x8000;
  c.responseTime = 14;
  enableChannel(card, c);
  c.writeMarker = 0xFFFFFFFF;
  c.channelEnable = 1;
  RingQueue queue(card.memory, map::kGdbRtQueueHeader, map::kGdbRtQueue);
  auto field = [&](uint32_t back, uint32_t offset) {
    return card.memory.read(queue.entryAddress(queue.size() - 1 - back) + offset);
  };
  const Tick start = gdb::micros(kSecond);
  gdb::Answer a;
  // What a card on the bus does with the word: the claiming card takes it in.
  auto offer = [&](const gdb::Request& r) {
    uint32_t entry = gdb::Terminals::claim(card.memory, r.rt, r.channel);
    if (entry) gdb::Terminals::answer(card.memory, 0, entry, r, a);
    return entry != 0;
  };

  // The latest answer the controller takes: 4 + 2 + 14 us after its word's start.
  ASSERT_TRUE(offer(gdb::Request{start, 1, 5, 3, 0x400}));
  EXPECT_EQ(std::tuple(a.answered, a.at, +a.sync, +a.rt, +a.channel, +a.data),
            std::tuple(true, gdb::micros(20), 1, 7, 8, 0x9204));
  ASSERT_EQ(queue.size(), 2u);  // the time tag's microseconds
  EXPECT_EQ(std::tuple(field(1, gdb::rtq::kResponse), field(1, gdb::rtq::kData),
                       field(0, gdb::rtq::kTimeTag + 10)),
            std::tuple(14, 0x400, 20));

  // A microsecond later is too late: the terminal does not answer.
  c.responseTime = 15;
  ASSERT_EQ(terminals.writeChannel(5, 3, c, false), 0);
  ASSERT_TRUE(offer(gdb::Request{start, 1, 5, 3, 0x400}));
  EXPECT_FALSE(a.answered);
  ASSERT_EQ(queue.size(), 3u);
  EXPECT_EQ(field(0, gdb::rtq::kResponse), gdb::kNoResponse);

  // With an intermediate word first the terminal answers late, but the controller has gone.
  c.intermediateEnable = 1;
  c.responseTime = 30;
  ASSERT_EQ(terminals.writeChannel(5, 3, c, false), 0);
  ASSERT_TRUE(offer(gdb::Request{start, 1, 5, 3, 0x400}));
  EXPECT_FALSE(a.answered);
  ASSERT_EQ(queue.size(), 6u);
  EXPECT_EQ(field(0, gdb::rtq::kKind), gdb::kWordResponse);

  // A data-sync word delivers data and asks nothing; a request kind the response type does not
  // take (DISCRETE) goes unanswered.
  ASSERT_TRUE(offer(gdb::Request{start, 0, 5, 3, 0xAA}));
  EXPECT_FALSE(a.answered);
  EXPECT_EQ(std::tuple(field(0, gdb::rtq::kSync), field(0, gdb::rtq::kData)), std::tuple(0, 0xAA));
  ASSERT_TRUE(offer(gdb::Request{start, 1, 5, 3, 0x200}));
  EXPECT_FALSE(a.answered);
  EXPECT_EQ(queue.size(), 8u);

  // Another card's terminal answers too: every word this one sends collides.
  gdb::Request both{start, 1, 5, 3, 0x400};
  both.clash = true;
  ASSERT_TRUE(offer(both));
  ASSERT_EQ(queue.size(), 11u);
  EXPECT_EQ(std::tuple(field(2, gdb::rtq::kErrors), field(1, gdb::rtq::kErrors),
                       field(0, gdb::rtq::kErrors)),
            std::tuple(0, ldb::kErrMn, ldb::kErrMn));
  // Six polls; three answers, each too late for the controller but the first.
  EXPECT_EQ(std::tuple(card.memory.read32(map::kRunControl.base + gdb::run::kPolls),
                       card.memory.read32(map::kRunControl.base + gdb::run::kAnswers)),
            std::tuple(6u, 3u));

  // Not claimed: another channel, another RT, the RT disabled.
  EXPECT_FALSE(offer(gdb::Request{start, 1, 5, 4, 0}));
  EXPECT_FALSE(offer(gdb::Request{start, 1, 6, 3, 0}));
  GdbRtSimRecord off{};
  off.writeMarker = 0xFFFFFFFF;
  off.errorType = gdb::kErrorNone;
  ASSERT_EQ(terminals.writeRt(5, off), 0);
  EXPECT_FALSE(offer(gdb::Request{start, 1, 5, 3, 0}));
  EXPECT_EQ(queue.size(), 11u);
}

}  // namespace
