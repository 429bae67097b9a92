// The simulated local data bus through the driver functions: message and frame storage, the
// bus controller's run, word timing, error injection, the queues, and the terminals of LDB_MRT.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "sim_fixture.h"

namespace {

constexpr uint16_t kBusy = 0x8000;

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

  BcMessageRecord readMessage(uint16_t number, MessageBufferRecord& buffer,
                              ErrorInjectionRecord& error) {
    static std::vector<uint32_t> data(1024);
    buffer = MessageBufferRecord{};
    buffer.wordLimit = 1024;
    buffer.data = data.data();
    BcMessageRecord m{};
    m.messageNumber = number;
    m.errorInjection = &error;
    m.buffer = &buffer;
    EXPECT_EQ(DUVEX_RdMsgDLL(&card, &m), 0);
    return m;
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
  std::vector<BcQueueRecord> takeMessages() { return take(DUVEX_RdLdbBcQDLL); }
  std::vector<BinQueueRecord> takeWords() { return take(DUVEX_RdBinQDLL); }
};

TEST_F(LdbSimTest, MessagesAndFramesAreKeptInCardMemory) {
  enter(1);
  ASSERT_EQ(define(7, 4), 0);
  ASSERT_EQ(frame({7, 7, 2}, 2000), 0);
  // Message 7's header (defined, TX, 4 words) and first data word; the frame's length and list.
  uint32_t base = 0x012000 + 6 * 2112;
  const AddressWord kStored[] = {{base, 1},        {base + 4, 4}, {base + 64, 0x10},
                                 {0x045100, 2000}, {0x045106, 3}, {0x04510C, 2}};
  expectWords(&card, kStored);

  // The card gives back what it holds, through the record's pointers.
  MessageBufferRecord buffer;
  ErrorInjectionRecord error{};
  BcMessageRecord m = readMessage(7, buffer, error);
  EXPECT_EQ(
      std::tuple(+m.commandWord, +m.wordCount, +error.errorType, +buffer.data[3], +buffer.status),
      std::tuple(3u << 19 | 5u << 15 | 0x12, 4, 0x0100, 0x13u, 0));

  // A message never written reads as "No Errors", not as the parity code 0 of blank memory.
  error.errorType = 0x1234;
  m = readMessage(9, buffer, error);
  EXPECT_EQ(std::tuple(+error.errorType, +m.bus), std::tuple(0x0100, 0x8000));

  // Out of range, missing record, more than 50 frame messages, wrong mode.
  BcMessageRecord bad{};
  EXPECT_EQ(DUVEX_RdMsgDLL(&card, &bad), xarnsim::kStatusBadArgument);
  bad.messageNumber = 100;
  EXPECT_EQ(DUVEX_WrMsgDLL(&card, &bad), xarnsim::kStatusBadArgument);
  EXPECT_EQ(DUVEX_RdMsgDLL(&card, nullptr), xarnsim::kStatusBadArgument);
  EXPECT_EQ(frame(std::vector<uint16_t>(51, 1), 10), xarnsim::kStatusBadArgument);
  EXPECT_EQ(rWDLL(&card, 0x045106), 3);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 2), 0);
  EXPECT_EQ(define(7, 4), xarnsim::kStatusWrongMode);
  EXPECT_EQ(DUVEX_RunLdbBcDLL(&card, 1), xarnsim::kStatusWrongMode);
}

