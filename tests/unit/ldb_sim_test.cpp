// The simulated local data bus through the driver functions: the controller's catch-up, and the
// terminals of LDB_MRT: their records and catch-ups.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "sim_fixture.h"

namespace {

class LdbSimTest : public SimTest {
 protected:
  // Gap 2 us, response time 5 us, timeout 20 us.
  void enter(uint16_t mode) { enterMode(&card, mode, setupRecord(4, 10, 40)); }

  // Message `number`: TX to RT 3 with command code 5, `words` data words 0x10, 0x11, ...
  uint16_t define(uint16_t number, uint16_t words, uint16_t direction = 1,
                  ErrorInjectionRecord error = {0, 0x0100, 0}) {
    std::vector<uint32_t> data(512);
    for (uint32_t i = 0; i < 512; ++i) data[i] = 0x10 + i;
    MessageBufferRecord buffer{};
    buffer.wordLimit = 512;
    buffer.suppliedWords = 512;
    buffer.data = data.data();
    BcMessageRecord m{};
    m.messageNumber = number;
    m.direction = direction;
    m.wordCount = words;
    m.bus = 0x8000;
    m.commandWord = 3u << 19 | 5u << 15 | 0x12;
    m.errorInjection = &error;
    m.buffer = &buffer;
    return DUVEX_WrMsgDLL(&card, &m);
  }

  uint16_t frame(std::vector<uint16_t> messages, uint32_t halfMicros) {
    std::array<uint16_t, 100> list{};
    std::copy(messages.begin(), messages.end(), list.begin());
    FrameRecord f{};
    f.duration = halfMicros;
    f.messageCount = static_cast<uint16_t>(messages.size());
    f.messageList = list.data();
    return DUVEX_WrProgDLL(&card, &f);
  }

