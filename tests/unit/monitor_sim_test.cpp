// The simulated bus monitor through the driver functions: the trigger record and RT filter, the
// capture around the trigger and its stop, a disabled trigger and the long catch-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "sim_fixture.h"

namespace {

constexpr uint32_t kBusSelect = 0x0020;
constexpr uint32_t kStackHeader = 0x082600;
constexpr uint16_t kJ2 = 0x0004, kAny = 0x8000;
constexpr uint16_t kSyncCommand = 0x0020, kSyncAny = 0x0030;
constexpr uint16_t kDisabled = 0x8000;
constexpr uint16_t kPy = 8;

uint64_t micros(const TimeTag& t) {
  uint64_t s = ((t.days * 24ull + t.hours) * 60 + t.minutes) * 60 + t.seconds;
  return s * kSecond + t.milliseconds * kMilli + t.microseconds;
}

struct Trigger {
  uint16_t bus = kAny;
  std::string pattern = std::string(24, 'X');
  uint16_t control = kSyncAny;
  uint32_t ptc = 10;
};

class MonitorSimTest : public SimTest {
 protected:
  // The card initialised and set up for BUS_MON with all four connectors selected, as the
  // shell's mode entry leaves it.
  void enter() { enterCard(card); }
  // Gap 2 us, response time 5 us, timeout 20 us; a response time beyond the timeout leaves the
  // partners' terminals silent.
  void enterCard(CardContext& c, uint16_t response = 10, uint16_t timeout = 40) {
    enterMode(&c, 3, setupRecord(4, response, timeout));
    wWDLL(&c, kBusSelect, 0x000F);
  }
  // A second card on the test's clock or one of its own.
  CardContext twin(uint64_t* clock = nullptr) {
    CardContext c{};
    xarnsim::setTimeSource(&c, [this, clock] { return clock ? *clock : now; });
    return c;
  }

