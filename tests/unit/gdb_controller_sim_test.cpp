// The simulated global data bus with the card as bus controller, through the driver functions:
// the rate tables, the command queues, the walk of the tables, the partner terminals, passive
// mode, the uplink and downlink queues and a catch-up over a long stretch.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <tuple>
#include <vector>

#include "sim_fixture.h"
#include "xarndll/control.h"

namespace {

constexpr uint16_t kMeasure = 0x2000;
constexpr uint16_t kCommand = 0x1000;
constexpr uint16_t kSwitch = 0x3000;
constexpr uint16_t kEnd = 0x4000;
constexpr uint16_t kTrigger = 0x5000;
constexpr uint16_t kHalt = 0x6000;
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
  void clearQueue(uint16_t selector) {
    uint16_t position = 0;
    uint16_t clear = 2;
    GdbQueueEntry e{};
    ASSERT_EQ(DUVEX_RdGdbUpDownQDLL(&card, selector, &position, &clear, &e), 0);
  }
  uint32_t counter(uint32_t offset) {
    return xarnsim::peek(&card, kRunControl + offset) |
           static_cast<uint32_t>(xarnsim::peek(&card, kRunControl + offset + 2)) << 16;
  }

  GdbQueueCounters counters{};
};

TEST_F(GdbControllerTest, TablesKeepEntriesAndRefuseNumbersPastTheirEnd) {
  EXPECT_EQ(write(1, 10000, kMeasure, command(255, 0xFF, 0xBEEF, 0x0040, 0x2A)), 0);
  uint16_t op = 0;
  GdbCommandRecord back{};
  ASSERT_EQ(DUVEX_RdGdbTableDLL(&card, 1, 10000, &op, &back), 0);
  EXPECT_EQ(std::tuple(+op, +back.rtAddress, +back.errorType, +back.sizePosition, +back.dataValue),
            std::tuple(kMeasure, 255, 0x0040, 0x2A, 0xBEEF));

  // An entry never written: NOOP, no error injection.
  ASSERT_EQ(DUVEX_RdGdbTableDLL(&card, 100, 7, &op, &back), 0);
  EXPECT_EQ(std::tuple(+op, +back.errorType), std::tuple(0, 0x0100));

  // Numbers past each table's end, entry 0, an unknown rate: refused, nothing written.
  struct Bad {
    uint16_t rate, entry;
  };
  for (Bad b :
       {Bad{100, 101}, Bad{10, 1001}, Bad{1, 10001}, Bad{100, 0}, Bad{5, 1}, Bad{1, 65535}}) {
    EXPECT_EQ(write(b.rate, b.entry, kMeasure, command(1, 1, 1)), 251) << b.rate << " " << b.entry;
    op = 0x7777;
    EXPECT_EQ(DUVEX_RdGdbTableDLL(&card, b.rate, b.entry, &op, &back), 251);
    EXPECT_EQ(op, 0x7777);  // untouched
  }
  // Operations and commands the bus cannot carry.
  EXPECT_EQ(write(100, 1, 0x7000), 251);
  EXPECT_EQ(write(100, 1, kMeasure, command(256, 1, 1)), 251);
  EXPECT_EQ(write(100, 1, kMeasure, command(1, 256, 1)), 251);
  EXPECT_EQ(write(100, 1, kMeasure, command(1, 1, 1, 0x1234)), 251);
  ASSERT_EQ(DUVEX_RdGdbTableDLL(&card, 100, 1, &op, &back), 0);
  EXPECT_EQ(op, 0);
  // Null records and the wrong mode.
  EXPECT_EQ(DUVEX_RdGdbTableDLL(&card, 100, 1, nullptr, &back), 251);
  EXPECT_EQ(DUVEX_RdGdbTableDLL(&card, 100, 1, &op, nullptr), 251);
  EXPECT_EQ(DUVEX_WrGdbTableDLL(&card, 100, 1, kMeasure, nullptr), 251);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 5), 0);
  EXPECT_EQ(DUVEX_RdGdbTableDLL(&card, 100, 1, &op, &back), 252);
}

TEST_F(GdbControllerTest, AFullCommandQueueRefusesAndCountsNothing) {
  for (int i = 0; i < 30; ++i) ASSERT_EQ(insert(1, command(1, 1, static_cast<uint16_t>(i))), 0);
  EXPECT_EQ(insert(1, command(1, 1, 99)), 248);
  EXPECT_EQ(+counters.hi, 30);                // not counted
  EXPECT_EQ(insert(0, command(1, 1, 1)), 0);  // the other queue has room
  EXPECT_EQ(insert(2, command(1, 1, 1)), 251);
  EXPECT_EQ(insert(1, command(300, 1, 1)), 251);
  GdbCommandRecord c = command(1, 1, 1);
  EXPECT_EQ(DUVEX_GdbQcmndDLL(&card, 1, nullptr, &c), 251);
  EXPECT_EQ(DUVEX_GdbQcmndDLL(&card, 1, &counters.hi, nullptr), 251);
}

