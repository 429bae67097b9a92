// The global data bus as the card sees it, shared by GDB_BCT and GDB_MRT: word timing, what an
// injected error does to a word, the partner terminals' answers, where each structure's words
// lie in the GDB regions of the memory map, and the repeating schedule both modes run on.
// docs/bus-protocol.md is the prose of this file, docs/card-memory-map.md of its layout.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "xarndll/sim/ldb/ldb_bus.h"

namespace xarnsim::gdb {

// Bus time in half microseconds, as on the local bus: one time-tag stamping for both buses.
using Tick = ldb::Tick;
inline constexpr Tick kTicksPerMicro = ldb::kTicksPerMicro;
inline constexpr Tick micros(uint64_t us) { return us * kTicksPerMicro; }

// A word is 48 bits at 12 Mbit/s: six sync bits, RT address (8), channel (16), data (16), two
// parity bits.
inline constexpr uint16_t kWordBits = 48;
inline constexpr Tick kWordTime = micros(4);
inline constexpr Tick kTurnaround = micros(2);  // shortest time from a word to the answer
inline constexpr Tick kMessageGap = micros(2);  // after each message
// The card as controller gives every transfer a slot long enough for the latest answer.
inline constexpr Tick kControllerTimeout = micros(20);
inline constexpr Tick kControllerSlot = kWordTime + kControllerTimeout + kMessageGap;
// The partner controller of GDB_MRT waits this long for a terminal's first word.
inline constexpr Tick kPartnerTimeout = micros(100);

inline constexpr uint16_t kErrorNone = ldb::kErrorNone;
inline constexpr uint16_t kErrorSync = ldb::kErrorSync;
inline constexpr uint16_t kErrorBitCount = ldb::kErrorBitCount;
inline constexpr uint16_t kErrSy = ldb::kErrSy;  // bit 4 of the error flags, not shown by pages

// What `type`/`size` do to a word of this bus: the local bus's rules, with a Bit Count error
// measured against 48 bits. An unknown type does nothing.
ldb::WordFault applyInjection(uint16_t type, uint16_t size, bool commandSync);
bool knownErrorType(uint16_t type);

// What the driver accepts is what the engines act on: a value that a poke, a memory edit or a
// setup file puts in card memory and that the driver call would refuse is skipped by the engine
// that reads it, through the same checks.
inline constexpr uint16_t kMaxRt = 255;
// The highest channel number a card accepts, by its extended-channel flag.
inline constexpr uint16_t channelLimit(bool extended) { return extended ? 0xFFFF : 0xFF; }
// A terminal 0..255 and a channel the card decodes: a channel record's key.
inline bool knownChannel(uint16_t rt, uint16_t channel, bool extended) {
  return rt <= kMaxRt && channel <= channelLimit(extended);
}
// A command the bus can carry: a known channel with an error type the card knows.
inline bool sendable(uint16_t rt, uint16_t channel, uint16_t errorType, bool extended) {
  return knownChannel(rt, channel, extended) && knownErrorType(errorType);
}

// The answer of a partner terminal to the n-th transfer of a run: a deterministic function of
// n, so that the same run gives the same answers. One transfer in 256 goes unanswered, one
// answered transfer in 256 carries one word error (Py, Mn, Lg or Sh).
struct PartnerAnswer {
  bool responds = true;
  uint16_t errors = 0;
  uint16_t data = 0;  // the measured value
};
// Inline: the controller asks for an answer every transfer, and an answer handed back from a
// call is put together in memory and read back whole before it is ready.
inline PartnerAnswer partnerAnswer(uint64_t transfer) {
  // The finaliser of splitmix64: every bit of n reaches every bit of the result.
  uint64_t h = transfer + 0x9E3779B97F4A7C15ull;
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  h ^= h >> 31;
  constexpr std::array<uint16_t, 4> kWordErrors = {ldb::kErrPy, ldb::kErrMn, ldb::kErrLg,
                                                   ldb::kErrSh};
  PartnerAnswer a;
  a.responds = (h & 0xFF) != 0;
  if (a.responds && (h >> 8 & 0xFF) == 0) a.errors = kWordErrors[h >> 16 & 3];
  a.data = a.responds ? static_cast<uint16_t>(h >> 32) : 0;
  return a;
}

// ---- Layout: byte offsets inside the entries of the GDB regions.

inline constexpr uint16_t kRate100 = 100;
inline constexpr uint16_t kRate10 = 10;
inline constexpr uint16_t kRate1 = 1;

// A rate-table entry: the operation, the twelve words of the command record, a written flag.
namespace table {
inline constexpr uint32_t kOperation = 0;
inline constexpr uint32_t kRecord = 2;    // 12 words
inline constexpr uint32_t kWritten = 26;  // 1 once written; an unwritten entry injects nothing
}  // namespace table

// A command-queue entry.
namespace cmdq {
inline constexpr uint32_t kRt = 0;
inline constexpr uint32_t kSync = 2;
inline constexpr uint32_t kErrorType = 4;
inline constexpr uint32_t kErrorSize = 6;
inline constexpr uint32_t kChannel = 8;
inline constexpr uint32_t kData = 10;
}  // namespace cmdq

// An uplink or downlink entry: the nine words the driver returns, the time tag of its word and
// the bus (0 A, 1 B) it went on.
namespace udq {
inline constexpr uint32_t kSource = 0;
inline constexpr uint32_t kSync = 2;
inline constexpr uint32_t kNoResponse = 4;
inline constexpr uint32_t kErrors = 6;
inline constexpr uint32_t kRt = 8;
inline constexpr uint32_t kChannel = 10;
inline constexpr uint32_t kData = 12;
inline constexpr uint32_t kRate = 14;
inline constexpr uint32_t kIndex = 16;
inline constexpr uint32_t kTimeTag = 18;  // 6 words
inline constexpr uint32_t kBus = 30;
}  // namespace udq

// A terminal record: the record's eleven words after its marker, then a written flag.
namespace rt {
inline constexpr uint32_t kEnable = 0;
inline constexpr uint32_t kReserved = 2;  // 4 words
inline constexpr uint32_t kErrorType = 10;
inline constexpr uint32_t kErrorSize = 12;
inline constexpr uint32_t kUnsolicitedSync = 14;
inline constexpr uint32_t kUnsolicitedRt = 16;
inline constexpr uint32_t kUnsolicitedChannel = 18;
inline constexpr uint32_t kUnsolicitedData = 20;
inline constexpr uint32_t kWritten = 22;
inline constexpr uint32_t kWords = 11;  // record words stored from kEnable
}  // namespace rt

// A channel-pool entry: in-use flag, key, then the channel record's thirteen words after its
// marker.
namespace chan {
inline constexpr uint32_t kUsed = 0;
inline constexpr uint32_t kRt = 2;
inline constexpr uint32_t kChannel = 4;
inline constexpr uint32_t kIntermediate = 6;
inline constexpr uint32_t kEnable = 8;
inline constexpr uint32_t kUnsolicited = 10;
inline constexpr uint32_t kReserved = 12;
inline constexpr uint32_t kCommandAddress = 14;
inline constexpr uint32_t kSync = 16;
inline constexpr uint32_t kResponseRt = 18;
inline constexpr uint32_t kResponseChannel = 20;
inline constexpr uint32_t kData = 22;
inline constexpr uint32_t kType = 24;
inline constexpr uint32_t kNotAndMask = 26;
inline constexpr uint32_t kOrMask = 28;
inline constexpr uint32_t kResponseTime = 30;
inline constexpr uint32_t kWords = 13;  // record words stored from kIntermediate
}  // namespace chan

// An RT-queue entry: the six words the driver returns, what the word was, its time tag.
namespace rtq {
inline constexpr uint32_t kResponse = 0;
inline constexpr uint32_t kSync = 2;
inline constexpr uint32_t kErrors = 4;
inline constexpr uint32_t kRt = 6;
inline constexpr uint32_t kChannel = 8;
inline constexpr uint32_t kData = 10;
inline constexpr uint32_t kKind = 12;
inline constexpr uint32_t kTimeTag = 14;  // 6 words
}  // namespace rtq

// Run counters, in the run-control region.
namespace run {
inline constexpr uint32_t kTransfers = 0;      // 2 words: GDB_BCT transfers sent or heard
inline constexpr uint32_t kTriggersPlus = 4;   // 2 words: +Ve trigger pulses
inline constexpr uint32_t kTriggersMinus = 8;  // 2 words: -Ve trigger pulses
inline constexpr uint32_t kPolls = 0;          // 2 words: GDB_MRT commands of the partner
inline constexpr uint32_t kAnswers = 4;        // 2 words: ... that a terminal answered
// GDB_BCT on a shared bus: 1 from RUN until the card halts or leaves the mode; a HALT entry
// that stops the controller does not end it, so other cards see one answer for a whole stretch
// of bus time.
inline constexpr uint32_t kOnBus = 12;
}  // namespace run

// ---- The schedule

// A plan of slots that repeats every `period` from `origin`: each slot has a start and an end
// inside the period and counts of what it adds to the card (queue entries, counters). Slot g of
// the run is slot g % n of period g / n. A catch-up finds, in constant or logarithmic time, the
// slots that end by a given time and how many entries a stretch of slots writes, so it can count
// the slots no queue can show any more instead of running them.
inline constexpr int kCounts = 4;

class Timeline {
 public:
  struct Slot {
    Tick start = 0;
    Tick end = 0;
    std::array<uint32_t, kCounts> counts{};
  };

