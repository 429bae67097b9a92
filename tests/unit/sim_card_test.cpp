// The simulated card through the driver functions: state machine, clock, identity, memory and
// its map, one card per context, the test hooks, and calls the card cannot serve.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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
constexpr uint16_t kNotInit = xarnsim::kStatusNotInitialised;

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

TEST_F(SimCardTest, StateWordFollowsSetupModeCommandsRunAndHalt) {
  uint16_t word = 0x1234;  // memory too is refused before initialisation
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), kNotInit);
  EXPECT_EQ(std::tuple(+word, DUVEX_CommandDLL(&card, 10), wWDLL(&card, 0x0100, 0x4242)),
            std::tuple(0, kNotInit, kNotInit));
  EXPECT_EQ(rWDLL(&card, 0x0100), 0);

  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  EXPECT_EQ(state(), 0x0000);
  EXPECT_EQ(rWDLL(&card, 0x0100), 0);
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, nullptr), kBad);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), xarnsim::kStatusWrongMode);  // no mode to run yet

  SetupRecord setup = validSetup();
  ASSERT_EQ(DUVEX_SetupDLL(&card, 1, &setup), 0);
  EXPECT_EQ(state(), 0x0010);
  // Run, halt, another mode, and a mode command while running, which halts the card.
  const std::pair<uint16_t, uint16_t> kSteps[] = {{10, 0x0011}, {11, 0x0010}, {5, 0x0050},
                                                  {10, 0x0051}, {6, 0x0060},  {10, 0x0061}};
  for (auto [command, after] : kSteps) {
    EXPECT_EQ(DUVEX_CommandDLL(&card, command), 0) << command;
    EXPECT_EQ(state(), after) << command;
  }
  expectWords(&card, {{0x0000, 0x0061}, {0x0002, 6}});  // the state and mode registers
  EXPECT_EQ(DUVEX_SetupDLL(&card, 2, &setup), 0);       // setup halts too
  EXPECT_EQ(state(), 0x0020);
  for (uint16_t bad : {0, 7, 9, 12, 16, 0xFFFF})
    EXPECT_EQ(DUVEX_CommandDLL(&card, bad), xarnsim::kStatusBadCommand) << bad;
  EXPECT_EQ(state(), 0x0020);
}

TEST_F(SimCardTest, SetupRefusesBadArgumentsAndStoresTheRecordInCardMemory) {
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  SetupRecord setup = validSetup();
  SetupRecord unset{};  // what the shell holds before the first successful OK
  for (auto [mode, record] :
       {std::tuple<uint16_t, SetupRecord*>{0, &setup}, {7, &setup}, {1, nullptr}, {1, &unset}})
    EXPECT_EQ(DUVEX_SetupDLL(&card, mode, record), kBad) << mode;
  EXPECT_EQ(state(), 0x0000);

  ASSERT_EQ(DUVEX_SetupDLL(&card, 3, &setup), 0);
  // Marker, word size, TX gap, the constant, TX connector, clock mode (the last field), and
  // nothing past the record.
  const AddressWord kRecord[] = {{0x0080, 0xFFFF}, {0x0082, 0xFFFF}, {0x0084, 0x8000}, {0x0086, 11},
                                 {0x008C, 0x0203}, {0x009C, 0x0008}, {0x00A8, 0x8000}, {0x00AA, 0}};
  expectWords(&card, kRecord);
}

TEST_F(SimCardTest, GdbControllerReportsActiveOrPassiveFromItsModeWord) {
  initAndSetup(4);
  EXPECT_EQ(DUVEX_WrGdbBcModeDLL(&card, 0x8123), 0);
  uint16_t modeWord = 0;
  EXPECT_EQ(DUVEX_RdGdbBcModeDLL(&card, &modeWord), 0);
  EXPECT_EQ(std::tuple(+modeWord, rWDLL(&card, 0x0022), state()),
            std::tuple(0x8123, 0x8123, 0x0040));
  ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x9041);
  EXPECT_EQ(DUVEX_WrGdbBcModeDLL(&card, 0x0123), 0);  // turning a running controller active
  EXPECT_EQ(state(), 0xA041);
  EXPECT_EQ(DUVEX_RdGdbBcModeDLL(&card, nullptr), kBad);
}

