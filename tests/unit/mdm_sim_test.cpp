// The simulated MDM units: BITE answers, error injection in the queue flags and a long catch-up.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <vector>

#include "sim_fixture.h"

namespace {

constexpr uint32_t kUnits = 0x14B600;
constexpr uint32_t kQueue = 0x1C5E20;

// Message types and PROM values.
enum : uint16_t { RCP, EPS, OTI, IFI, RBT, MRS, RCW, LBT, BT1, BT2, BT3, BT4, ILL };
enum : uint16_t { NO_IOM, DI, AI16, AI32, DO, SIO, TAC, AO };
enum : uint16_t { Output, Input, ReturnBsr, Bite4 };

struct Command {
  uint16_t mode, iom, start, channels, parity = 0;
};

class MdmSimTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    enter(&card);
  }
  static void enter(CardContext* c) {
    enterMode(c, 6, setupRecord(11, 15, 50));
    uint16_t position = 0;
    uint16_t clear = 2;
    MdmQueueEntry e{};
    ASSERT_EQ(DUVEX_RdMdmQDLL(c, 1, &position, &clear, &e), 0);
  }

  // Unit `rt` on, no errors but `error` for message type `type`.
  static void enable(CardContext* c, uint16_t rt, int type = -1, MdmErrorInjection error = {},
                     uint16_t flags = 0) {
    MdmRtSimRecord r{};
    r.rtEnable = 0x8000;
    r.simulateEnhancedMdm = flags & 1;
    r.powerInterrupt = flags >> 1 & 1;
    r.simulateSrb = flags >> 2 & 1;
    r.primaryBsr = 0x1111;
    r.secondaryBsr = 0x2222;
    for (auto& e : r.errorInjection) e.errorType = 0x0100;
    if (type >= 0) r.errorInjection[type] = error;
    ASSERT_EQ(DUVEX_WrMdmRtSimDLL(c, rt, &r, 0, 0), 0);
  }

  // A PROM whose IOMs have `types` and whose command entries from 16 on are `commands`.
  static void prom(CardContext* c, uint16_t rt, std::vector<uint16_t> types,
                   std::vector<Command> commands) {
    MdmPromRecord p{};
    for (size_t i = 0; i < types.size(); ++i) p.iom[i].iomType = types[i];
    for (size_t i = 0; i < commands.size(); ++i) {
      const Command& k = commands[i];
      p.command[i] = MdmPromCommandEntry{k.mode, k.start, k.iom, k.channels, k.parity};
    }
    ASSERT_EQ(DUVEX_WrMdmPromDLL(c, rt, &p), 0);
  }

  void iomData(uint16_t rt, uint16_t iom, uint16_t first) {
    MdmIomRecord r{};
    for (uint16_t i = 0; i < 32; ++i) r.iomData[i] = static_cast<uint16_t>(first + i);
    for (uint16_t i = 0; i < 32; ++i) r.sioTransmit[1][i] = static_cast<uint16_t>(0x5100 + i);
    ASSERT_EQ(DUVEX_WrMdmIOMDLL(&card, rt, iom, &r), 0);
  }

  std::vector<MdmQueueEntry> queue(CardContext* c = nullptr) {
    c = c ? c : &card;
    std::vector<MdmQueueEntry> out;
    uint16_t position = 0;
    uint16_t end = 0;
    for (;;) {
      MdmQueueEntry e{};
      EXPECT_EQ(DUVEX_RdMdmQDLL(c, 1, &position, &end, &e), 0);
      if (end) return {out.rbegin(), out.rend()};  // the card lists the newest first
      out.push_back(e);
    }
  }
  // The first queued entry of `type`.
  MdmQueueEntry first(uint16_t type) {
    for (const MdmQueueEntry& e : queue())
      if (e.messageType == type) return e;
    ADD_FAILURE() << "no entry of type " << type;
    return {};
  }
  // The data words queue entry `index` recorded.
  std::vector<uint16_t> queuedData(uint32_t index) {
    uint32_t at = kQueue + index * 128;
    std::vector<uint16_t> words(rWDLL(&card, at + 32));
    for (size_t i = 0; i < words.size(); ++i)
      words[i] = rWDLL(&card, at + 64 + 2 * static_cast<uint32_t>(i));
    return words;
  }
  void run(uint64_t micros) {
    ASSERT_EQ(DUVEX_CommandDLL(&card, 10), 0);
    now += micros;
    state();
  }
};

