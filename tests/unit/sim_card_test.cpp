// The simulated card's state machine: modes, run and halt, self test, wrap test, firmware
// handshake, clock and identity, driven through the driver functions with a virtual clock.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "sim_fixture.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;

class SimCardTest : public SimTest {
 protected:
  void initAndSetup(uint16_t mode) {
    ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
    SetupRecord setup = validSetup();
    ASSERT_EQ(DUVEX_SetupDLL(&card, mode, &setup), 0);
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
};

TEST_F(SimCardTest, StateWordFollowsSetupModeCommandsRunAndHalt) {
  uint16_t word = 0x1234;
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, &word), xarnsim::kStatusNotInitialised);
  EXPECT_EQ(word, 0);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), xarnsim::kStatusNotInitialised);

  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  EXPECT_EQ(state(), 0x0000);
  EXPECT_EQ(DUVEX_RdStatusDLL(&card, nullptr), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), xarnsim::kStatusWrongMode);  // no mode to run yet

  SetupRecord setup = validSetup();
  ASSERT_EQ(DUVEX_SetupDLL(&card, 1, &setup), 0);
  EXPECT_EQ(state(), 0x0010);
  // Run, halt, another mode, and a mode command while running, which halts the card.
  for (auto [command, after] : {std::pair<uint16_t, uint16_t>{10, 0x0011},
                                {11, 0x0010},
                                {5, 0x0050},
                                {10, 0x0051},
                                {6, 0x0060},
                                {10, 0x0061}}) {
    EXPECT_EQ(DUVEX_CommandDLL(&card, command), 0) << command;
    EXPECT_EQ(state(), after) << command;
  }
  EXPECT_EQ(rWDLL(&card, 0x0000), 0x0061);  // the state register
  EXPECT_EQ(rWDLL(&card, 0x0002), 6);       // the mode register

  EXPECT_EQ(DUVEX_SetupDLL(&card, 2, &setup), 0);  // setup halts too
  EXPECT_EQ(state(), 0x0020);

  for (uint16_t bad : {0, 7, 9, 12, 16, 0xFFFF})
    EXPECT_EQ(DUVEX_CommandDLL(&card, bad), xarnsim::kStatusBadCommand) << bad;
  EXPECT_EQ(state(), 0x0020);
}

TEST_F(SimCardTest, SetupRefusesBadArgumentsAndStoresTheRecordInCardMemory) {
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  SetupRecord setup = validSetup();
  EXPECT_EQ(DUVEX_SetupDLL(&card, 0, &setup), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_SetupDLL(&card, 7, &setup), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_SetupDLL(&card, 1, nullptr), xarnsim::kStatusBadArgument);
  SetupRecord unset{};  // what the shell holds before the first successful OK
  EXPECT_EQ(DUVEX_SetupDLL(&card, 1, &unset), xarnsim::kStatusBadArgument);
  EXPECT_EQ(state(), 0x0000);

  ASSERT_EQ(DUVEX_SetupDLL(&card, 3, &setup), 0);
  // Marker, word size, TX gap, the constant, TX connector, clock mode (the last field), and
  // nothing past the record.
  for (auto [address, value] : {std::pair<uint32_t, uint16_t>{0x0080, 0xFFFF},
                                {0x0082, 0xFFFF},
                                {0x0084, 0x8000},
                                {0x0086, 11},
                                {0x008C, 0x0203},
                                {0x009C, 0x0008},
                                {0x00A8, 0x8000},
                                {0x00AA, 0}})
    EXPECT_EQ(rWDLL(&card, address), value) << std::hex << address;
}

TEST_F(SimCardTest, GdbControllerReportsActiveOrPassiveFromItsModeWord) {
  initAndSetup(4);
  EXPECT_EQ(DUVEX_WrGdbBcModeDLL(&card, 0x8123), 0);
  uint16_t modeWord = 0;
  EXPECT_EQ(DUVEX_RdGdbBcModeDLL(&card, &modeWord), 0);
  EXPECT_EQ(modeWord, 0x8123);
  EXPECT_EQ(rWDLL(&card, 0x0022), 0x8123);
  EXPECT_EQ(state(), 0x0040);

  ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x9041);
  EXPECT_EQ(DUVEX_WrGdbBcModeDLL(&card, 0x0123), 0);  // turning a running controller active
  EXPECT_EQ(state(), 0xA041);
  EXPECT_EQ(DUVEX_RdGdbBcModeDLL(&card, nullptr), xarnsim::kStatusBadArgument);
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

  std::string error;
  ASSERT_TRUE(xarnsim::setOption(&card, "self-test-ms", "500", error)) << error;
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
  EXPECT_EQ(rWDLL(&card, 0x004C), 0x00AB);  // bit 14 was clear: DATA sync
  EXPECT_EQ(rWDLL(&card, 0x004E), 0xCDEF);
  EXPECT_EQ(rWDLL(&card, 0x0048), 0xBFAB);  // the sent word is left as written

  std::string error;
  ASSERT_TRUE(xarnsim::setOption(&card, "wrap-loop", "local", error));
  ASSERT_EQ(wWDLL(&card, 0x0048, 0x4012), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 14), 0);
  EXPECT_EQ(state(), 0x80FA);
  EXPECT_EQ(rWDLL(&card, 0x004C), 0x4012);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 1), 0);
  EXPECT_EQ(state(), 0x0010);
}