  // Takes every entry of a queue, one read at a time (the card gives the newest first), and
  // returns them oldest first, in the order they happened.
  template <typename Record>
  std::vector<Record> take(uint16_t (*read)(CardContext*, Record*)) {
    std::vector<Record> out;
    for (;;) {
      Record r{};
      r.operation = 1;
      EXPECT_EQ(read(&card, &r), 0);
      if (!r.valid) return {out.rbegin(), out.rend()};
      out.push_back(r);
    }
  }
};

TEST_F(LdbSimTest, ALongCatchUpGivesTheSameCardAsManySmallOnes) {
  auto run = [this](uint64_t step) {
    restart();
    enter(1);
    define(1, 32);
    define(2, 5, 0);
    frame({1, 2, 1}, 0);  // back to back
    DUVEX_RunLdbBcDLL(&card, 0);
    stepTo(2 * kSecond, step);
    return cardWords(&card, {{0x012000, 0x05931E}});
  };
  expectSameWords(run(2 * kSecond), run(997));
}

// ---- Terminals

class LdbTerminalTest : public LdbSimTest {
 protected:
  LdbRtRecord readRt(uint16_t rt) {
    LdbRtRecord r{};
    r.rtNumber = rt;
    for (int c = 0; c < 5; ++c) r.errorInjection[c] = &errors[c];
    tx = rx = MessageBufferRecord{};
    tx.wordLimit = rx.wordLimit = 1024;
    tx.data = txData.data();
    rx.data = rxData.data();
    r.txBuffer = &tx;
    r.rxBuffer = &rx;
    EXPECT_EQ(DUVEX_RdLdbRTDLL(&card, &r), 0);
    return r;
  }
  uint16_t writeRt(uint16_t rt, uint16_t mode, uint16_t action, uint16_t select = 3) {
    LdbRtRecord r = readRt(rt);
    r.mode = mode;
    r.action = action;
    r.busSelect = select;
    for (uint32_t i = 0; i < 512; ++i) txData[i] = 0x100 + i;
    return DUVEX_WrLdbRTDLL(&card, &r);
  }
  std::vector<RtQueueRecord> takeCommands() { return take(DUVEX_RdLdbRtQDLL); }
  std::array<ErrorInjectionRecord, 5> errors{};
  MessageBufferRecord tx{}, rx{};
  std::vector<uint32_t> txData = std::vector<uint32_t>(1024);
  std::vector<uint32_t> rxData = std::vector<uint32_t>(1024);
};

// A terminal's words keep all 24 bits and no more; there is no terminal 32.
TEST_F(LdbTerminalTest, RecordsKeepTwentyFourBitWordsAndStopAtTheLastTerminal) {
  enter(2);
  LdbRtRecord r = readRt(31);
  txData[0] = 0xFFFFFF;
  txData[1] = 0x1800001;
  ASSERT_EQ(DUVEX_WrLdbRTDLL(&card, &r), 0);
  readRt(31);
  EXPECT_EQ(std::tuple(txData[0], txData[1]), std::tuple(0xFFFFFFu, 0x800001u));
  r.rtNumber = 32;
  EXPECT_EQ(DUVEX_WrLdbRTDLL(&card, &r), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_RdLdbRTDLL(&card, &r), xarnsim::kStatusBadArgument);
}

// A catch-up skips what no queue shows; terminals, buffers and queues must end alike.
TEST_F(LdbTerminalTest, ALongCatchUpGivesTheSameTerminalsAndQueuesAsManySmallOnes) {
  auto run = [this](uint64_t step, uint64_t length) {
    restart();
    enter(2);
    for (uint16_t rt = 0; rt < 32; ++rt) {
      static constexpr uint16_t kActions[] = {0x0000, 0x0800, 0x0C00, 0x1000, 0x1C00};
      static constexpr uint16_t kSelects[] = {3, 3, 2, 1};
      errors = {};
      for (auto& e : errors) e.errorType = 0x0100;
      if (rt % 7 == 3) errors[0] = {static_cast<uint16_t>(rt % 3), 0x0000, 0};  // GAH parity
      if (rt % 5 == 1) errors[1] = {0, 0x00C0, 20};                             // IND short
      EXPECT_EQ(writeRt(rt, rt == 13 ? 0 : 0x8000, kActions[rt % 5], kSelects[rt % 4]), 0);
    }
    LdbRtRecord forced = readRt(17);
    forced.rtState = 0x0040;
    forced.stateUpdate = 1;
    DUVEX_WrLdbRTDLL(&card, &forced);
    DUVEX_CommandDLL(&card, 10);
    stepTo(length, step);
    // The raw word queue, and the terminals.
    return cardWords(&card, {{0x049300, 0x05931E}, {0x059400, 0x08241E}});
  };
  for (uint64_t length : {3 * kSecond, 20 * kSecond}) {
    SCOPED_TRACE(length);
    expectSameWords(run(997, length), run(length, length));
  }
  // A jump of 10^15 us (31 years) returns at once, the bus still running and every queue full.
  now += kThirtyYears;
  EXPECT_EQ(state(), 0x0021);
  EXPECT_EQ(takeCommands().size(), 1024u);
  EXPECT_GT(readRt(0).dttCount, 0);
}

// Busy terminals, half of them deaf to the secondary bus, answer with one word or none: the raw
// queue then shows older exchanges than the command queue, and catch-ups of any length must
// still fill it alike.
TEST_F(LdbTerminalTest, CatchUpsOfShortExchangesFillTheRawQueueAlike) {
  auto run = [this](uint64_t step) {
    restart();
    enter(2);
    for (uint16_t rt = 0; rt < 4; ++rt) EXPECT_EQ(writeRt(rt, 0x8000, 0x1000, rt % 2 ? 2 : 3), 0);
    DUVEX_CommandDLL(&card, 10);
    stepTo(2 * kSecond, step);
    return cardWords(&card, {{0x049300, 0x05931E}, {0x059400, 0x08241E}});
  };
  const auto small = run(997);
  for (uint64_t step : {70 * kMilli, 2 * kSecond}) {
    SCOPED_TRACE(step);
    expectSameWords(small, run(step));
  }
}

}  // namespace