TEST_F(SimCardTest, SelfTestRunsForThreeCardSecondsAndKeepsTheCardBusy) {
  initAndSetup(1);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  now = 10 * kSecond;
  ASSERT_EQ(DUVEX_CommandDLL(&card, 13), 0);
  EXPECT_EQ(state(), 0x000F);
  now += 3 * kSecond - 1;
  EXPECT_EQ(state(), 0x000F);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 11), xarnsim::kStatusBusy);
  SetupRecord setup = validSetup();
  EXPECT_EQ(DUVEX_SetupDLL(&card, 1, &setup), xarnsim::kStatusBusy);
  now += 1;
  EXPECT_EQ(state(), 0x800F);
  now += 100 * kSecond;
  EXPECT_EQ(state(), 0x800F);  // the result stays until the next command
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x0011);  // the self test stopped the run; the mode was kept

  ASSERT_TRUE(option("self-test-ms", "500"));
  ASSERT_EQ(DUVEX_CommandDLL(&card, 13), 0);
  now += 499'999;
  EXPECT_EQ(state(), 0x000F);
  now += 1;
  EXPECT_EQ(state(), 0x800F);
}

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

// The loader's order: mode command, image into the buffer, command 15, then the handshake words
// with 0x0004 last, then a poll of 0x0006 with no time passing.
TEST_F(SimCardTest, FirmwareHandshakeAcknowledgesAtOnceAndFinishesFiveSecondsLater) {
  const AddressWord kHandshake[] = {
      {0x0006, 0x2B71}, {0x0008, 0x4E96}, {0x000A, 0x7D28}, {0x0004, 0x19E4}};
  auto handshake = [&] {
    for (auto [a, v] : kHandshake) wWDLL(&card, a, v);
  };
  initAndSetup(3);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 1), 0);
  for (auto [a, v] : {AddressWord{0x2000, 0x1256}, {0x2002, 0x3478}, {0x11FFE, 0xFFFF}})
    ASSERT_EQ(wWDLL(&card, a, v), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 15), 0);
  EXPECT_EQ(rWDLL(&card, 0x0006), 0);  // nothing to acknowledge yet: still zero memory
  handshake();
  expectWords(&card, {{0x0006, 0}, {0x0004, 0x19E4}});
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), xarnsim::kStatusBusy);
  EXPECT_EQ(state(), 0x0010);
  now += 5 * kSecond - 1;
  EXPECT_EQ(rWDLL(&card, 0x0004), 0x19E4);
  now += 1;
  EXPECT_EQ(rWDLL(&card, 0x0004), 0);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 0);

  // Without command 15 the words are plain memory; written before it, the command acknowledges.
  initAndSetup(1);
  handshake();
  EXPECT_EQ(rWDLL(&card, 0x0006), 0x2B71);  // not armed: plain memory
  ASSERT_EQ(DUVEX_CommandDLL(&card, 15), 0);
  EXPECT_EQ(rWDLL(&card, 0x0006), 0);  // words already in place: acknowledged by the command
  now += 5 * kSecond;
  EXPECT_EQ(rWDLL(&card, 0x0004), 0);
}

