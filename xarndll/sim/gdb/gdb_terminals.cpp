#include "xarndll/sim/gdb/gdb_terminals.h"

#include <algorithm>
#include <cstring>

#include "xarndll/sim/gdb/gdb_controller.h"
#include "xarndll/sim/gdb/gdb_tap.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/status.h"

namespace xarnsim::gdb {
namespace {

constexpr uint16_t kTerminals = 256;
constexpr uint32_t kMarker = 0xFFFFFFFF;
constexpr uint16_t kLongestTime = 0xFFFE;  // a response time as the queue's response word

constexpr int kEntriesCount = 0;
constexpr int kAnswersCount = 1;
constexpr int kPollsCount = 2;

// Response types name the requests they answer: bit N of the entry is request kind N
// (COMMAND, DISCRETE, MEASUREMENT, ANALOG). The type is read from bits 10..9 of its code.
constexpr std::array<uint8_t, 4> kAnsweredKinds = {0b0101, 0b0110, 0b0100, 0b1000};

// The record's words after its 32-bit write marker.
template <class Record, std::size_t N>
void wordsOf(const Record& r, std::array<uint16_t, N>& words) {
  static_assert(sizeof(Record) == 4 + 2 * N);
  std::memcpy(words.data(), reinterpret_cast<const char*>(&r) + 4, 2 * N);
}
template <class Record, std::size_t N>
void toRecord(const std::array<uint16_t, N>& words, Record& r) {
  static_assert(sizeof(Record) == 4 + 2 * N);
  uint32_t marker = 0;
  std::memcpy(&r, &marker, 4);
  std::memcpy(reinterpret_cast<char*>(&r) + 4, words.data(), 2 * N);
}
template <class Record>
uint32_t markerOf(const Record& r) {
  uint32_t marker = 0;
  std::memcpy(&marker, &r, 4);
  return marker;
}

// The partner's command data: the request kind's code in bits 10..9.
uint16_t requestCode(int kind) { return static_cast<uint16_t>(kind << 9); }

void addCounter(CardMemory& m, uint32_t offset, uint64_t n) {
  uint32_t at = map::kRunControl.base + offset;
  m.write32(at, static_cast<uint32_t>(m.read32(at) + n));
}

}  // namespace

bool answersKind(uint16_t type, int kind) { return kAnsweredKinds[type >> 9 & 3] >> kind & 1; }

Terminals::Terminals(CardMemory& memory, TimeTagWriter& tags, const bool& extendedChannels)
    : memory_(memory),
      tags_(tags),
      extended_(extendedChannels),
      queue_(memory, map::kGdbRtQueueHeader, map::kGdbRtQueue) {}

// ---- Records

uint16_t Terminals::readRt(uint16_t n, GdbRtSimRecord& record) const {
  if (n >= kTerminals) return kStatusBadArgument;
  uint32_t at = map::kGdbRtSim.entry(n);
  std::array<uint16_t, rt::kWords> words{};
  memory_.readWords(at, words.data(), rt::kWords);
  if (!memory_.read(at + rt::kWritten)) words[rt::kErrorType / 2] = kErrorNone;
  toRecord(words, record);
  return kStatusOk;
}

uint16_t Terminals::writeRt(uint16_t n, const GdbRtSimRecord& record) {
  if (n >= kTerminals || markerOf(record) != kMarker) return kStatusBadArgument;
  std::array<uint16_t, rt::kWords> words{};
  wordsOf(record, words);
  if (!knownErrorType(words[rt::kErrorType / 2])) return kStatusBadArgument;
  uint32_t at = map::kGdbRtSim.entry(n);
  memory_.writeWords(at, words.data(), rt::kWords);
  memory_.write(at + rt::kWritten, 1);
  invalidate();
  return kStatusOk;
}

uint32_t Terminals::find(const CardMemory& memory, uint16_t n, uint16_t channel) {
  for (uint32_t i = 0; i < map::kGdbChannels.count; ++i) {
    uint32_t at = map::kGdbChannels.entry(i);
    if (memory.read(at + chan::kUsed) && memory.read(at + chan::kRt) == n &&
        memory.read(at + chan::kChannel) == channel)
      return at;
  }
  return 0;
}

void Terminals::readTerminal(const CardMemory& memory, uint16_t n, Terminal& out) {
  uint32_t at = map::kGdbRtSim.entry(n);
  memory.readWords(at, out.words.data(), rt::kWords);
  out.written = memory.read(at + rt::kWritten) != 0;
}

uint16_t Terminals::readChannel(uint16_t n, uint16_t channel, GdbRtChanRecord& record,
                                bool extended) const {
  if (!knownChannel(n, channel, extended)) return kStatusBadArgument;
  std::array<uint16_t, chan::kWords> words{};  // a channel never written: all zero
  if (uint32_t at = find(memory_, n, channel))
    memory_.readWords(at + chan::kIntermediate, words.data(), chan::kWords);
  toRecord(words, record);
  return kStatusOk;
}

// A channel whose settings are all the defaults (all zero) needs no pool entry: writing the
// defaults frees it.
uint16_t Terminals::writeChannel(uint16_t n, uint16_t channel, const GdbRtChanRecord& record,
                                 bool extended) {
  if (!knownChannel(n, channel, extended) || markerOf(record) != kMarker) return kStatusBadArgument;
  std::array<uint16_t, chan::kWords> words{};
  wordsOf(record, words);
  bool defaults = std::all_of(words.begin(), words.end(), [](uint16_t w) { return w == 0; });
  uint32_t at = find(memory_, n, channel);
  if (!at && defaults) return kStatusOk;
  if (!at) {
    for (uint32_t i = 0; i < map::kGdbChannels.count && !at; ++i) {
      uint32_t e = map::kGdbChannels.entry(i);
      if (!memory_.read(e + chan::kUsed)) at = e;
    }
    if (!at) return kStatusNoRoom;
  }
  if (defaults) {
    memory_.fill(at, map::kGdbChannels.entryBytes / 2, 0);
  } else {
    memory_.write(at + chan::kUsed, 1);
    memory_.write(at + chan::kRt, n);
    memory_.write(at + chan::kChannel, channel);
    memory_.writeWords(at + chan::kIntermediate, words.data(), chan::kWords);
  }
  invalidate();
  return kStatusOk;
}

uint16_t Terminals::readQueue(uint16_t* index, uint16_t* endFlag, GdbRtQueueEntry& entry) {
  return readAtPosition(queue_, index, endFlag, [&](uint32_t at) {
    std::array<uint16_t, sizeof(GdbRtQueueEntry) / 2> words{};
    memory_.readWords(at, words.data(), words.size());
    std::memcpy(&entry, words.data(), sizeof entry);
  });
}

// ---- The partner controller

// The partner sends each channel a command (command sync, data: the request kind's code), and
// waits for the terminal. An enabled channel of an enabled terminal answers the kinds its
// response type names, after its response time: first an intermediate word when enabled, then
// its response word, then its terminal's unsolicited word when enabled. An answer later than the
// controller's timeout, with no intermediate word to hold the bus, is no answer. A data-sync
// word (from another card's controller) asks for nothing and is not answered.
void Terminals::exchange(const Channel& c, const Terminal& t, uint16_t commandSync,
                         uint16_t commandData, Tick timeout, Exchange& out) {
  auto responseTime =
      static_cast<uint16_t>(std::min<uint16_t>(c.word(chan::kResponseTime), kLongestTime));
  bool intermediate = c.word(chan::kIntermediate) != 0;
  Tick delay = kTurnaround + micros(c.word(chan::kResponseTime));
  const int kind = commandData >> 9 & 3;
  out.answered = commandSync != 0 && t.word(rt::kEnable) == kRtEnabled &&
                 c.word(chan::kEnable) != 0 && answersKind(c.word(chan::kType), kind) &&
                 (intermediate || delay <= timeout);
  out.count = 0;
  auto add = [&](Tick offset, uint16_t response, uint16_t sync, uint16_t errors, uint16_t rtNumber,
                 uint16_t channel, uint16_t data, uint16_t what) {
    out.words[static_cast<std::size_t>(out.count++)] =
        Word{offset, {response, sync, errors, rtNumber, channel, data, what}};
  };
  add(0, out.answered ? responseTime : kNoResponse, commandSync, 0, c.rt, c.number, commandData,
      kWordCommand);
  if (!out.answered) {
    out.length = kWordTime + kPartnerTimeout + kMessageGap;
    return;
  }
  // An error type the driver would refuse (poked in) injects nothing, like a terminal never
  // written.
  uint16_t errorType = t.written ? t.word(rt::kErrorType) : kErrorNone;
  if (!knownErrorType(errorType)) errorType = kErrorNone;
  auto errors = [&](uint16_t sync) {
    if (errorType == kErrorNone) return uint16_t{0};
    return applyInjection(errorType, t.word(rt::kErrorSize), sync != 0).errors;
  };
  bool commandAddress = c.word(chan::kCommandAddress) != 0;
  uint16_t rtNumber = commandAddress ? c.rt : c.word(chan::kResponseRt);
  uint16_t channel = commandAddress ? c.number : c.word(chan::kResponseChannel);
  Tick end = kWordTime;
  Tick answerAt = kWordTime + delay;
  if (intermediate) {
    add(kWordTime + kTurnaround, responseTime, 0, errors(0), rtNumber, channel, 0,
        kWordIntermediate);
    answerAt = std::max(answerAt, kWordTime + kTurnaround + kWordTime + kTurnaround);
  }
  uint16_t sync = c.word(chan::kSync);
  auto data = static_cast<uint16_t>((c.word(chan::kData) & ~c.word(chan::kNotAndMask)) |
                                    c.word(chan::kOrMask));
  add(answerAt, responseTime, sync, errors(sync), rtNumber, channel, data, kWordResponse);
  end = answerAt + kWordTime;
  if (c.word(chan::kUnsolicited)) {
    uint16_t unsolicitedSync = t.word(rt::kUnsolicitedSync);
    add(end + kTurnaround, 0, unsolicitedSync, errors(unsolicitedSync), t.word(rt::kUnsolicitedRt),
        t.word(rt::kUnsolicitedChannel), t.word(rt::kUnsolicitedData), kWordUnsolicited);
    end += kTurnaround + kWordTime;
  }
  out.length = end + kMessageGap;
}

// Four poll cycles make the period: one for each request kind, in the order COMMAND, DISCRETE,
// MEASUREMENT, ANALOG. A cycle polls every channel of the pool in (RT, channel) order, back to
// back, and lasts 100 ms, or as long as its messages take. A pool entry whose key the driver
// would refuse (put there by hand) is not polled; with no channel at all the partner polls
// nothing and the plan has no slot.
void Terminals::plan() {
  for (uint16_t n = 0; n < kTerminals; ++n) readTerminal(memory_, n, terminals_[n]);
  channels_.clear();
  for (uint32_t i = 0; i < map::kGdbChannels.count; ++i) {
    uint32_t at = map::kGdbChannels.entry(i);
    if (!memory_.read(at + chan::kUsed)) continue;
    Channel c;
    c.rt = memory_.read(at + chan::kRt);
    c.number = memory_.read(at + chan::kChannel);
    if (!knownChannel(c.rt, c.number, extended_)) continue;
    memory_.readWords(at + chan::kIntermediate, c.words.data(), chan::kWords);
    channels_.push_back(c);
  }
  std::sort(channels_.begin(), channels_.end(), [](const Channel& a, const Channel& b) {
    return a.rt != b.rt ? a.rt < b.rt : a.number < b.number;
  });
  std::vector<Timeline::Slot> slots;
  Tick cycleStart = 0;
  Exchange ex;
  for (int kind = 0; kind < kRequestKinds; ++kind) {
    Tick t = cycleStart;
    for (const Channel& c : channels_) {
      exchange(c, terminals_[c.rt], 1, requestCode(kind), kPartnerTimeout, ex);
      Timeline::Slot slot;
      slot.start = t;
      t += ex.length;
      slot.end = t;
      slot.counts[kEntriesCount] = static_cast<uint32_t>(ex.count);
      slot.counts[kAnswersCount] = ex.answered ? 1 : 0;
      slot.counts[kPollsCount] = 1;
      slots.push_back(slot);
    }
    cycleStart += std::max(kPollCycle, t - cycleStart);
  }
  timeline_.reset(done_, cycleStart, slots);
  next_ = 0;
}

void Terminals::start(Tick now) {
  running_ = true;
  done_ = now;
  memory_.fill(map::kRunControl.base, 4, 0);
  plan();
  stale_ = false;
}

void Terminals::count(uint64_t from, uint64_t to) {
  if (from >= to) return;
  queue_.skip(timeline_.total(kEntriesCount, from, to));
  addCounter(memory_, run::kPolls, timeline_.total(kPollsCount, from, to));
  addCounter(memory_, run::kAnswers, timeline_.total(kAnswersCount, from, to));
}

void Terminals::perform(uint64_t g) {
  uint64_t slot = g % timeline_.size();
  Exchange ex;
  const Channel& c = channels_[slot % channels_.size()];
  exchange(c, terminals_[c.rt], 1, requestCode(static_cast<int>(slot / channels_.size())),
           kPartnerTimeout, ex);
  record(memory_, tags_, queue_, ex, static_cast<uint16_t>(slot / channels_.size()),
         timeline_.startOf(g));
}

// The exchange's words on the RT queue, and the command in the run counters.
void Terminals::record(CardMemory& memory, TimeTagWriter& tags, RingQueue& queue,
                       const Exchange& ex, uint16_t kind, Tick start) {
  for (int i = 0; i < ex.count; ++i) {
    const Word& w = ex.words[static_cast<std::size_t>(i)];
    uint32_t at = queue.push();
    memory.writeWords(at, w.fields.data(), static_cast<uint32_t>(w.fields.size()));
    tags.write(at + rtq::kTimeTag, start + w.offset);
    const auto& f = w.fields;  // response, sync, errors, RT, channel, data, what
    tapWord(memory, gdbWord(start + w.offset, {f[3], f[4], f[5], f[1] != 0}, f[6] != kWordCommand,
                            0, static_cast<uint8_t>(f[6]), f[2]));
  }
  tapTransfer(memory,
              {kind, ex.words[0].fields[3], ex.answered ? uint16_t{0} : kWireNoResponse, 0});
  addCounter(memory, run::kPolls, 1);
  addCounter(memory, run::kAnswers, ex.answered ? 1 : 0);
}

// ---- A controller on the shared bus

uint32_t Terminals::claim(const CardMemory& memory, uint16_t n, uint16_t channel) {
  if (n >= kTerminals || memory.read(map::kGdbRtSim.entry(n) + rt::kEnable) != kRtEnabled) return 0;
  return find(memory, n, channel);
}

// The controller takes the response word that ends within its wait; an intermediate word first
// keeps the terminal answering, but not the controller waiting.
void Terminals::answer(CardMemory& memory, uint64_t epochMicros, uint32_t entry, const Request& r,
                       Answer& a) {
  Terminal t;
  readTerminal(memory, r.rt, t);
  Channel c{r.rt, r.channel, {}};
  memory.readWords(entry + chan::kIntermediate, c.words.data(), chan::kWords);
  Exchange ex;
  exchange(c, t, r.sync, r.data, kControllerTimeout - kWordTime, ex);
  // Another terminal's words collide with every word this one sends.
  for (int i = 1; r.clash && i < ex.count; ++i)
    ex.words[static_cast<std::size_t>(i)].fields[2] |= ldb::kErrMn;
  TimeTagWriter tags(memory, epochMicros);
  RingQueue queue(memory, map::kGdbRtQueueHeader, map::kGdbRtQueue);
  record(memory, tags, queue, ex, static_cast<uint16_t>(r.data >> 9 & 3), r.start);
  a = Answer{};
  for (int i = 0; i < ex.count; ++i) {
    const Word& w = ex.words[static_cast<std::size_t>(i)];
    if (w.fields[6] != kWordResponse || w.offset > kControllerTimeout) continue;
    a.answered = true;
    a.at = w.offset;
    a.sync = w.fields[1];
    a.errors = w.fields[2];
    a.rt = w.fields[3];
    a.channel = w.fields[4];
    a.data = w.fields[5];
  }
}

// A change to the terminals while the partner polls starts a new poll cycle at once.
bool Terminals::advance(Tick until) {
  if (!running_) return false;
  if (stale_) {
    plan();
    stale_ = false;
  }
  uint64_t to = timeline_.firstNotDone(next_, until);
  if (wire_ && (wire_->activeControllerElsewhere() || !wire_->partners())) {
    next_ = to;  // the bus's own controller does the talking
    done_ = until;
    return true;
  }
  uint64_t from =
      tapped(memory_) ? next_ : timeline_.keepFrom(kEntriesCount, next_, to, queue_.capacity());
  count(next_, from);
  for (uint64_t g = from; g < to; ++g) perform(g);
  next_ = to;
  done_ = until;
  return true;
}

}  // namespace xarnsim::gdb