TEST_F(GdbControllerTest, ZeroingTheCommandQueueWordsEmptiesThemEvenWhileRunning) {
  ASSERT_EQ(write(1, 1, kCommand), 0);  // one command a second
  for (int i = 0; i < 5; ++i) ASSERT_EQ(insert(1, command(1, 1, 1)), 0);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(insert(0, command(1, 1, 2)), 0);
  run();
  now += 1500 * kMilli;
  ASSERT_EQ(queue(kUplink).size(), 2u);
  // What the menu's HALT does after the halt command, here with the controller still running.
  for (uint32_t a = 0x0E00; a <= 0x11FE; a += 2) wWDLL(&card, a, 0);
  now += 10 * kSecond;
  EXPECT_EQ(queue(kUplink).size(), 2u);
  ASSERT_EQ(insert(0, command(9, 9, 9)), 0);
  now += kSecond;
  EXPECT_EQ(column(queue(kUplink), &GdbQueueEntry::rtAddress), (Column{1, 1, 9}));
}

// The partner runs the card's tables: it stops at their HALT entry, and the bus falls silent
// while the card listens on. Turned active, the card is the controller and halts there itself.
TEST_F(GdbControllerTest, ThePassiveCardsPartnerHaltsWhereTheTablesSay) {
  ASSERT_EQ(write(100, 1, kMeasure, command(4, 4, 4)), 0);
  ASSERT_EQ(write(10, 500, kHalt), 0);
  run(true);
  now += 3 * kSecond;
  EXPECT_EQ(state(), 0x9041);
  // Halted in the fifth minor frame, after its 100 Hz pass.
  EXPECT_EQ(std::tuple(queue(kUplink).size(), counter(0)), std::tuple(5u, 5u));
  ASSERT_EQ(DUVEX_WrGdbBcModeDLL(&card, 0), 0);
  now += 2 * kSecond;
  EXPECT_EQ(state(), 0x0040);
  EXPECT_EQ(counter(0), 10u);  // minor frames 0 to 4 of the next second
}

// Injections are the controller's: passive, the card hears the partner's clean words, answered.
TEST_F(GdbControllerTest, APassiveCardHearsNoneOfItsOwnInjections) {
  ASSERT_EQ(write(100, 1, kMeasure, command(1, 1, 1, 0x0000)), 0);        // parity
  ASSERT_EQ(write(100, 2, kMeasure, command(2, 2, 2, 0x00C0, 40)), 0);    // 40 bits: short
  ASSERT_EQ(write(100, 3, kMeasure, command(3, 3, 3, 0x0040, 0x07)), 0);  // data sync pattern
  run(true);
  now += 5 * kMilli;
  std::vector<GdbQueueEntry> up = queue(kUplink);
  std::vector<GdbQueueEntry> down = queue(kDownlink);
  EXPECT_EQ(column(up, &GdbQueueEntry::errorFlags), Column(3, 0));
  EXPECT_EQ(column(up, &GdbQueueEntry::sync), Column(3, 1));
  EXPECT_EQ(column(down, &GdbQueueEntry::noResponse), Column(3, 0));
  // Active, the same entries carry their errors and go unanswered.
  ASSERT_EQ(DUVEX_WrGdbBcModeDLL(&card, 0), 0);
  now += 10 * kMilli;
  EXPECT_EQ(column(queue(kUplink), &GdbQueueEntry::errorFlags), (Column{0, 0, 0, 0x8, 0x1, 0x10}));
  ASSERT_GE(queue(kDownlink).size(), 4u);
  EXPECT_EQ(queue(kDownlink)[3].noResponse, 1);
}

// Entries and queued commands poked into card memory that the driver would refuse are not sent.
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
  EXPECT_EQ(column(up, &GdbQueueEntry::rtAddress), (Column{7, 9, 7}));
  EXPECT_EQ(std::tuple(+up[1].source, counter(0)), std::tuple(0x8000, 3u));
  EXPECT_EQ(xarnsim::peek(&card, 0x0E00), 0);  // the refused command has left the queue
}

TEST_F(GdbControllerTest, TriggerSwitchEndAndHaltEntries) {
  GdbCommandRecord plus{};
  plus.triggerPolarity = 1;
  ASSERT_EQ(write(100, 1, kTrigger, plus), 0);
  ASSERT_EQ(write(100, 2, kMeasure, command(1, 1, 1)), 0);
  ASSERT_EQ(write(100, 3, kSwitch), 0);
  ASSERT_EQ(write(100, 4, kMeasure, command(2, 2, 2)), 0);
  ASSERT_EQ(write(100, 5, kEnd), 0);
  ASSERT_EQ(write(100, 6, kMeasure, command(3, 3, 3)), 0);
  ASSERT_EQ(write(10, 1, kTrigger), 0);
  run();
  now += kSecond;
  // +Ve pulses (the one at 1 s falling due right now) and -Ve pulses.
  EXPECT_EQ(std::tuple(counter(4), counter(8)), std::tuple(101u, 10u));
  std::vector<GdbQueueEntry> up = queue(kUplink);
  ASSERT_EQ(up.size(), 200u);  // entry 6 lies past the end of the table
  // The bus word of each uplink entry: A before the SWITCH, B after it.
  expectWords(&card, {{0x119320 + 30, 0}, {0x119320 + 32 + 30, 1}});

  ASSERT_EQ(write(10, 500, kHalt), 0);
  now += kSecond;
  EXPECT_EQ(state(), 0x0040);
  // Halted in the fifth minor frame of the next second, after its 100 Hz pass.
  EXPECT_EQ(counter(0), 200u + 10u);
}