// The day count is 16 bits: 6 x 10^9 s is day 69444, shown as day 3908 at 10:40:00.
TEST_F(SimCardTest, ClockCountsCardTimeSinceInitialisationAndWrapsItsDays) {
  auto clock = [this] {
    TimeTag t{};
    EXPECT_EQ(DUVEX_RdClockDLL(&card, &t), 0);
    return std::make_tuple(+t.days, +t.hours, +t.minutes, +t.seconds, +t.milliseconds,
                           +t.microseconds);
  };
  TimeTag unread{};
  EXPECT_EQ(DUVEX_RdClockDLL(&card, &unread), kNotInit);
  now = 50 * kSecond;  // time before initialisation does not count
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  now += ((((1 * 24ull + 2) * 60 + 3) * 60 + 4) * 1000 + 5) * 1000 + 6;
  EXPECT_EQ(clock(), std::make_tuple(1, 2, 3, 4, 5, 6));
  expectWords(&card, {{0x1FFF40, 1}, {0x1FFF4A, 6}});  // the clock words in card memory
  EXPECT_EQ(DUVEX_RdClockDLL(&card, nullptr), kBad);

  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  now += 7;
  EXPECT_EQ(clock(), std::make_tuple(0, 0, 0, 0, 0, 7));
  now += 6'000'000'000ull * kSecond;
  EXPECT_EQ(clock(), std::make_tuple(3908, 10, 40, 0, 0, 7));
}

TEST_F(SimCardTest, CardIdentityAnswersBeforeInitialisationAndIsReadOnly) {
  CardIdRecord id{};
  ASSERT_EQ(DUVEX_GetCardIDDLL(&card, &id), 0);
  EXPECT_EQ(id.serialNumber, 0x2F41Au);
  EXPECT_STREQ(id.driverRevision, "XARNDLL SIM 1.0");
  EXPECT_EQ(DUVEX_GetCardIDDLL(&card, nullptr), kBad);
  ASSERT_TRUE(option("serial", "123456"));
  ASSERT_TRUE(option("firmware-rev", "6"));
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  expectWords(&card, {{0x1FFF00, 0x3456}, {0x1FFF02, 0x0012}});
  ASSERT_EQ(DUVEX_GetCardIDDLL(&card, &id), 0);
  EXPECT_EQ(std::tuple(id.serialNumber, +id.firmwareRevision), std::tuple(0x123456u, 6));
  // Registers and identity refuse writes; the handshake words are plain memory.
  for (uint32_t a : {0x000000u, 0x000002u, 0x1FFF00u, 0x1FFF1Cu, 0x1FFF40u, 0x1FFF4Au}) {
    uint16_t before = rWDLL(&card, a);
    EXPECT_EQ(wWDLL(&card, a, static_cast<uint16_t>(before ^ 0xFFFF)), kBad) << std::hex << a;
    EXPECT_EQ(rWDLL(&card, a), before) << std::hex << a;
  }
  EXPECT_EQ(wWDLL(&card, 0x000004, 0x1111), 0);
  EXPECT_EQ(rWDLL(&card, 0x000004), 0x1111);
}

TEST_F(SimCardTest, InitialisationChecksItsArgumentsAndKeepsMemory) {
  // Unknown type, unknown byte order, no serial port or one past the last.
  for (auto [type, order, port] :
       {std::tuple<uint16_t, uint16_t, uint16_t>{3, 1, 0}, {1, 2, 0}, {2, 1, 0}, {2, 1, 5}})
    EXPECT_EQ(DUVEX_InitDLL(&card, type, order, port), kBad) << type << order << port;
  EXPECT_EQ(card.cardType, 0);
  ASSERT_TRUE(option("extended-channels", "1"));
  card.extendedChannels = 0;  // the station's context, as it would be after a restart
  ASSERT_EQ(DUVEX_InitDLL(&card, 2, 1, 4), 0);
  EXPECT_EQ(std::tuple(+card.cardType, +card.extendedChannels), std::tuple(2, 1));

  SetupRecord setup = validSetup();
  ASSERT_EQ(DUVEX_SetupDLL(&card, 3, &setup), 0);
  ASSERT_EQ(DUVEX_RunMonDLL(&card), 0);
  ASSERT_EQ(wWDLL(&card, 0x012000, 0x5A5A), 0);
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 0, 0), 0);  // halted, no mode
  EXPECT_EQ(std::tuple(+card.cardType, state(), rWDLL(&card, 0x012000)), std::tuple(1, 0, 0x5A5A));
}

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

// ---- Memory

