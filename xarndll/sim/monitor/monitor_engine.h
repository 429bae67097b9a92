// The bus monitor of BUS_MON: it listens to the local buses on connectors J1 to J4, records
// their words into the monitor stack and stops a set number of words after its trigger. The
// trigger, the RT filter and the stack live in card memory (monitor_layout.h); the engine keeps
// only the partners' traffic plan and its place in the traffic.
#pragma once

#include <array>
#include <cstdint>

#include "card/records.h"
#include "xarndll/sim/bus_engine.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/monitor/monitor_replay.h"
#include "xarndll/sim/monitor/monitor_traffic.h"
#include "xarndll/sim/time_tag_writer.h"

namespace xarnsim::monitor {

// The stack keeps the newest 8192 words. The trigger arms once the capture holds 1024 words, and
// the post-trigger count may take at most the rest but one, so that at least 1024 words before
// the trigger are always there to browse.
inline constexpr uint32_t kMinPreTrigger = 1024;
inline constexpr uint32_t kMaxPostTrigger = map::kMonStack.count - 1 - kMinPreTrigger;

// A word the monitor hears on a shared bus.
struct Heard {
  Tick tick = 0;
  int connector = 0;
  CycleWord word;
};

// The wire of a shared bus, which the monitor hears instead of its invented partners.
class Wire {
 public:
  virtual ~Wire() = default;
  // Forgets the words on the wire so far (the monitor starts listening now).
  virtual void skipHeard() = 0;
  // The next word on the wire that starts before `before`; false when there is none yet.
  virtual bool take(Tick before, Heard& heard) = 0;
};

class Engine final : public BusEngine {
 public:
  explicit Engine(CardMemory& memory) : memory_(memory) {}

  // On a shared bus: the wire the monitor hears (null: its invented partners).
  void attach(Wire* wire) { wire_ = wire; }

  // Arms the monitor: a new capture starts at `nowMicros`; the stack keeps what it holds.
  void start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) override;
  void stop() override { running_ = false; }
  bool advance(uint64_t untilMicros) override;
  void memoryWritten() override { stale_ = true; }

  // Empties the monitor stack.
  void clearStack();
  // The traffic heard from now on: a recording's words (monitor_replay.h), or with none the
  // invented partners again.
  void setReplay(std::optional<Replay> replay) {
    replay_ = std::move(replay);
    builtOrigin_ = ~Tick{0};
    stale_ = true;
  }

  // The driver's record calls; each returns a driver status.
  uint16_t readTrigger(MonTrigger& record) const;
  uint16_t writeTrigger(const MonTrigger& record);
  uint16_t readEntry(int32_t position, MonMsg& entry) const;

 private:
  // A place in the merged traffic of the four connectors: words in start order, a word of J1
  // before a word of J2 that starts in the same tick.
  struct Key {
    Tick tick = 0;
    int connector = 0;
    bool operator<(const Key& o) const {
      return tick != o.tick ? tick < o.tick : connector < o.connector;
    }
  };
  // What decides which words the monitor records and which fire its trigger, as card memory
  // holds it. A bus code that names no single connector means any connector, a sync field of 00
  // any word type, as the trigger page shows them.
  struct Selection {
    uint16_t connectors = 0;  // bus-select bits 0..3: J1 to J4
    uint32_t rts = 0;         // bit N: terminal N passes the RT filter
    bool disabled = false;
    uint16_t buses = 0;  // bus codes of the connectors that may fire the trigger
    bool data = true;
    bool command = true;
    uint32_t mask = 0;   // pattern bits that must be ...
    uint32_t value = 0;  // ... these
    uint8_t errors = 0;  // one of these errors, when any
    bool operator==(const Selection&) const = default;

    bool records(int connector, const CycleWord& w) const;
    bool fires(int connector, const CycleWord& w) const;
  };
  struct Header {
    uint32_t held = 0;
    uint32_t next = 0;
    uint32_t recorded = 0;
    bool triggered = false;
    uint32_t triggerSlot = 0;
    uint32_t post = 0;
    uint32_t captured = 0;
  };
  // The word of connector `c` at `p`, as a place in the merged traffic.
  struct Found {
    Key key;
    Position position;
  };

  void refresh();
  static Selection readSelection(const CardMemory& m);
  Header readHeader() const;
  void writeHeader(const Header& h);

  Position firstFrom(int c, Key from) const;
  uint64_t recordedBefore(Key k) const;
  std::optional<Found> first(const std::array<Marks, kConnectors>& marks, Key from) const;
  // Records the words from the cursor up to `to`; of a stretch longer than the stack only the
  // last stackful is written, the words before are only counted.
  void recordSpan(Key to, Header& h);
  // Records the words from the cursor on that start before `end`, at most `limit` (> 0) of
  // them, in start order; the cursor ends after the last one, or at `end` when fewer came. The
  // count.
  uint64_t recordWords(Key end, uint64_t limit, Header& h);
  // Each connector's first recorded word from `from` on, in lanes_.
  void seek(Key from);
  uint32_t record(int c, Position p, Header& h);
  // Writes the word to the next slot and counts it in the header; the slot.
  uint32_t store(int c, Tick start, const CycleWord& w, Header& h);
  void writeEntry(uint32_t slot, int c, Tick start, const CycleWord& w);
  bool advanceOnWire(Tick until);
  static Key after(Key k) {
    return k.connector + 1 < kConnectors ? Key{k.tick, k.connector + 1} : Key{k.tick + 1, 0};
  }

  CardMemory& memory_;
  Wire* wire_ = nullptr;
  bool running_ = false;
  bool stale_ = true;  // card memory may have changed the configuration
  uint64_t epochMicros_ = 0;
  Key cursor_;  // every word before it has been dealt with

  // What refresh() reads from card memory.
  ldb::Timing timing_{};
  Tick builtOrigin_ = ~Tick{0};
  std::array<Connector, kConnectors> connectors_;
  // The marks are worked out again only when the selection or the cycles change: a setup file
  // loaded while the monitor runs writes a million words, nearly all of them elsewhere.
  Selection selection_;
  std::array<Marks, kConnectors> recorded_;  // the words the monitor records
  std::array<Marks, kConnectors> matching_;  // the recorded words that fire the trigger
  uint32_t postTrigger_ = 0;
  // Where recordWords() left each connector: its next recorded word from aheadFrom_ on, as a
  // place in the cycle's list of recorded words. A step that goes on from there needs no search.
  struct Lane {
    bool idle = true;  // the connector records nothing
    uint32_t rank = 0;
    Tick cycleStart = 0;
    Tick start = 0;  // of the word
  };
  std::array<Lane, kConnectors> lanes_;
  Key aheadFrom_;
  bool aheadKnown_ = false;
  std::optional<Replay> replay_;

  TimeTagWriter tags_{memory_, epochMicros_};
};

}  // namespace xarnsim::monitor
