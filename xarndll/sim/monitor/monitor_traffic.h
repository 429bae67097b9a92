// The traffic the monitor listens to: on each connector J1 to J4 a partner bus controller polls
// its eight terminals through a fixed cycle of messages, repeated back to back for as long as the
// card is initialised. Because the traffic repeats, any stretch of it can be counted, searched and
// entered in the middle without simulating the words before: the monitor's long catch-up rests on
// that. docs/bus-protocol.md is the prose of this file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "xarndll/sim/ldb/ldb_bus.h"

namespace xarnsim::monitor {

using ldb::Tick;

inline constexpr int kConnectors = 4;
// Bus codes of J1 to J4; bit N of the bus-select word enables connector N.
inline constexpr std::array<uint16_t, kConnectors> kBusCodes = {0x0008, 0x0004, 0x0002, 0x0001};

// MonMsg flag bits.
inline constexpr uint8_t kFlagCommand = 0x10;
inline constexpr uint8_t kFlagErrors = 0x0F;

struct CycleWord {
  Tick offset = 0;     // start of the word within the cycle
  uint32_t value = 0;  // 24 bits, as the monitor receives them
  uint8_t flags = 0;   // kFlagCommand, and the errors Py, Mn, Lg, Sh in bits 3..0
  uint8_t rt = 0;      // the terminal address the word carries in bits 23..19
};

// A word of one connector's traffic: the cycle it belongs to and its index in the cycle.
struct Position {
  uint64_t cycle = 0;
  uint32_t index = 0;
};

// A subset of a cycle's words (the words the monitor records, or those that fire its trigger),
// with what counting and searching need.
class Marks {
 public:
  template <class Pred>
  void build(const std::vector<CycleWord>& words, Pred marked);

  uint32_t perCycle() const { return static_cast<uint32_t>(list_.size()); }
  // The marked words in order, for a walk through them, and where index `i` (a marked one)
  // stands among them.
  const std::vector<CycleWord>& words() const { return words_; }
  uint32_t rank(uint32_t i) const { return prefix_[i]; }
  // Marked words before `p`, counted from the first cycle.
  uint64_t ordinal(Position p) const { return p.cycle * perCycle() + prefix_[p.index]; }
  // The first marked word at or after `p`; none when the cycle has no marked word.
  std::optional<Position> next(Position p) const;

 private:
  std::vector<uint32_t> prefix_;  // marked words before each index (one more entry than words)
  std::vector<uint32_t> next_;    // the first marked index at or after each index, or the size
  std::vector<uint32_t> list_;    // the marked indexes
  std::vector<CycleWord> words_;  // their words
};

// One connector's partner and its terminals.
class Connector {
 public:
  // Lays out the cycle of connector `index` (0 = J1) for the word timing of the last setup; the
  // first cycle starts at `origin`.
  void build(int index, const ldb::Timing& timing, Tick origin);
  // Takes `words` (in offset order) as the cycle instead: a recording played back.
  void load(std::vector<CycleWord> words, Tick length, Tick origin);

  const std::vector<CycleWord>& words() const { return words_; }
  const CycleWord& word(Position p) const { return words_[p.index]; }
  Tick length() const { return length_; }
  Tick cycleStart(uint64_t cycle) const { return origin_ + cycle * length_; }
  Tick start(Position p) const { return cycleStart(p.cycle) + words_[p.index].offset; }
  // At most how many words start within any `span` ticks.
  uint64_t mostWithin(Tick span) const;
  // The first word that starts at or after `t`.
  Position firstFrom(Tick t) const;
  Position after(Position p) const {
    return p.index + 1 < words_.size() ? Position{p.cycle, p.index + 1} : Position{p.cycle + 1, 0};
  }

 private:
  // The shortest time from one word's start to the next, over the end of the cycle too.
  void measureSpacing();

  std::vector<CycleWord> words_;
  Tick length_ = 1;
  Tick spacing_ = 0;
  Tick origin_ = 0;
};

template <class Pred>
void Marks::build(const std::vector<CycleWord>& words, Pred marked) {
  auto n = static_cast<uint32_t>(words.size());
  prefix_.assign(n + 1, 0);
  next_.assign(n + 1, n);
  list_.clear();
  words_.clear();
  for (uint32_t i = 0; i < n; ++i) {
    bool m = marked(words[i]);
    prefix_[i + 1] = prefix_[i] + (m ? 1 : 0);
    if (m) {
      list_.push_back(i);
      words_.push_back(words[i]);
    }
  }
  for (uint32_t i = n; i-- > 0;) next_[i] = prefix_[i + 1] != prefix_[i] ? i : next_[i + 1];
}

}  // namespace xarnsim::monitor