TEST_F(SimCardTest, OddAndOutOfRangeAddressesAreHarmlessAndEveryImageWordHolds) {
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  ASSERT_EQ(wWDLL(&card, 0x000010, 0x1234), 0);
  ASSERT_EQ(wWDLL(&card, 0x000012, 0x5678), 0);
  EXPECT_EQ(wWDLL(&card, 0x000011, 0xFFFF), kBad);  // neither neighbour changed
  expectWords(&card, {{0x000011, 0}, {0x000010, 0x1234}, {0x000012, 0x5678}});
  ASSERT_EQ(wWDLL(&card, 0x1FFFFE, 0xBEEF), 0);  // the last word
  EXPECT_EQ(rWDLL(&card, 0x1FFFFE), 0xBEEF);
  for (uint32_t beyond : {0x200000u, 0x200010u, 0x3FFFFEu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
    EXPECT_EQ(wWDLL(&card, beyond, 0x7777), kBad) << beyond;
    EXPECT_EQ(rWDLL(&card, beyond), 0) << beyond;
  }
  EXPECT_EQ(rWDLL(&card, 0x000010), 0x1234);  // no wrap-around into low memory

  // What a setup file does: one write per word from 0x000008 to 0x1FFEFE, then read it all back.
  auto pattern = [](uint32_t a) { return static_cast<uint16_t>((a >> 1) * 40503u ^ (a >> 17)); };
  for (uint32_t a = map::kImageFirst; a <= map::kImageLast; a += 2)
    ASSERT_EQ(wWDLL(&card, a, pattern(a)), 0) << std::hex << a;
  uint32_t mismatches = 0;
  for (uint32_t a = map::kImageFirst; a <= map::kImageLast; a += 2)
    mismatches += rWDLL(&card, a) != pattern(a);
  EXPECT_EQ(mismatches, 0u);
}

// Every region of the code's map has its row (base, size, count) in docs/card-memory-map.md.
TEST(SimMemoryMap, DocumentationListsEveryRegion) {
  std::ifstream in(std::filesystem::path(XARN_SOURCE_DIR) / "docs" / "card-memory-map.md");
  ASSERT_TRUE(in);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("| 0x", 0) == 0) rows.push_back(line);
  for (const map::Region& r : map::kRegions) {
    char expected[160];
    std::snprintf(expected, sizeof expected, "| 0x%06X | %s | %u | %u |",
                  static_cast<unsigned>(r.base), std::string(r.name).c_str(),
                  static_cast<unsigned>(r.entryBytes), static_cast<unsigned>(r.count));
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                            [&](const std::string& row) { return row.rfind(expected, 0) == 0; }))
        << "no row starting " << expected;
  }
}

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

// ---- One card per context, and its release