  // `slots` in time order, all inside `period`.
  void reset(Tick origin, Tick period, const std::vector<Slot>& slots);

  // A plan may have no slot at all (terminals with no channel): nothing is ever due then.
  uint64_t size() const { return starts_.size(); }
  Tick period() const { return period_; }
  Tick origin() const { return origin_; }
  Tick startOf(uint64_t g) const {
    return size() ? startOf(g / size(), static_cast<uint32_t>(g % size())) : origin_;
  }
  // Slot `slot` (below size()) of period `cycle`.
  Tick startOf(uint64_t cycle, uint32_t slot) const {
    return origin_ + cycle * period_ + starts_[slot];
  }
  // The first slot from `from` on that has not ended by `until`.
  uint64_t firstNotDone(uint64_t from, Tick until) const;
  // What the slots [a, b) add up to, for count `k`.
  uint64_t total(int k, uint64_t a, uint64_t b) const { return before(k, b) - before(k, a); }
  // The latest slot in [from, to] from which the slots up to `to` still add `keep` of count `k`
  // (or all they can): the slots before it can only be counted.
  uint64_t keepFrom(int k, uint64_t from, uint64_t to, uint64_t keep) const;

 private:
  uint64_t before(int k, uint64_t g) const {
    return size() ? g / size() * prefix_[k].back() + prefix_[k][g % size()] : 0;
  }

  Tick origin_ = 0;
  Tick period_ = 1;
  std::vector<Tick> starts_;
  std::vector<Tick> ends_;
  std::array<std::vector<uint64_t>, kCounts> prefix_;  // n + 1 running totals per count
};

}  // namespace xarnsim::gdb