// The loader's order: mode command, image into the buffer, command 15, then the handshake words
// with 0x0004 last, then a poll of 0x0006 with no time passing.
class FirmwareTest : public SimCardTest {
 protected:
  void loadImage() {
    ASSERT_EQ(DUVEX_CommandDLL(&card, 1), 0);
    ASSERT_EQ(wWDLL(&card, 0x2000, 0x1256), 0);
    ASSERT_EQ(wWDLL(&card, 0x2002, 0x3478), 0);
    ASSERT_EQ(wWDLL(&card, 0x11FFE, 0xFFFF), 0);
  }
  void writeHandshake() {
    wWDLL(&card, 0x0006, 0x2B71);
    wWDLL(&card, 0x0008, 0x4E96);
    wWDLL(&card, 0x000A, 0x7D28);
    wWDLL(&card, 0x0004, 0x19E4);
  }
};

TEST_F(FirmwareTest, CardAcknowledgesAtOnceAndFinishesFiveSecondsLater) {
  initAndSetup(3);
  loadImage();
  ASSERT_EQ(DUVEX_CommandDLL(&card, 15), 0);
  EXPECT_EQ(rWDLL(&card, 0x0006), 0);  // nothing to acknowledge yet: still zero memory
  writeHandshake();
  EXPECT_EQ(rWDLL(&card, 0x0006), 0);
  EXPECT_EQ(rWDLL(&card, 0x0004), 0x19E4);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), xarnsim::kStatusBusy);
  EXPECT_EQ(state(), 0x0010);

  now += 5 * kSecond - 1;
  EXPECT_EQ(rWDLL(&card, 0x0004), 0x19E4);
  now += 1;
  EXPECT_EQ(rWDLL(&card, 0x0004), 0);
  EXPECT_EQ(DUVEX_CommandDLL(&card, 10), 0);
}

TEST_F(FirmwareTest, HandshakeIsIgnoredWithoutCommandAndHonouredBeforeIt) {
  initAndSetup(1);
  writeHandshake();
  EXPECT_EQ(rWDLL(&card, 0x0006), 0x2B71);  // not armed: plain memory
  ASSERT_EQ(DUVEX_CommandDLL(&card, 15), 0);
  EXPECT_EQ(rWDLL(&card, 0x0006), 0);  // words already in place: acknowledged by the command
  now += 5 * kSecond;
  EXPECT_EQ(rWDLL(&card, 0x0004), 0);
}

TEST_F(SimCardTest, ClockCountsCardTimeSinceInitialisation) {
  TimeTag clock{};
  EXPECT_EQ(DUVEX_RdClockDLL(&card, &clock), xarnsim::kStatusNotInitialised);
  now = 50 * kSecond;  // time before initialisation does not count
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  now += ((((1 * 24ull + 2) * 60 + 3) * 60 + 4) * 1000 + 5) * 1000 + 6;
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(std::make_tuple(+clock.days, +clock.hours, +clock.minutes, +clock.seconds,
                            +clock.milliseconds, +clock.microseconds),
            std::make_tuple(1, 2, 3, 4, 5, 6));
  EXPECT_EQ(rWDLL(&card, 0x1FFF40), 1);  // the clock words in card memory
  EXPECT_EQ(rWDLL(&card, 0x1FFF4A), 6);
  EXPECT_EQ(DUVEX_RdClockDLL(&card, nullptr), xarnsim::kStatusBadArgument);

  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  now += 7;
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(clock.days + clock.hours + clock.minutes + clock.seconds + clock.milliseconds, 0);
  EXPECT_EQ(clock.microseconds, 7);
}