  uint16_t load(const Trigger& t, uint16_t* filter = nullptr, CardContext* c = nullptr) {
    MonTrigger r{};
    r.triggerBus = t.bus;
    std::string p = t.pattern + std::string(40, 'X');
    std::memcpy(r.pattern, p.data(), sizeof r.pattern);
    r.control = t.control;
    r.postTriggerCount = t.ptc;
    r.rtFilter = filter;
    return DUVEX_WrMonTriggerDLL(c ? c : &card, &r);
  }
  MonTrigger read(uint16_t* filter) {
    MonTrigger r{};
    r.rtFilter = filter;
    EXPECT_EQ(DUVEX_RdMonTriggerDLL(&card, &r), 0);
    return r;
  }
  // Clears the stack and arms the monitor at the current time.
  void run(CardContext* c = nullptr) {
    ASSERT_EQ(DUVEX_ClrMonStackDLL(c ? c : &card), 0);
    ASSERT_EQ(DUVEX_RunMonDLL(c ? c : &card), 0);
  }
  bool entry(int32_t position, MonMsg& e, CardContext* c = nullptr) {
    return DUVEX_RdMonMsgDLL(c ? c : &card, position, &e) == 0;
  }
  // Every entry the stack answers for, oldest first, and the position of the oldest.
  std::vector<MonMsg> capture(int32_t& oldest, CardContext* c = nullptr) {
    std::vector<MonMsg> out;
    MonMsg e{};
    oldest = 0;
    while (entry(oldest - 1, e, c)) --oldest;
    for (int32_t p = oldest; entry(p, e, c); ++p) out.push_back(e);
    return out;
  }
  uint16_t header(uint32_t offset, CardContext* c = nullptr) {
    return rWDLL(c ? c : &card, kStackHeader + offset);
  }
};

TEST_F(MonitorSimTest, TriggerRecordAndRtFilterLiveInCardMemory) {
  enter();
  // A freshly set-up card: every RT enabled, an all-"X" pattern, post-trigger count 0.
  std::array<uint16_t, 32> filter{};
  filter.fill(7);
  MonTrigger fresh = read(filter.data());
  EXPECT_TRUE(std::all_of(filter.begin(), filter.end(), [](uint16_t v) { return v == 1; }));
  EXPECT_EQ(std::tuple(std::string(fresh.pattern, 40), +fresh.postTriggerCount),
            std::tuple(std::string(40, 'X'), 0u));

  // Round trip, RT 5 filtered out; the words sit in the trigger region.
  filter.fill(1);
  filter[5] = 0;
  ASSERT_EQ(load({kJ2, "10X01", kSyncCommand | kPy | kDisabled, 77}, filter.data()), 0);
  std::array<uint16_t, 32> back{};
  MonTrigger r = read(back.data());
  EXPECT_EQ(std::tuple(+r.triggerBus, std::string(r.pattern, 5), +r.control, +r.postTriggerCount),
            std::tuple(kJ2, "10X01", kSyncCommand | kPy | kDisabled, 77u));
  EXPECT_EQ(back, filter);
  // The last word: RT 5 filtered out.
  const AddressWord kStored[] = {
      {0x082502, kJ2}, {0x082504, '1' | '0' << 8}, {0x08252E, 77}, {0x082540 + 2 * 5, 1}};
  expectWords(&card, kStored);

  // A null filter reference (the snapshot display's write) leaves the filter as it was.
  ASSERT_EQ(load({kAny, std::string(24, 'X'), kSyncAny, 11}), 0);
  back.fill(9);
  EXPECT_EQ(+read(back.data()).postTriggerCount, 11u);
  EXPECT_EQ(back, filter);
  // The configuration is card memory: a word written there (as a setup file does) is read back.
  wWDLL(&card, 0x08252E, 12);
  EXPECT_EQ(+read(nullptr).postTriggerCount, 12u);

  // Refused: a post-trigger count leaving under 1024 words of history, no record, another mode.
  constexpr uint16_t kBad = xarnsim::kStatusBadArgument, kWrongMode = xarnsim::kStatusWrongMode;
  MonMsg e{};
  EXPECT_EQ(std::tuple(load({kAny, "", kSyncAny, 7168}), load({kAny, "", kSyncAny, 0xFFFFFFFF}),
                       load({kAny, "", kSyncAny, 7167}), DUVEX_RdMonTriggerDLL(&card, nullptr),
                       DUVEX_WrMonTriggerDLL(&card, nullptr), DUVEX_RdMonMsgDLL(&card, 0, nullptr),
                       DUVEX_RdMonMsgDLL(nullptr, 0, &e)),
            std::tuple(kBad, kBad, 0, kBad, kBad, kBad, kBad));
  ASSERT_EQ(DUVEX_CommandDLL(&card, 1), 0);
  EXPECT_EQ(std::tuple(load({}), DUVEX_RdMonMsgDLL(&card, 0, &e), DUVEX_RunMonDLL(&card),
                       DUVEX_ClrMonStackDLL(&card)),
            std::tuple(kWrongMode, kWrongMode, kWrongMode, kWrongMode));
  CardContext other{};
  EXPECT_EQ(DUVEX_RdMonTriggerDLL(&other, &r), xarnsim::kStatusNotInitialised);
  xarnsim::release(&other);
}

TEST_F(MonitorSimTest, CapturesTheWordsAroundTheTriggerAndStopsAfterThePostTriggerCount) {
  enter();
  ASSERT_EQ(load({kAny, std::string(24, 'X'), kSyncAny, 10}), 0);
  now = 3 * kSecond;
  run();
  EXPECT_EQ(state(), 0x0031);
  now += kSecond;
  EXPECT_EQ(state(), 0x0030);

  int32_t oldest = 0;
  std::vector<MonMsg> words = capture(oldest);
  // The trigger armed after 1024 words of history; ten words follow it.
  EXPECT_EQ(std::tuple(oldest, header(12)), std::tuple(-1024, 10));
  ASSERT_EQ(words.size(), 1035u);
  for (std::size_t i = 1; i < words.size(); ++i)
    EXPECT_LE(micros(words[i - 1].timeTag), micros(words[i].timeTag)) << i;
  EXPECT_TRUE(micros(words.front().timeTag) >= 3 * kSecond &&
              micros(words.back().timeTag) < 3 * kSecond + 20 * kMilli);

  // Nothing outside the capture, however far.
  MonMsg e{};
  e.busCode = 0x5A5A;
  for (int32_t p : {11, -1025, INT32_MAX, INT32_MIN, 1 << 20, -(1 << 20)})
    EXPECT_EQ(DUVEX_RdMonMsgDLL(&card, p, &e), xarnsim::kStatusBadArgument) << p;
  EXPECT_EQ(+e.busCode, 0x5A5A);  // a refused read leaves the record alone
  // A count of held words poked below the ten after the trigger still shows the trigger word.
  uint16_t held = header(0);
  wWDLL(&card, kStackHeader, 5);
  EXPECT_TRUE(entry(0, e) && entry(4, e) && !entry(5, e));
  wWDLL(&card, kStackHeader, held);

  // The card stops as the tenth word after the trigger ends, 28 us after it starts (time tags are
  // whole microseconds, the bus counts half microseconds).
  uint64_t twinNow = 0;
  CardContext second = twin(&twinNow);
  enterCard(second);
  ASSERT_EQ(load({kAny, std::string(24, 'X'), kSyncAny, 10}, nullptr, &second), 0);
  twinNow = 3 * kSecond;
  run(&second);
  uint16_t word = 0;
  for (auto [at, stateWord, count] :
       {std::tuple<uint64_t, uint16_t, uint16_t>{27, 0x0031, 9}, {29, 0x0030, 10}}) {
    twinNow = micros(words.back().timeTag) + at;
    DUVEX_RdStatusDLL(&second, &word);
    EXPECT_EQ(std::tuple(word, header(12, &second)), std::tuple(stateWord, count));
  }
  xarnsim::release(&second);

  // A halt keeps the stack; clearing it empties it; a new run starts a new capture.
  ASSERT_EQ(DUVEX_CommandDLL(&card, 11), 0);
  EXPECT_TRUE(entry(0, e));
  ASSERT_EQ(DUVEX_RunMonDLL(&card), 0);
  EXPECT_FALSE(entry(0, e));  // armed again: no trigger yet
  now += kSecond;
  EXPECT_TRUE(entry(-2000, e));  // the older capture is history now
  ASSERT_EQ(DUVEX_ClrMonStackDLL(&card), 0);
  EXPECT_FALSE(entry(0, e) || header(0) != 0);
}

TEST_F(MonitorSimTest, ADisabledTriggerNeverFiresAndALongCatchUpIsCheap) {
  enter();
  ASSERT_EQ(load({kAny, "", kSyncAny | kDisabled, 5}), 0);
  run();
  auto started = std::chrono::steady_clock::now();
  now += kDay;
  EXPECT_EQ(state(), 0x0031);
  now += kThirtyYears;
  EXPECT_EQ(state(), 0x0031);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  MonMsg e{};
  EXPECT_FALSE(entry(0, e));
  EXPECT_EQ(std::tuple(+header(0), +header(8)), std::tuple(8192, 0));  // no trigger

  // Enabled again it fires at once, and the history before it is the day's last words.
  ASSERT_EQ(load({kAny, "", kSyncAny, 5}), 0);
  now += kMilli;
  EXPECT_EQ(state(), 0x0030);
  ASSERT_TRUE(entry(-8186, e));
  uint64_t oldest = micros(e.timeTag);
  ASSERT_TRUE(entry(5, e));
  EXPECT_LT(micros(e.timeTag) - oldest, 100 * kMilli);
  EXPECT_GE(e.timeTag.days, 11574);  // day 11575 of the card
}

}  // namespace