TEST_F(SimCardTest, EachContextHasItsOwnCardUntilReleasedOrClosed) {
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  ASSERT_EQ(wWDLL(&card, 0x0100, 0xAAAA), 0);
  uint64_t firstId = card.driverHandle;
  ASSERT_NE(firstId, 0u);
  CardContext other{};
  ASSERT_EQ(DUVEX_InitDLL(&other, 1, 1, 0), 0);
  EXPECT_NE(other.driverHandle, firstId);
  EXPECT_EQ(std::tuple(rWDLL(&other, 0x0100), rWDLL(&card, 0x0100)), std::tuple(0, 0xAAAA));
  uint64_t otherId = other.driverHandle;
  xarnsim::release(&other);
  xarnsim::release(&card);
  EXPECT_EQ(std::tuple(other.driverHandle, card.driverHandle), std::tuple(0u, 0u));
  uint16_t word = 0;
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), kNotInit);
  EXPECT_GT(card.driverHandle, otherId);  // ids are never reused
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  EXPECT_EQ(rWDLL(&card, 0x0100), 0);

  // Closed, the card is freed; closed twice, or a stale copy: nothing left to free, no harm.
  const size_t before = xarnsim::cardCount();
  CardContext context{};
  ASSERT_EQ(DUVEX_InitDLL(&context, 1, 1, 0), 0);
  ASSERT_EQ(wWDLL(&context, 0x0100, 0xAAAA), 0);
  const CardContext copy = context;
  EXPECT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);
  EXPECT_EQ(std::tuple(context.driverHandle, xarnsim::cardCount()), std::tuple(0u, before));
  EXPECT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);
  CardContext stale = copy;
  EXPECT_EQ(DUVEX_RdStatusDLL(&stale, &word), kNotInit);  // a handle the registry forgot
  EXPECT_NE(stale.driverHandle, 0u);
  EXPECT_EQ(std::tuple(DUVEX_CloseDLL(&stale), DUVEX_CloseDLL(nullptr)),
            std::tuple(xarnsim::kStatusOk, kBad));
  EXPECT_EQ(xarnsim::cardCount(), before);
  // Used again: a card that has not been initialised, then a fresh one with cleared memory.
  EXPECT_EQ(std::tuple(DUVEX_CommandDLL(&context, 10), rWDLL(&context, 0x0100)),
            std::tuple(kNotInit, 0));
  ASSERT_EQ(DUVEX_InitDLL(&context, 1, 1, 0), 0);
  EXPECT_EQ(rWDLL(&context, 0x0100), 0);
  ASSERT_EQ(DUVEX_CloseDLL(&context), xarnsim::kStatusOk);

  // A program that makes many contexts frees each card with DUVEX_CloseDLL.
  for (int i = 0; i < 1000; ++i) {
    CardContext each{};
    ASSERT_EQ(DUVEX_RdStatusDLL(&each, &word), kNotInit);
    ASSERT_EQ(xarnsim::cardCount(), before + 1);
    ASSERT_EQ(DUVEX_CloseDLL(&each), xarnsim::kStatusOk);
  }
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

// ---- Test hooks

TEST_F(SimCardTest, FailedCallsReturnTheStatusDoNothingElseAndAreCounted) {
  initAndSetup(1);
  EXPECT_FALSE(xarnsim::failNext(&card, "DUVEX_Nonsense", 5, 1) ||
               xarnsim::knownFunction("DUVEX_Nonsense"));
  EXPECT_TRUE(xarnsim::knownFunction("DUVEX_RdMdmQDLL"));
  ASSERT_TRUE(xarnsim::failNext(&card, "DUVEX_CommandDLL", 77, 2));
  EXPECT_EQ(std::tuple(DUVEX_CommandDLL(&card, 10), DUVEX_CommandDLL(&card, 10)),
            std::tuple(77, 77));
  EXPECT_EQ(state(), 0x0010);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x0011);

  xarnsim::resetCallCounts(&card);
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

  // Counts include the failed calls, until reset; a call without a card reaches no count.
  EXPECT_EQ(
      std::tuple(xarnsim::callCount(&card, "rWDLL"), xarnsim::callCount(&card, "wWDLL"),
                 xarnsim::callCount(&card, "DUVEX_InitDLL"), xarnsim::callCount(&card, "nonsense")),
      std::tuple(2u, 1u, 0u, 0u));
  xarnsim::resetCallCounts(&card);
  rWDLL(nullptr, 0);
  EXPECT_EQ(xarnsim::callCount(&card, "rWDLL"), 0u);
}

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

TEST_F(SimCardTest, ForcedStateWordOverridesTheCardUntilStopped) {
  xarnsim::forceStateWord(&card, 0x0141);
  uint16_t word = 0;
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), 0);  // even before initialisation
  EXPECT_EQ(word, 0x0141);
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 4), 0);
  EXPECT_EQ(std::tuple(state(), rWDLL(&card, 0x0000)), std::tuple(0x0141, 0x0141));
  xarnsim::forceStateWord(&card, std::nullopt);
  EXPECT_EQ(state(), 0x0040);
  ASSERT_TRUE(option("state-word", "a011"));
  EXPECT_EQ(state(), 0xA011);
  ASSERT_TRUE(option("state-word", "off"));
  EXPECT_EQ(state(), 0x0040);
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