TEST_F(LdbSimTest, ACountedRunEndsAfterItsFramesAndStampsEachMessage) {
  enter(1);
  ASSERT_EQ(define(1, 2), 0);
  ASSERT_EQ(frame({1}, 2 * 1000), 0);  // 1 ms
  now = 5 * kSecond;
  ASSERT_EQ(DUVEX_RunLdbBcDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x0011);
  now += 10 * kMilli - 1;
  EXPECT_EQ(state(), 0x0011);
  now += 1;
  EXPECT_EQ(state(), 0x0010);
  auto sent = takeMessages();
  ASSERT_EQ(sent.size(), 10u);
  EXPECT_EQ(std::tuple(+sent[0].messageNumber, +sent[0].errors), std::tuple(1, 0));

  // The last transfer started at the tenth frame's start: 5.009 s after initialisation.
  MessageBufferRecord buffer;
  ErrorInjectionRecord error{};
  BcMessageRecord m = readMessage(1, buffer, error);  // reserved: the terminal's status word
  const TimeTag& t = buffer.timeTag;
  EXPECT_EQ(std::tuple(+t.seconds, +t.milliseconds, +t.microseconds, +buffer.status, +m.reserved),
            std::tuple(5, 9, 0, kBusy, 3u << 19 | 5u << 15 | 1));

  // Command, two data words sent, the status word received (RX primary, command sync), timed by
  // the word time (28 us), the gap (2 us) and the response time (5 us).
  auto words = takeWords();
  ASSERT_EQ(words.size(), 40u);
  EXPECT_EQ(std::tuple(+words[0].word, +words[1].word, words[3].word >> 28),
            std::tuple(0x10000000u | (3u << 19 | 5u << 15 | 0x12), 0x10u, 0x9u));
  EXPECT_EQ(std::tuple(+words[1].timeTag.microseconds, +words[2].timeTag.microseconds,
                       +words[3].timeTag.microseconds),
            std::tuple(30, 60, 93));
}

TEST_F(LdbSimTest, InjectedErrorsDamageTheWordTheyNameAndShowInEveryQueue) {
  enter(1);
  ASSERT_EQ(define(1, 3, 1, {2, 0x0000, 0}), 0);     // parity on data word 2
  ASSERT_EQ(define(2, 0, 1, {0, 0x00C0, 20}), 0);    // 20-bit command word
  ASSERT_EQ(define(3, 0, 1, {0, 0x0040, 0x07}), 0);  // data sync on the command
  ASSERT_EQ(define(4, 1, 1, {5, 0x0080, 3}), 0);     // word 5 does not exist
  ASSERT_EQ(frame({1, 2, 3, 4, 50}, 0), 0);
  ASSERT_EQ(DUVEX_RunLdbBcDLL(&card, 1), 0);
  now += kSecond;
  auto sent = takeMessages();
  ASSERT_EQ(sent.size(), 5u);
  // Nr Py, Nr Sh, Nr Sy, none, and Id: message 50 was never defined.
  EXPECT_EQ(column(sent, &BcQueueRecord::errors), (Column{0x0088, 0x0081, 0x0090, 0, 0x0100}));
  EXPECT_EQ(+sent[4].messageNumber, 50);

  auto words = takeWords();
  ASSERT_GE(words.size(), 7u);
  // Message 1: command, data 1, data 2 with parity and the injection recorded, no response.
  EXPECT_EQ(std::tuple(+words[2].word, +words[2].alternateErrors), std::tuple(0x08000011u, 0x0800));
  // Message 2's short command (Bc, Sh); message 3's command looks like data (Gc).
  EXPECT_EQ(std::tuple(+words[4].word, +words[4].alternateErrors),
            std::tuple(0x11000000u | (3u << 19 | 5u << 15 | 0x12), 0x2100));
  EXPECT_EQ(std::tuple(words[5].word & 0x10000000u, +words[5].alternateErrors),
            std::tuple(0u, 0x8000));
}

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

