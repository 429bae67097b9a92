// Any sequence of driver calls, pokes and clock steps of up to a day: no crash, no call over a
// second of CPU. Record pointers are null or as large as the records claim.
#include <time.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

constexpr int kMostCalls = 64;
constexpr uint64_t kDayMicros = 86'400'000'000ULL;
constexpr double kCallBudgetSeconds = 1.0;

using fuzz::Input;

// Everything a call's records may point to, as large as any record field can claim.
constexpr size_t kBufferWords = 65536;  // as many words as a 16-bit word limit can claim

struct Buffers {
  std::vector<uint32_t> words = std::vector<uint32_t>(2 * kBufferWords);
  std::vector<uint16_t> list = std::vector<uint16_t>(kBufferWords);
  std::array<ErrorInjectionRecord, kRtErrorCategories> errors{};
  std::array<MessageBufferRecord, 2> buffers{};
};

// One card and what the calls on it share.
struct Run {
  fuzz::Card card{1};
  Buffers buffers;
  Input in;
  uint16_t counter = 0;

  explicit Run(Input input) : in(input) {}

  CardContext* ctx() { return card.get(); }
  // A record argument: null when the input says so, else filled from the input.
  template <typename T>
  T* record(T& storage) {
    if (in.u8() == 0xFF) return nullptr;
    in.fill(storage);
    return &storage;
  }
  MessageBufferRecord* buffer(int which) {
    MessageBufferRecord* b = record(buffers.buffers[which]);
    if (b)
      b->data = in.u8() == 0xFF ? nullptr
                                : buffers.words.data() + static_cast<size_t>(which) * kBufferWords;
    return b;
  }
  ErrorInjectionRecord* error(int which) { return record(buffers.errors[which]); }
};

template <typename T>
uint16_t withRecord(Run& run, uint16_t (*call)(CardContext*, T*)) {
  T storage{};
  return call(run.ctx(), run.record(storage));
}

uint16_t message(Run& run, bool write) {
  BcMessageRecord m{};
  BcMessageRecord* p = run.record(m);
  if (p) {
    p->errorInjection = run.error(0);
    p->buffer = run.buffer(0);
  }
  return write ? DUVEX_WrMsgDLL(run.ctx(), p) : DUVEX_RdMsgDLL(run.ctx(), p);
}

uint16_t frame(Run& run, bool write) {
  FrameRecord f{};
  FrameRecord* p = run.record(f);
  if (p) p->messageList = run.in.u8() == 0xFF ? nullptr : run.buffers.list.data();
  return write ? DUVEX_WrProgDLL(run.ctx(), p) : DUVEX_RdProgDLL(run.ctx(), p);
}

uint16_t terminal(Run& run, bool write) {
  LdbRtRecord r{};
  LdbRtRecord* p = run.record(r);
  if (p) {
    for (int i = 0; i < kRtErrorCategories; ++i) p->errorInjection[i] = run.error(i);
    p->txBuffer = run.buffer(0);
    p->rxBuffer = run.buffer(1);
  }
  return write ? DUVEX_WrLdbRTDLL(run.ctx(), p) : DUVEX_RdLdbRTDLL(run.ctx(), p);
}

uint16_t trigger(Run& run, bool write) {
  MonTrigger t{};
  MonTrigger* p = run.record(t);
  if (p) p->rtFilter = run.in.u8() == 0xFF ? nullptr : run.buffers.list.data();
  return write ? DUVEX_WrMonTriggerDLL(run.ctx(), p) : DUVEX_RdMonTriggerDLL(run.ctx(), p);
}

// A clock step: a count of microseconds, milliseconds, seconds or hours, at most a day.
uint16_t step(Run& run) {
  static constexpr uint64_t kUnits[] = {1, 1'000, 1'000'000, 3'600'000'000ULL};
  uint64_t unit = kUnits[run.in.u8() % 4];
  uint64_t micros = run.in.u16() * unit;
  run.card.advance(micros < kDayMicros ? micros : kDayMicros);
  uint16_t state = 0;
  return DUVEX_RdStatusDLL(run.ctx(), &state);  // the catch-up happens inside a call
}