// The day count is 16 bits: 6 x 10^9 s is day 69444, shown as day 3908 at 10:40:00, as the
// protocol document says.
TEST_F(SimCardTest, TheClockDayCountWrapsAfterDay65535) {
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  now += 6'000'000'000ull * kSecond;
  TimeTag clock{};
  ASSERT_EQ(DUVEX_RdClockDLL(&card, &clock), 0);
  EXPECT_EQ(std::make_tuple(+clock.days, +clock.hours, +clock.minutes, +clock.seconds),
            std::make_tuple(3908, 10, 40, 0));
}

TEST_F(SimCardTest, CardIdentityAnswersBeforeInitialisationAndIsReadOnly) {
  CardIdRecord id{};
  ASSERT_EQ(DUVEX_GetCardIDDLL(&card, &id), 0);
  EXPECT_EQ(id.serialNumber, 0x2F41Au);
  EXPECT_STREQ(id.driverRevision, "XARNDLL SIM 1.0");
  EXPECT_EQ(DUVEX_GetCardIDDLL(&card, nullptr), xarnsim::kStatusBadArgument);

  std::string error;
  ASSERT_TRUE(xarnsim::setOption(&card, "serial", "123456", error));
  ASSERT_TRUE(xarnsim::setOption(&card, "firmware-rev", "6", error));
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 1, 0), 0);
  EXPECT_EQ(rWDLL(&card, 0x1FFF00), 0x3456);
  EXPECT_EQ(rWDLL(&card, 0x1FFF02), 0x0012);
  ASSERT_EQ(DUVEX_GetCardIDDLL(&card, &id), 0);
  EXPECT_EQ(id.serialNumber, 0x123456u);
  EXPECT_EQ(id.firmwareRevision, 6);
}

TEST_F(SimCardTest, InitialisationChecksItsArgumentsAndKeepsMemory) {
  EXPECT_EQ(DUVEX_InitDLL(&card, 3, 1, 0), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_InitDLL(&card, 1, 2, 0), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_InitDLL(&card, 2, 1, 0), xarnsim::kStatusBadArgument);  // no serial port
  EXPECT_EQ(DUVEX_InitDLL(&card, 2, 1, 5), xarnsim::kStatusBadArgument);
  EXPECT_EQ(card.cardType, 0);

  std::string error;
  ASSERT_TRUE(xarnsim::setOption(&card, "extended-channels", "1", error));
  card.extendedChannels = 0;  // the station's context, as it would be after a restart
  ASSERT_EQ(DUVEX_InitDLL(&card, 2, 1, 4), 0);
  EXPECT_EQ(card.cardType, 2);
  EXPECT_EQ(card.extendedChannels, 1);

  SetupRecord setup = validSetup();
  ASSERT_EQ(DUVEX_SetupDLL(&card, 3, &setup), 0);
  ASSERT_EQ(DUVEX_RunMonDLL(&card), 0);
  ASSERT_EQ(wWDLL(&card, 0x012000, 0x5A5A), 0);
  ASSERT_EQ(DUVEX_InitDLL(&card, 1, 0, 0), 0);
  EXPECT_EQ(card.cardType, 1);
  EXPECT_EQ(state(), 0x0000);  // halted, no mode
  EXPECT_EQ(rWDLL(&card, 0x012000), 0x5A5A);
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

TEST_F(SimCardTest, SameCallsAtSameTimesGiveTheSameTranscript) {
  auto run = [](CardContext& ctx, uint64_t& clock) {
    std::string transcript;
    xarnsim::setTrace(&ctx, [&](const std::string& line) { transcript += line + '\n'; });
    DUVEX_InitDLL(&ctx, 1, 1, 0);
    DUVEX_CommandDLL(&ctx, 1);
    DUVEX_CommandDLL(&ctx, 13);
    uint16_t word = 0;
    for (int tick = 0; tick < 5; ++tick) {
      clock += kSecond;
      DUVEX_RdStatusDLL(&ctx, &word);
      transcript += std::to_string(word) + '\n';
    }
    xarnsim::setTrace(&ctx, {});
    return transcript;
  };
  CardContext other{};
  uint64_t otherNow = 0;
  xarnsim::setTimeSource(&other, [&] { return otherNow; });
  std::string first = run(card, now);
  EXPECT_EQ(first, run(other, otherNow));
  std::string poll = "DUVEX_RdStatusDLL(card, &) = 0\n";
  std::string ticks = poll + "15\n" + poll + "15\n" + poll + "32783\n";  // 0x000F, then 0x800F
  EXPECT_NE(first.find("DUVEX_CommandDLL(card, 13) = 0\n" + ticks), std::string::npos) << first;
  xarnsim::release(&other);
}

}  // namespace