TEST_F(LdbTerminalTest, TerminalsThatAreOnHandshakeAndThoseThatAreOffNeverAnswer) {
  enter(2);
  ASSERT_EQ(writeRt(4, 0x8000, 0x0000), 0);  // ready, no data: the deliver handshake
  ASSERT_EQ(writeRt(9, 0x8000, 0x0800), 0);  // critical data: the collect handshake
  ASSERT_EQ(writeRt(12, 0x0000, 0x0800), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  EXPECT_EQ(state(), 0x0021);
  now += 50 * kMilli;

  auto commands = takeCommands();
  ASSERT_GT(commands.size(), 20u);
  for (const RtQueueRecord& c : commands) {
    uint32_t rt = c.command >> 19 & 31;
    EXPECT_TRUE(rt == 4 || rt == 9) << rt;
    EXPECT_EQ(+c.errors, 0);
  }
  LdbRtRecord r4 = readRt(4);  // received the partner's data words
  EXPECT_GT(+r4.dttCount, 0);
  EXPECT_EQ(std::tuple(rx.status & 0x8000, rxData[0] & 7, rxData[0] >> 19, r4.lastCommand >> 19),
            std::tuple(0x8000, 5u, 4u, 4u));
  EXPECT_GT(+readRt(9).dttCount, 0);
  EXPECT_EQ(+tx.status, 0x8000 | 32);  // its TX buffer went out
  LdbRtRecord r12 = readRt(12);
  EXPECT_EQ(std::tuple(+r12.dttCount, +r12.lastCommand, +tx.status), std::tuple(0, 0u, 0));

  // Halted, the terminals hear nothing more.
  ASSERT_EQ(DUVEX_CommandDLL(&card, 11), 0);
  uint16_t dtt = readRt(4).dttCount;
  now += kSecond;
  EXPECT_EQ(readRt(4).dttCount, dtt);
  EXPECT_TRUE(takeCommands().empty());
}

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

TEST_F(LdbTerminalTest, BusSelectForcedStateAndResponseErrors) {
  enter(2);
  ASSERT_EQ(writeRt(1, 0x8000, 0x0000, 2), 0);  // primary only
  LdbRtRecord r = readRt(2);
  r.mode = 0x8000;
  r.rtState = 0x0040;
  r.stateUpdate = 1;
  errors[4] = {0, 0x0080, 7};  // FRC: Manchester error in the status word
  ASSERT_EQ(DUVEX_WrLdbRTDLL(&card, &r), 0);
  ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
  now += 20 * kMilli;
  bool ignored = false;
  for (const RtQueueRecord& c : takeCommands()) {
    if (c.command >> 19 == 1 && c.errors) {
      EXPECT_EQ(+c.errors, 0x0880);  // Ig, Nr: a secondary-bus command
      ignored = true;
    }
    if (c.command >> 19 == 2) {  // Rc, Mn; the partner polls a forced terminal with STA
      EXPECT_EQ(std::tuple(+c.errors, +c.alternateErrors, c.command >> 15 & 15),
                std::tuple(0x4000, 0x0400, 10u));
    }
  }
  EXPECT_TRUE(ignored);
  EXPECT_EQ(std::tuple(+readRt(2).rtState, +readRt(2).dttCount), std::tuple(0x0040, 0));
  // A write without the state update keeps the state the terminal reached.
  r = readRt(2);
  r.rtState = 0x0001;
  r.stateUpdate = 0;
  ASSERT_EQ(DUVEX_WrLdbRTDLL(&card, &r), 0);
  EXPECT_EQ(readRt(2).rtState, 0x0040);
  EXPECT_EQ(DUVEX_RdLdbBcQDLL(&card, reinterpret_cast<BcQueueRecord*>(&r)),
            xarnsim::kStatusWrongMode);
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

TEST_F(LdbSimTest, QueueReadsTakeOrPeekNewestFirstAndClear) {
  enter(1);
  for (uint16_t n : {1, 2, 3}) ASSERT_EQ(define(n, 0), 0);
  ASSERT_EQ(frame({1, 2, 3}, 2000), 0);
  ASSERT_EQ(DUVEX_RunLdbBcDLL(&card, 1), 0);
  now += kSecond;
  // Operation 2 reads from the position the record counts, newest first, without taking.
  auto peekAll = [&] {
    std::vector<uint16_t> seen;
    BcQueueRecord peek{};
    peek.operation = 2;
    for (;;) {
      EXPECT_EQ(DUVEX_RdLdbBcQDLL(&card, &peek), 0);
      if (!peek.valid) break;
      seen.push_back(peek.messageNumber);
    }
    EXPECT_EQ(+peek.cleared, seen.size());
    return seen;
  };
  EXPECT_EQ(peekAll(), (std::vector<uint16_t>{3, 2, 1}));
  EXPECT_EQ(peekAll(), (std::vector<uint16_t>{3, 2, 1}));
  // Operation 1 takes the newest, 0 clears, others are refused.
  BcQueueRecord taken{}, clear{}, bad{};
  taken.operation = 1;
  bad.operation = 7;
  ASSERT_EQ(DUVEX_RdLdbBcQDLL(&card, &taken), 0);
  EXPECT_EQ(+taken.messageNumber, 3);
  EXPECT_EQ(peekAll(), (std::vector<uint16_t>{2, 1}));
  ASSERT_EQ(DUVEX_RdLdbBcQDLL(&card, &clear), 0);
  EXPECT_TRUE(takeMessages().empty());
  EXPECT_EQ(DUVEX_RdLdbBcQDLL(&card, &bad), xarnsim::kStatusBadArgument);
  EXPECT_EQ(+bad.valid, 0);
}

}  // namespace
