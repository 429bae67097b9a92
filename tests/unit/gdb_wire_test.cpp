// The global-bus engines on a shared bus, against a wire that stands for the other cards: the
// controller offers every transfer (a catch-up counts none of them) and takes a claiming card's
// answer, a passive card's twin and the terminals' partner step aside for another card's active
// controller, and a terminal answers another card's controller within that controller's wait.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "xarndll/sim/gdb/gdb_engine.h"
#include "xarndll/sim/memory_map.h"

namespace {

using namespace xarnsim;

constexpr uint16_t kModeBct = 4;
constexpr uint16_t kModeMrt = 5;
constexpr uint64_t kSecond = 1'000'000;

// The other cards: RT `claimedRt` belongs to one of them, which answers with `reply`.
class FakeWire final : public gdb::Wire {
 public:
  bool activeControllerElsewhere() override { return elsewhere; }
  bool partners() override { return partnersOn; }
  bool offer(const gdb::Request& request, gdb::Answer& answer) override {
    offered.push_back(request);
    if (request.rt != claimedRt) return false;
    answer = reply;
    return true;
  }
  void overhear(const gdb::Heard& h) override { heard.push_back(h); }

  bool elsewhere = false;
  bool partnersOn = true;
  int claimedRt = -1;
  gdb::Answer reply;
  std::vector<gdb::Request> offered;
  std::vector<gdb::Heard> heard;
};

GdbCommandRecord command(uint16_t rt, uint16_t channel, uint16_t data,
                         uint16_t errorType = gdb::kErrorNone) {
  GdbCommandRecord c{};
  c.rtAddress = rt;
  c.sync = 1;
  c.errorType = errorType;
  c.channel = channel;
  c.dataValue = data;
  return c;
}

struct Card {
  std::vector<uint16_t> words(const map::Region& region) const {
    std::vector<uint16_t> out(region.bytes() / 2);
    memory.readWords(region.base, out.data(), static_cast<uint32_t>(out.size()));
    return out;
  }
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

// A 100 Hz table of 100 MEASURE entries (RT 0..99): 10,000 transfers a second.
void fillTable(Card& card) {
  for (uint16_t i = 1; i <= 100; ++i) {
    ASSERT_EQ(card.engine.controller().writeTable(
                  100, i, gdb::kOpMeasure, command(static_cast<uint16_t>(i - 1), 3, i), false),
              0);
  }
}

TEST(GdbWireTest, OnTheBusEveryTransferIsOfferedAndTheQueuesEndAsOnACardAlone) {
  Card alone;
  Card onBus;
  FakeWire wire;
  onBus.engine.controller().attach(&wire);
  fillTable(alone);
  fillTable(onBus);
  for (Card* c : {&alone, &onBus}) c->engine.start(kModeBct, 0, 0);
  // One catch-up of a second: a card alone counts what its queues cannot hold any more.
  EXPECT_TRUE(alone.engine.advance(kSecond));
  EXPECT_TRUE(onBus.engine.advance(kSecond));
  ASSERT_EQ(std::tuple(wire.offered.size(), wire.heard.size()), std::tuple(10'000u, 10'000u));
  const gdb::Request& r = wire.offered[4321];
  EXPECT_EQ(std::tuple(+r.rt, +r.data, r.start),
            std::tuple(21, 22, gdb::micros(43 * 10'000 + 21 * 26)));
  // Nobody claims an RT: the invented partner answers, word for word as on a card alone.
  for (const map::Region* r :
       {&map::kGdbUplinkHeader, &map::kGdbUplink, &map::kGdbDownlinkHeader, &map::kGdbDownlink}) {
    EXPECT_EQ(alone.words(*r), onBus.words(*r)) << r->name;
  }
  for (Card* c : {&alone, &onBus})
    EXPECT_EQ(c->memory.read32(map::kRunControl.base + gdb::run::kTransfers), 10'000u);
  // The card holds the bus until it halts.
  EXPECT_TRUE(gdb::Controller::activeOnBus(onBus.memory) &&
              !gdb::Controller::activeOnBus(alone.memory));
  onBus.engine.stop();
  EXPECT_FALSE(gdb::Controller::activeOnBus(onBus.memory));
}

TEST(GdbWireTest, TheTwinAndThePartnerStepAsideForAnotherCardsController) {
  Card passive;
  FakeWire wire;
  passive.engine.controller().attach(&wire);
  fillTable(passive);
  passive.memory.write(map::kGdbBcMode.base, gdb::kPassiveBit);
  passive.engine.start(kModeBct, 0, 0);
  RingQueue uplink(passive.memory, map::kGdbUplinkHeader, map::kGdbUplink);
  wire.elsewhere = true;
  passive.engine.advance(kSecond);
  EXPECT_EQ(uplink.size(), 0u);
  // The twin's words are the card's own affair: nothing goes to the other cards.
  wire.elsewhere = false;
  passive.engine.advance(kSecond + 10'000);
  EXPECT_EQ(uplink.size(), 100u);
  EXPECT_TRUE(wire.offered.empty() && !gdb::Controller::activeOnBus(passive.memory));

  // What the card hears of another card's controller.
  gdb::Heard h{gdb::micros(kSecond + 20'000), gdb::kSourceHigh, 4, 1, 1, 0, 5, 3, 0xAA, {}};
  gdb::Controller::overhear(passive.memory, 0, h);
  uint32_t e = uplink.entryAddress(uplink.size() - 1);
  std::vector<uint16_t> entry;
  for (uint32_t offset : {gdb::udq::kSource, gdb::udq::kRate, gdb::udq::kIndex, gdb::udq::kData,
                          gdb::udq::kBus, gdb::udq::kTimeTag + 8})  // the last: milliseconds
    entry.push_back(passive.memory.read(e + offset));
  EXPECT_EQ(entry, (std::vector<uint16_t>{gdb::kSourceHigh, 0, 4, 0xAA, 1, 20}));

  Card terminals;
  terminals.engine.terminals().attach(&wire);
  enableChannel(terminals);
  terminals.engine.start(kModeMrt, 0, 0);
  RingQueue rtQueue(terminals.memory, map::kGdbRtQueueHeader, map::kGdbRtQueue);
  wire.elsewhere = true;
  terminals.engine.advance(kSecond);
  EXPECT_EQ(rtQueue.size(), 0u);
  wire.elsewhere = false;
  terminals.engine.advance(2 * kSecond);
  EXPECT_GT(rtQueue.size(), 0u);
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
