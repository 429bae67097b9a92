#include "xarndll/sim/monitor/monitor_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/sim/monitor/monitor_layout.h"
#include "xarndll/sim/monitor/monitor_tap.h"
#include "xarndll/status.h"

namespace xarnsim::monitor {
namespace {

constexpr uint32_t kTrigger = map::kMonTrigger.base;
constexpr uint32_t kHeader = map::kMonStackHeader.base;
constexpr uint16_t kControlDisabled = 0x8000;
constexpr uint16_t kSyncData = 1;
constexpr uint16_t kSyncCommand = 2;
constexpr int kPatternBits = 24;
// The connectors' cycles start a few ticks apart, so that their words seldom start together.
constexpr Tick kConnectorPhase = 7;

char patternChar(const CardMemory& m, uint32_t i) {
  uint16_t word = m.read(kTrigger + trigger::kPattern + (i & ~1u));
  return static_cast<char>(i % 2 ? word >> 8 : word & 0xFF);
}

bool rtEnabled(const CardMemory& m, uint32_t rt) {
  return m.read(kTrigger + trigger::kRtFilter + 2 * rt) == 0;
}

// Kept out of line: the merge writes an entry every few microseconds, and a recorded card is rare.
[[gnu::noinline]] void offerToTap(CardMemory& m, int c, Tick start, const CycleWord& w) {
  tapWord(m, monitorWord(start, w, c));
  tapTransfer(m, {0, w.rt, 0, 0});
}

}  // namespace

// ---- Records

uint16_t Engine::readTrigger(MonTrigger& r) const {
  r.leadWord = memory_.read(kTrigger + trigger::kLeadWord);
  r.triggerBus = memory_.read(kTrigger + trigger::kBus);
  // A position never written holds 0 and matches anything: it reads as "X".
  for (uint32_t i = 0; i < kMonPatternChars; ++i) {
    char c = patternChar(memory_, i);
    r.pattern[i] = c ? c : 'X';
  }
  r.control = memory_.read(kTrigger + trigger::kControl);
  r.postTriggerCount = memory_.read32(kTrigger + trigger::kPostTrigger);
  if (uint16_t* filter = r.rtFilter) {
    for (uint32_t rt = 0; rt < kRtFilterEntries; ++rt) filter[rt] = rtEnabled(memory_, rt) ? 1 : 0;
  }
  return kStatusOk;
}

// A null RT filter reference (the snapshot display's) leaves the filter as it is.
uint16_t Engine::writeTrigger(const MonTrigger& r) {
  if (r.postTriggerCount > kMaxPostTrigger) return kStatusBadArgument;
  memory_.write(kTrigger + trigger::kLeadWord, r.leadWord);
  memory_.write(kTrigger + trigger::kBus, r.triggerBus);
  for (uint32_t i = 0; i < kMonPatternChars; i += 2) {
    auto low = static_cast<uint8_t>(r.pattern[i]);
    auto high = static_cast<uint8_t>(r.pattern[i + 1]);
    memory_.write(kTrigger + trigger::kPattern + i, static_cast<uint16_t>(low | high << 8));
  }
  memory_.write(kTrigger + trigger::kControl, r.control);
  memory_.write32(kTrigger + trigger::kPostTrigger, r.postTriggerCount);
  if (const uint16_t* filter = r.rtFilter) {
    for (uint32_t rt = 0; rt < kRtFilterEntries; ++rt)
      memory_.write(kTrigger + trigger::kRtFilter + 2 * rt, filter[rt] == 1 ? 0 : 1);
  }
  stale_ = true;
  return kStatusOk;
}

// Positions count from the trigger word; the stack answers for the words it still holds. A
// capture that stopped without a trigger counts from the last word it recorded, and has only
// history; an armed one without a trigger has nothing to show yet.
uint16_t Engine::readEntry(int32_t position, MonMsg& out) const {
  Header h = readHeader();
  if (h.held == 0 || (!h.triggered && running_)) return kStatusBadArgument;
  uint32_t zero = h.triggered ? h.triggerSlot : (h.next + kStackEntries - 1) % kStackEntries;
  int64_t post = h.triggered ? std::min<int64_t>(h.post, h.held - 1) : 0;
  int64_t pre = h.held - 1 - post;
  if (position > post || position < -pre) return kStatusBadArgument;
  int64_t slot = (static_cast<int64_t>(zero) + position) % kStackEntries;
  if (slot < 0) slot += kStackEntries;
  uint32_t at = map::kMonStack.entry(static_cast<uint32_t>(slot));
  MonMsg e{};
  e.timeTag = ldb::readTimeTag(memory_, at + entry::kTimeTag);
  e.busCode = memory_.read(at + entry::kBusCode);
  e.wordHigh = memory_.read(at + entry::kWordHigh);
  e.wordLow = memory_.read(at + entry::kWordLow);
  e.flags = memory_.read(at + entry::kFlags);
  std::memcpy(&out, &e, sizeof e);
  return kStatusOk;
}

void Engine::clearStack() {
  memory_.clear(map::kMonStackHeader);
  memory_.clear(map::kMonStack);
}

// ---- The stack header

// A header that memory writes have corrupted is read as a valid one.
Engine::Header Engine::readHeader() const {
  Header h;
  h.held = std::min<uint32_t>(memory_.read(kHeader + stack::kHeld), kStackEntries);
  h.next = memory_.read(kHeader + stack::kNext) % kStackEntries;
  h.recorded = memory_.read32(kHeader + stack::kRecorded);
  h.triggered = memory_.read(kHeader + stack::kTriggered) != 0;
  h.triggerSlot = memory_.read(kHeader + stack::kTriggerSlot) % kStackEntries;
  h.post = std::min(memory_.read32(kHeader + stack::kPost), kMaxPostTrigger);
  h.captured = memory_.read32(kHeader + stack::kCaptured);
  return h;
}

void Engine::writeHeader(const Header& h) {
  memory_.write(kHeader + stack::kHeld, static_cast<uint16_t>(h.held));
  memory_.write(kHeader + stack::kNext, static_cast<uint16_t>(h.next));
  memory_.write32(kHeader + stack::kRecorded, h.recorded);
  memory_.write(kHeader + stack::kTriggered, h.triggered ? 1 : 0);
  memory_.write(kHeader + stack::kTriggerSlot, static_cast<uint16_t>(h.triggerSlot));
  memory_.write32(kHeader + stack::kPost, h.post);
  memory_.write32(kHeader + stack::kCaptured, h.captured);
}

// ---- The engine

Engine::Selection Engine::readSelection(const CardMemory& m) {
  Selection s;
  s.connectors = m.read(map::kMonitorBusSelect.base) & 0x000F;
  for (uint32_t rt = 0; rt < kRtFilterEntries; ++rt) s.rts |= rtEnabled(m, rt) ? 1u << rt : 0;
  uint16_t control = m.read(kTrigger + trigger::kControl);
  uint16_t bus = m.read(kTrigger + trigger::kBus);
  s.disabled = (control & kControlDisabled) != 0;
  bool single = std::find(kBusCodes.begin(), kBusCodes.end(), bus) != kBusCodes.end();
  s.buses = single ? bus : 0x000F;
  uint16_t sync = control >> 4 & 3;
  s.data = sync != kSyncCommand;
  s.command = sync != kSyncData;
  for (int i = 0; i < kPatternBits; ++i) {
    char c = patternChar(m, static_cast<uint32_t>(i));
    uint32_t bit = 1u << (kPatternBits - 1 - i);
    if (c == '0' || c == '1') s.mask |= bit;
    if (c == '1') s.value |= bit;
  }
  s.errors = static_cast<uint8_t>(control & kFlagErrors);
  return s;
}

bool Engine::Selection::records(int connector, const CycleWord& w) const {
  return (connectors >> connector & 1) != 0 && (rts >> w.rt & 1) != 0;
}

bool Engine::Selection::fires(int connector, const CycleWord& w) const {
  if (disabled || !(buses & kBusCodes[static_cast<std::size_t>(connector)])) return false;
  if (!((w.flags & kFlagCommand) ? command : data)) return false;
  if ((w.value & mask) != value) return false;
  return errors == 0 || (w.flags & errors) != 0;
}

void Engine::start(uint16_t, uint64_t nowMicros, uint64_t epochMicros) {
  running_ = true;
  if (wire_) wire_->skipHeard();
  stale_ = true;
  epochMicros_ = epochMicros;
  cursor_ = Key{nowMicros * ldb::kTicksPerMicro, 0};
  Header h = readHeader();
  h.triggered = false;
  h.post = 0;
  h.captured = 0;
  writeHeader(h);
}

// Reads what the recording depends on: word timing, bus select, RT filter and trigger. The
// partners' cycles are laid out again only when the timing or the card's epoch changed.
void Engine::refresh() {
  stale_ = false;
  aheadKnown_ = false;
  ldb::Timing timing = ldb::readTiming(memory_);
  Tick origin = epochMicros_ * ldb::kTicksPerMicro;
  bool sameTiming = timing.word == timing_.word && timing.gap == timing_.gap &&
                    timing.response == timing_.response && timing.timeout == timing_.timeout;
  bool rebuilt = !sameTiming || origin != builtOrigin_;
  if (rebuilt) {
    timing_ = timing;
    builtOrigin_ = origin;
    for (int c = 0; c < kConnectors; ++c) {
      auto i = static_cast<std::size_t>(c);
      if (replay_)
        connectors_[i].load(replay_->words[i], replay_->length, origin + replay_->first);
      else
        connectors_[i].build(c, timing_, origin + static_cast<Tick>(c) * kConnectorPhase);
    }
  }
  Selection selection = readSelection(memory_);
  if (rebuilt || !(selection == selection_)) {
    selection_ = selection;
    for (int c = 0; c < kConnectors; ++c) {
      auto i = static_cast<std::size_t>(c);
      const Selection& s = selection_;
      recorded_[i].build(connectors_[i].words(),
                         [&](const CycleWord& w) { return s.records(c, w); });
      matching_[i].build(connectors_[i].words(),
                         [&](const CycleWord& w) { return s.records(c, w) && s.fires(c, w); });
    }
  }
  // Card memory may hold any count (a poke, a memory edit, a setup file): past the limit that
  // the trigger record's write enforces, the limit applies.
  postTrigger_ = std::min(memory_.read32(kTrigger + trigger::kPostTrigger), kMaxPostTrigger);
}

Position Engine::firstFrom(int c, Key from) const {
  Tick t = c >= from.connector ? from.tick : from.tick + 1;
  return connectors_[static_cast<std::size_t>(c)].firstFrom(t);
}

// Recorded words before `k`, counted from the first cycle: the count between two places is the
// difference.
uint64_t Engine::recordedBefore(Key k) const {
  uint64_t n = 0;
  for (int c = 0; c < kConnectors; ++c) {
    const Marks& marks = recorded_[static_cast<std::size_t>(c)];
    if (marks.perCycle() != 0) n += marks.ordinal(firstFrom(c, k));
  }
  return n;
}

// The first marked word at or after `from`, over all connectors.
std::optional<Engine::Found> Engine::first(const std::array<Marks, kConnectors>& marks,
                                           Key from) const {
  std::optional<Found> best;
  for (int c = 0; c < kConnectors; ++c) {
    auto i = static_cast<std::size_t>(c);
    if (marks[i].perCycle() == 0) continue;  // a disabled trigger, a connector not listened to
    std::optional<Position> p = marks[i].next(firstFrom(c, from));
    if (!p) continue;
    Key k{connectors_[i].start(*p), c};
    if (!best || k < best->key) best = Found{k, *p};
  }
  return best;
}

// Brings the monitor up to `untilMicros`: the words that have ended by then are on record.
// First the capture fills its pre-trigger history word by word; then the search for the trigger
// word and the count of the words before it cost the same for a millisecond as for a year, and
// only the last stackful of words before the trigger is written.
bool Engine::advance(uint64_t untilMicros) {
  if (!running_) return false;
  if (stale_) refresh();
  Tick until = untilMicros * ldb::kTicksPerMicro;
  if (wire_) return advanceOnWire(until);
  if (until < timing_.word) return true;
  Key end{until - timing_.word + 1, 0};  // the first word that has not ended yet
  if (!(cursor_ < end)) return true;
  Header h = readHeader();
  if (!h.triggered && h.captured < kMinPreTrigger) recordWords(end, kMinPreTrigger - h.captured, h);
  if (!h.triggered && h.captured >= kMinPreTrigger) {
    std::optional<Found> fire = first(matching_, cursor_);
    Key stop = fire && fire->key < end ? fire->key : end;
    recordSpan(stop, h);
    if (stop < end) {
      h.triggerSlot = record(fire->key.connector, fire->position, h);
      h.triggered = true;
      h.post = 0;
      cursor_ = after(fire->key);
    }
  }
  if (h.triggered && h.post < postTrigger_)
    h.post += static_cast<uint32_t>(recordWords(end, postTrigger_ - h.post, h));
  writeHeader(h);
  if (h.triggered && h.post >= postTrigger_) running_ = false;
  return running_;
}

void Engine::recordSpan(Key to, Header& h) {
  const Key from = cursor_;
  if (!(from < to)) return;
  // Counting costs a few searches: a stretch too short to hold more than a stackful is only
  // merged.
  uint64_t most = 0;
  for (const Connector& c : connectors_) most += c.mostWithin(to.tick - from.tick + 1);
  if (most > kStackEntries && !tapped(memory_)) {
    const uint64_t before = recordedBefore(from);
    const uint64_t n = recordedBefore(to) - before;
    if (n > kStackEntries) {
      // The latest tick before which at most n - 8192 words lie: those words are only counted.
      uint64_t skippable = n - kStackEntries;
      Tick lo = from.tick + 1;
      Tick hi = to.tick;
      while (lo < hi) {
        Tick mid = lo + (hi - lo + 1) / 2;
        if (recordedBefore(Key{mid, 0}) - before <= skippable)
          lo = mid;
        else
          hi = mid - 1;
      }
      Key skipTo{lo, 0};
      uint64_t skipped = recordedBefore(skipTo) - before;
      if (skipped <= skippable && from < skipTo) {
        h.recorded += static_cast<uint32_t>(skipped);
        h.captured = static_cast<uint32_t>(std::min<uint64_t>(h.captured + skipped, UINT32_MAX));
        h.next = static_cast<uint32_t>((h.next + skipped) % kStackEntries);
        h.held = static_cast<uint32_t>(std::min<uint64_t>(h.held + skipped, kStackEntries));
        cursor_ = skipTo;
      }
    }
  }
  recordWords(to, UINT64_MAX, h);
}

void Engine::seek(Key from) {
  if (aheadKnown_ && !(from < aheadFrom_) && !(aheadFrom_ < from)) return;
  for (int c = 0; c < kConnectors; ++c) {
    auto i = static_cast<std::size_t>(c);
    std::optional<Position> p = recorded_[i].next(firstFrom(c, from));
    Lane& lane = lanes_[i];
    lane.idle = !p;
    if (!p) continue;
    lane.rank = recorded_[i].rank(p->index);
    lane.cycleStart = connectors_[i].cycleStart(p->cycle);
    lane.start = connectors_[i].start(*p);
  }
  aheadFrom_ = from;
  aheadKnown_ = true;
}

uint64_t Engine::recordWords(Key end, uint64_t limit, Header& h) {
  // A place in the merged traffic as one number, tick then connector, so that the next word of
  // all connectors is the smallest of four and its two low bits name the connector; a connector
  // with nothing to record is never next.
  static_assert(kConnectors == 4);
  constexpr uint64_t kNever = UINT64_MAX;
  seek(cursor_);
  // The walk keeps what it needs of each connector at hand: its recorded words, and the place
  // of the word after its next one, worked out while other words are written: choosing the next
  // word then waits on a single load.
  struct Walk {
    Lane lane;
    const CycleWord* words;
    uint32_t count;
    Tick length;
  };
  std::array<Walk, kConnectors> walks;
  std::array<uint64_t, kConnectors> ahead;
  auto placeAfter = [&walks](std::size_t i) {
    const Walk& w = walks[i];
    const bool wraps = w.lane.rank + 1 == w.count;
    const Tick cycleStart = wraps ? w.lane.cycleStart + w.length : w.lane.cycleStart;
    return (cycleStart + w.words[wraps ? 0 : w.lane.rank + 1].offset) * kConnectors + i;
  };
  uint64_t p0 = kNever, p1 = kNever, p2 = kNever, p3 = kNever;
  for (std::size_t i = 0; i < kConnectors; ++i) {
    const Marks& marks = recorded_[i];
    walks[i] = {lanes_[i], marks.words().data(), marks.perCycle(), connectors_[i].length()};
    ahead[i] = walks[i].lane.idle ? kNever : placeAfter(i);
  }
  if (!walks[0].lane.idle) p0 = walks[0].lane.start * kConnectors;
  if (!walks[1].lane.idle) p1 = walks[1].lane.start * kConnectors + 1;
  if (!walks[2].lane.idle) p2 = walks[2].lane.start * kConnectors + 2;
  if (!walks[3].lane.idle) p3 = walks[3].lane.start * kConnectors + 3;
  const uint64_t stop = end.tick * kConnectors + static_cast<uint64_t>(end.connector);
  uint32_t slot = h.next;
  uint64_t n = 0;
  uint64_t last = 0;
  while (n < limit) {
    const uint64_t at = std::min(std::min(p0, p1), std::min(p2, p3));
    if (at >= stop) break;
    const std::size_t best = at % kConnectors;
    const uint64_t following = ahead[best];
    p0 = best == 0 ? following : p0;
    p1 = best == 1 ? following : p1;
    p2 = best == 2 ? following : p2;
    p3 = best == 3 ? following : p3;
    Walk& walk = walks[best];
    Lane& lane = walk.lane;
    writeEntry(slot, static_cast<int>(best), lane.start, walk.words[lane.rank]);
    slot = slot + 1 == kStackEntries ? 0 : slot + 1;
    ++n;
    last = at;
    if (++lane.rank == walk.count) {
      lane.rank = 0;
      lane.cycleStart += walk.length;
    }
    lane.start = following / kConnectors;
    ahead[best] = placeAfter(best);
  }
  for (std::size_t i = 0; i < kConnectors; ++i) lanes_[i] = walks[i].lane;
  h.next = slot;
  h.held = static_cast<uint32_t>(std::min<uint64_t>(h.held + n, kStackEntries));
  h.recorded += static_cast<uint32_t>(n);
  h.captured = static_cast<uint32_t>(std::min<uint64_t>(h.captured + n, UINT32_MAX));
  cursor_ = n == limit ? after(Key{last / kConnectors, static_cast<int>(last % kConnectors)}) : end;
  aheadFrom_ = cursor_;
  return n;
}

uint32_t Engine::record(int c, Position p, Header& h) {
  auto i = static_cast<std::size_t>(c);
  return store(c, connectors_[i].start(p), connectors_[i].word(p), h);
}

// The entry's words are written in place: a saturated bus stores a word every few microseconds.
uint32_t Engine::store(int c, Tick start, const CycleWord& w, Header& h) {
  uint32_t slot = h.next;
  writeEntry(slot, c, start, w);
  h.next = slot + 1 == kStackEntries ? 0 : slot + 1;
  h.held = std::min(h.held + 1, kStackEntries);
  ++h.recorded;
  if (h.captured < UINT32_MAX) ++h.captured;
  return slot;
}

void Engine::writeEntry(uint32_t slot, int c, Tick start, const CycleWord& w) {
  uint16_t* words = memory_.entryWords(map::kMonStack, slot);
  tags_.fill(start, words + entry::kTimeTag / 2);
  words[entry::kBusCode / 2] = kBusCodes[static_cast<std::size_t>(c)];
  words[entry::kWordHigh / 2] = static_cast<uint16_t>(w.value >> 16);
  words[entry::kWordLow / 2] = static_cast<uint16_t>(w.value);
  words[entry::kFlags / 2] = w.flags;
  if (memory_.tap) offerToTap(memory_, c, start, w);
}

}  // namespace xarnsim::monitor

namespace xarnsim::monitor {

// On a shared bus the words come off the wire one by one, in the order they were sent; the
// trigger, the RT filter and the stack treat them as they treat the invented partners' words.
bool Engine::advanceOnWire(Tick until) {
  if (until < timing_.word) return true;
  const Tick before = until - timing_.word + 1;  // words that have ended by `until`
  Header h = readHeader();
  Heard heard;
  while (!(h.triggered && h.post >= postTrigger_) && wire_->take(before, heard)) {
    if (!selection_.records(heard.connector, heard.word)) continue;
    bool fires = !h.triggered && h.captured >= kMinPreTrigger &&
                 selection_.fires(heard.connector, heard.word);
    uint32_t slot = store(heard.connector, heard.tick, heard.word, h);
    if (fires) {
      h.triggered = true;
      h.triggerSlot = slot;
      h.post = 0;
    } else if (h.triggered) {
      ++h.post;
    }
  }
  writeHeader(h);
  if (h.triggered && h.post >= postTrigger_) running_ = false;
  return running_;
}

}  // namespace xarnsim::monitor