TEST_F(GdbControllerTest, InjectedErrorsAndPartnerAnswers) {
  ASSERT_EQ(write(100, 1, kMeasure, command(1, 1, 1, 0x0000)), 0);        // parity
  ASSERT_EQ(write(100, 2, kMeasure, command(2, 2, 2, 0x00C0, 50)), 0);    // 50 bits: long
  ASSERT_EQ(write(100, 3, kMeasure, command(3, 3, 3, 0x00C0, 48)), 0);    // 48 bits: none
  ASSERT_EQ(write(100, 4, kMeasure, command(4, 4, 4, 0x0040, 0x07)), 0);  // data sync pattern
  GdbCommandRecord data = command(5, 5, 5);
  data.sync = 0;
  ASSERT_EQ(write(100, 5, kMeasure, data), 0);  // a data-sync word expects no answer
  run();
  now += 5 * kMilli;
  std::vector<GdbQueueEntry> up = queue(kUplink);
  std::vector<GdbQueueEntry> down = queue(kDownlink);
  // 0x10 is Sy, not one of the four flags the page shows.
  EXPECT_EQ(column(up, &GdbQueueEntry::errorFlags), (Column{0x8, 0x2, 0, 0x10, 0}));
  ASSERT_EQ(down.size(), 4u);
  EXPECT_EQ(column(down, &GdbQueueEntry::noResponse), (Column{1, 1, 0, 1}));
  EXPECT_EQ(std::tuple(+down[0].sync, +down[2].rtAddress, +down[2].channel), std::tuple(0, 3, 3));

  // The partners leave about one transfer in 256 unanswered and damage one answer in 256.
  ASSERT_EQ(DUVEX_CommandDLL(&card, 11), 0);
  for (uint16_t selector : {kUplink, kDownlink}) clearQueue(selector);
  for (uint16_t i = 1; i <= 100; ++i) ASSERT_EQ(write(100, i, kMeasure, command(1, i, i)), 0);
  run();
  int silent = 0;
  int damaged = 0;
  int answers = 0;
  for (int step = 0; step < 100; ++step) {
    now += 50 * kMilli;  // 500 transfers, all still on the downlink queue
    for (const GdbQueueEntry& e : queue(kDownlink)) {
      silent += e.noResponse != 0;
      damaged += e.errorFlags != 0;
      ++answers;
    }
    clearQueue(kDownlink);
  }
  EXPECT_EQ(answers, 50000);
  EXPECT_TRUE(silent > 100 && silent < 300) << silent;
  EXPECT_TRUE(damaged > 100 && damaged < 300) << damaged;
}

TEST_F(GdbControllerTest, QueueReadsRefuseHostileArguments) {
  ASSERT_EQ(write(100, 1, kMeasure, command(1, 1, 1)), 0);
  run();
  now += 10 * kSecond;
  GdbQueueEntry e{};
  uint16_t position = 60000;
  uint16_t end = 0;
  EXPECT_EQ(DUVEX_RdGdbUpDownQDLL(&card, kUplink, &position, &end, &e), 0);
  EXPECT_EQ(std::tuple(+end, +position), std::tuple(1, 60000));  // far outside: the end
  position = end = 0;
  EXPECT_EQ(DUVEX_RdGdbUpDownQDLL(&card, 0x1234, &position, &end, &e), 251);
  end = 7;
  EXPECT_EQ(DUVEX_RdGdbUpDownQDLL(&card, kUplink, &position, &end, &e), 251);
  EXPECT_EQ(DUVEX_RdGdbUpDownQDLL(&card, kUplink, nullptr, &end, &e), 251);
  EXPECT_EQ(DUVEX_RdGdbUpDownQDLL(&card, kUplink, &position, nullptr, &e), 251);
  EXPECT_EQ(DUVEX_RdGdbUpDownQDLL(&card, kUplink, &position, &end, nullptr), 251);
  // A full queue keeps the newest entries and counts what it dropped.
  std::vector<GdbQueueEntry> up = queue(kUplink);
  EXPECT_EQ(up.size(), 512u);
  uint32_t dropped = xarnsim::peek(&card, 0x119304) | xarnsim::peek(&card, 0x119306) << 16;
  EXPECT_EQ(dropped + 512, 1000u);
}

// A running controller follows tables written into card memory word by word (a setup file).
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

}  // namespace