// BITE4 answers the ten BITE4 words and the two constants as signed 16-bit words; RCW answers
// the command word, or the RCW word when it is overridden; BT2's words land in BITE2 RX.
TEST_F(MdmSimTest, BiteAnswersComeFromTheBiteRegisters) {
  MdmBiteRecord bite{};
  for (uint16_t i = 0; i < 2; ++i) bite.bite4Tac[i] = static_cast<uint16_t>(0x7A00 + i);
  bite.positiveConstant = 0x1FF;
  bite.negativeConstant = 0x3FF;  // -1
  bite.bite1Bsr = 0xB001;
  bite.rcwOverride = 1;
  bite.rcwWord = 0x1235;
  ASSERT_EQ(DUVEX_WrMdmBiteConfDLL(&card, 1, &bite), 0);
  enable(&card, 1);
  prom(&card, 1, {AI16}, {{Bite4, 0, 0, 0}});
  run(195 * kMilli);  // five cycles of RCP, BT4, EPS and one maintenance
  std::vector<MdmQueueEntry> q = queue();
  ASSERT_EQ(q.size(), 20u);
  std::vector<uint16_t> bt4 = queuedData(1);
  ASSERT_EQ(bt4.size(), 12u);
  EXPECT_EQ(std::tuple(bt4[8], bt4[10], bt4[11]), std::tuple(0x7A00, 0x01FF, 0xFFFF));
  EXPECT_EQ(std::tuple(+q[3].messageType, +q[7].messageType, +q[11].messageType, +q[15].messageType,
                       +q[19].messageType),
            std::tuple(MRS, RCW, LBT, BT1, BT2));
  EXPECT_EQ(queuedData(7), std::vector<uint16_t>{0x1234});  // bit 0 always clear
  EXPECT_EQ(queuedData(15), std::vector<uint16_t>{0xB001});
  EXPECT_EQ(queuedData(11).size(), 1u);
  MdmBiteRecord back{};
  ASSERT_EQ(DUVEX_RdMdmBiteConfDLL(&card, 1, &back), 0);
  EXPECT_EQ(std::tuple(back.bite2RxData[4] >> 11, back.bite2RxData[4] & 31), std::tuple(1, 4));
}

// The error injection of the input message type, for each error type.
TEST_F(MdmSimTest, ErrorInjectionShowsInTheQueueFlags) {
  struct Case {
    uint16_t code, size, flags, words;
  };
  const Case cases[] = {
      {0x0100, 0, 0x000, 4}, {0x0000, 0, 0x008, 4},  {0x0000, 4, 0x008, 4},
      {0x0000, 5, 0x000, 4}, {0x0040, 7, 0x010, 4},  {0x0040, 0x38, 0x000, 4},
      {0x0080, 1, 0x004, 4}, {0x00C0, 25, 0x002, 4}, {0x00C0, 20, 0x001, 4},
      {0x0300, 0, 0x800, 0}, {0x0500, 2, 0x020, 6},  {0x0900, 9, 0x020, 0},
      {0x1100, 5, 0x100, 4}, {0x1100, 0, 0x000, 4},  {0x2100, 6, 0x040, 4},
      {0x2100, 3, 0x000, 4}, {0x7777, 1, 0x000, 4},
  };
  for (const Case& c : cases) {
    enter(&card);
    enable(&card, 3, IFI, {c.code, c.size, 0});
    prom(&card, 3, {DI}, {{Input, 0, 0, 4}});
    iomData(3, 0, 0x100);
    run(15 * kMilli);
    ASSERT_EQ(DUVEX_CommandDLL(&card, 11), 0);
    std::vector<MdmQueueEntry> q = queue();
    ASSERT_EQ(q.size(), 2u);  // RCP first, with its own injection
    EXPECT_EQ(std::tuple(+q[1].errorFlags, queuedData(1).size(), +q[0].errorFlags),
              std::tuple(c.flags, c.words, 0))
        << "code " << c.code << " size " << c.size;
  }
}

// Called every millisecond or once for the stretch, two cards end alike; years return at once.
TEST_F(MdmSimTest, ALongCatchUpSkipsOnlyWhatNobodyCanSee) {
  CardContext other{};
  uint64_t otherNow = 0;
  xarnsim::setTimeSource(&other, [&] { return otherNow; });
  for (CardContext* c : {&card, &other}) {
    enter(c);
    enable(c, 2, BT2, {0x0080, 3, 0}, 4);
    enable(c, 30);
    prom(c, 2, {SIO, AI32}, {{Output, 0, 2, 7}, {Input, 1, 4, 5}, {Bite4, 1, 0, 0}});
    prom(c, 30, {DO}, {{Output, 0, 1, 15}});
    ASSERT_EQ(DUVEX_CommandDLL(c, 10), 0);
  }
  stepTo(30 * kSecond, kMilli);
  otherNow += 30 * kSecond;
  expectSameWords(cardWords(&card, {{kUnits, kQueue + 1024 * 128}}),
                  cardWords(&other, {{kUnits, kQueue + 1024 * 128}}));
  uint16_t word = 0;

  auto started = std::chrono::steady_clock::now();
  otherNow += kThirtyYears;
  ASSERT_EQ(DUVEX_RdStatusDLL(&other, &word), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_EQ(word, 0x0061);
  std::vector<MdmQueueEntry> q = queue(&other);
  ASSERT_EQ(q.size(), 1024u);
  for (size_t i = 1; i < q.size(); ++i)  // the two units still take turns
    EXPECT_NE(q[i].rtNumber, q[i - 1].rtNumber);
  MdmRtSimRecord unit{};
  ASSERT_EQ(DUVEX_RdMdmRtSimDLL(&other, 30, &unit, 0, 0), 0);
  EXPECT_GE(+unit.lastCommandTime.days, 11574);
  xarnsim::release(&other);
}

}  // namespace