// Calls taking numbers, then a record: the numbers come first from the input.
template <typename T>
uint16_t oneNumber(Run& run, uint16_t (*call)(CardContext*, uint16_t, T*)) {
  T storage{};
  uint16_t a = run.in.u16();
  return call(run.ctx(), a, run.record(storage));
}
template <typename T>
uint16_t twoNumbers(Run& run, uint16_t (*call)(CardContext*, uint16_t, uint16_t, T*)) {
  T storage{};
  uint16_t a = run.in.u16(), b = run.in.u16();
  return call(run.ctx(), a, b, run.record(storage));
}

// A GDB table rate: mostly one of the three the card has.
uint16_t rateOf(Run& run) {
  static constexpr uint16_t kRates[] = {100, 10, 1};
  uint8_t pick = run.in.u8();
  return pick < 3 ? kRates[pick] : run.in.u16();
}

using Call = uint16_t (*)(Run&);

// Every export, and the hooks a caller or a memory edit can reach.
constexpr Call kCalls[] = {
    [](Run& r) -> uint16_t {
      uint16_t type = r.in.u16(), endian = r.in.u16(), port = r.in.u16();
      return DUVEX_InitDLL(r.ctx(), type, endian, port);
    },
    [](Run& r) -> uint16_t {
      uint16_t mode = r.in.u8() % 8;  // 1..6 the modes, 0 and 7 refused
      r.ctx()->operatingMode = mode;
      SetupRecord s{};
      return DUVEX_SetupDLL(r.ctx(), mode, r.record(s));
    },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_RdStatusDLL); },
    [](Run& r) -> uint16_t { return DUVEX_CommandDLL(r.ctx(), r.in.u16()); },
    [](Run& r) -> uint16_t { return DUVEX_CommandDLL(r.ctx(), r.in.u8() % 2 ? 10 : 11); },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_RdClockDLL); },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_GetCardIDDLL); },
    [](Run& r) -> uint16_t { return rWDLL(r.ctx(), r.in.u32()); },
    [](Run& r) -> uint16_t {
      uint32_t address = r.in.u32();
      return wWDLL(r.ctx(), address, r.in.u16());
    },
    [](Run& r) -> uint16_t {
      // Inside the card's 2 MB, where the engines read their configuration.
      uint32_t address = r.in.u32() & 0x1FFFFE;
      xarnsim::poke(r.ctx(), address, r.in.u16());
      return 0;
    },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_RdGdbBcModeDLL); },
    [](Run& r) -> uint16_t { return DUVEX_WrGdbBcModeDLL(r.ctx(), r.in.u16()); },
    [](Run& r) -> uint16_t { return DUVEX_ClrMonStackDLL(r.ctx()); },
    [](Run& r) -> uint16_t { return DUVEX_RunMonDLL(r.ctx()); },
    [](Run& r) -> uint16_t { return message(r, false); },
    [](Run& r) -> uint16_t { return message(r, true); },
    [](Run& r) -> uint16_t { return frame(r, false); },
    [](Run& r) -> uint16_t { return frame(r, true); },
    [](Run& r) -> uint16_t { return DUVEX_RunLdbBcDLL(r.ctx(), r.in.u16()); },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_RdLdbBcQDLL); },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_RdLdbRtQDLL); },
    [](Run& r) -> uint16_t { return withRecord(r, DUVEX_RdBinQDLL); },
    [](Run& r) -> uint16_t { return terminal(r, false); },
    [](Run& r) -> uint16_t { return terminal(r, true); },
    [](Run& r) -> uint16_t { return trigger(r, false); },
    [](Run& r) -> uint16_t { return trigger(r, true); },
    [](Run& r) -> uint16_t {
      MonMsg m{};
      return DUVEX_RdMonMsgDLL(r.ctx(), static_cast<int32_t>(r.in.u32()), r.record(m));
    },
    [](Run& r) -> uint16_t {
      uint16_t operation = 0;
      GdbCommandRecord c{};
      uint16_t rate = rateOf(r), entry = r.in.u16();
      return DUVEX_RdGdbTableDLL(r.ctx(), rate, entry, &operation, r.record(c));
    },
    [](Run& r) -> uint16_t {
      GdbCommandRecord c{};
      uint16_t rate = rateOf(r), entry = r.in.u16(), operation = r.in.u16();
      return DUVEX_WrGdbTableDLL(r.ctx(), rate, entry, operation, r.record(c));
    },
    [](Run& r) -> uint16_t {
      GdbCommandRecord c{};
      uint16_t priority = r.in.u16();
      return DUVEX_GdbQcmndDLL(r.ctx(), priority, &r.counter, r.record(c));
    },
    [](Run& r) -> uint16_t {
      uint16_t position = r.in.u16(), endFlag = 0, queue = r.in.u16();
      GdbQueueEntry e{};
      return DUVEX_RdGdbUpDownQDLL(r.ctx(), queue, &position, &endFlag, r.record(e));
    },
    [](Run& r) { return oneNumber(r, DUVEX_RdGdbRtSimDLL); },
    [](Run& r) { return oneNumber(r, DUVEX_WrGdbRtSimDLL); },
    [](Run& r) { return twoNumbers(r, DUVEX_RdGdbRtChanDLL); },
    [](Run& r) { return twoNumbers(r, DUVEX_WrGdbRtChanDLL); },
    [](Run& r) -> uint16_t {
      uint16_t index = r.in.u16(), endFlag = 0;
      GdbRtQueueEntry e{};
      return DUVEX_RdGdbRtQDLL(r.ctx(), &index, &endFlag, r.record(e));
    },
    [](Run& r) -> uint16_t {
      MdmRtSimRecord s{};
      uint16_t rt = r.in.u16();
      return DUVEX_RdMdmRtSimDLL(r.ctx(), rt, r.record(s), 0, 0);
    },
    [](Run& r) -> uint16_t {
      MdmRtSimRecord s{};
      uint16_t rt = r.in.u16();
      MdmRtSimRecord* p = r.record(s);
      uint16_t reserved1 = r.in.u16(), reserved2 = r.in.u16();
      return DUVEX_WrMdmRtSimDLL(r.ctx(), rt, p, reserved1, reserved2);
    },
    [](Run& r) { return twoNumbers(r, DUVEX_RdMdmIOMDLL); },
    [](Run& r) { return twoNumbers(r, DUVEX_WrMdmIOMDLL); },
    [](Run& r) { return oneNumber(r, DUVEX_RdMdmBiteConfDLL); },
    [](Run& r) { return oneNumber(r, DUVEX_WrMdmBiteConfDLL); },
    [](Run& r) { return oneNumber(r, DUVEX_RdMdmPromDLL); },
    [](Run& r) { return oneNumber(r, DUVEX_WrMdmPromDLL); },
    [](Run& r) -> uint16_t {
      uint16_t position = r.in.u16(), endFlag = 0, queue = r.in.u16();
      MdmQueueEntry e{};
      return DUVEX_RdMdmQDLL(r.ctx(), queue, &position, &endFlag, r.record(e));
    },
    [](Run& r) -> uint16_t {
      r.ctx()->extendedChannels = r.in.u16();
      return 0;
    },
    step,
    step,
    step,
};

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run run(Input(data, size));
  fuzz::traceIfAsked(run.ctx());
  for (int i = 0; i < kMostCalls && !run.in.empty(); ++i) {
    Call call = kCalls[run.in.u8() % std::size(kCalls)];
    double start = cpuSeconds();
    call(run);
    if (cpuSeconds() - start > kCallBudgetSeconds) __builtin_trap();
  }
  return 0;
}
