#include "xarndll/sim/gdb/gdb_controller.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "xarndll/sim/card_time.h"
#include "xarndll/sim/gdb/gdb_tap.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/status.h"

namespace xarnsim::gdb {
namespace {

constexpr uint64_t kNone = std::numeric_limits<uint64_t>::max();
constexpr Tick kSecond = micros(kMicrosPerSecond);
constexpr Tick kMinorFrame = micros(10 * kMicrosPerMilli);  // one pass of the 100 Hz table
constexpr uint32_t kMinorFrames = 100;
constexpr uint32_t kSliceEntries = 100;  // entries of a slower table walked per minor frame

constexpr int kUplinkCount = 0;
constexpr int kDownlinkCount = 1;
constexpr int kPlusCount = 2;
constexpr int kMinusCount = 3;

constexpr std::array<uint16_t, 7> kOperations = {kOpNoop, kOpCommand, kOpMeasure, kOpSwitch,
                                                 kOpEnd,  kOpTrigger, kOpHalt};

const map::Region* tableOf(uint16_t rate) {
  switch (rate) {
    case kRate100:
      return &map::kGdbTable100;
    case kRate10:
      return &map::kGdbTable10;
    case kRate1:
      return &map::kGdbTable1;
    default:
      return nullptr;
  }
}

// The entry's address, 0 for a rate or entry number the card does not have.
uint32_t entryAddress(uint16_t rate, uint16_t entry) {
  const map::Region* table = tableOf(rate);
  if (!table || entry == 0 || entry > table->count) return 0;
  return table->entry(entry - 1u);
}

bool sendable(const GdbCommandRecord& c, bool extended) {
  return gdb::sendable(c.rtAddress, c.channel, c.errorType, extended);
}

void addCounter(CardMemory& m, uint32_t offset, uint64_t n) {
  uint32_t at = map::kRunControl.base + offset;
  m.write32(at, static_cast<uint32_t>(m.read32(at) + n));
}

// The nine words, the time tag and the bus fill the whole entry: it is written in place.
static_assert(udq::kTimeTag == 2 * 9 && udq::kBus == udq::kTimeTag + 2 * TimeTagWriter::kWords &&
              udq::kBus + 2 == map::kGdbUplink.entryBytes &&
              map::kGdbUplink.entryBytes == map::kGdbDownlink.entryBytes);
// Word by word: gathered into a block first, the words would be copied only once every one of
// them had reached memory.
template <class... Words>
void put(TimeTagWriter& tags, RingQueue& queue, Tick at, uint16_t bus, Words... words) {
  static_assert(sizeof...(Words) == udq::kTimeTag / 2);
  uint16_t* e = queue.pushInPlace();
  std::size_t i = 0;
  ((e[i++] = static_cast<uint16_t>(words)), ...);
  tags.fill(at, e + udq::kTimeTag / 2);
  e[udq::kBus / 2] = bus;
}

// A transfer's entries: the controller's word on the uplink queue; a command-sync word expects
// an answer, which (or whose absence) goes on the downlink queue.
// A recording gets the same words; `heard`: the controller's word is another card's, which
// this one only hears.
void record(CardMemory& m, TimeTagWriter& tags, RingQueue& uplink, RingQueue& downlink,
            const Heard& h, uint16_t rate, bool heard) {
  put(tags, uplink, h.start, h.bus, h.source, h.sync, 0, h.errors, h.rt, h.channel, h.data, rate,
      h.index);
  tapWord(m, gdbWord(h.start, {h.rt, h.channel, h.data, h.sync != 0}, heard, h.bus, 0, h.errors));
  WireTransfer closing{static_cast<uint16_t>(h.source >> 14), h.index, 0, rate};
  if (!h.sync) return tapTransfer(m, closing);
  const Answer& a = h.answer;
  if (a.answered) {
    put(tags, downlink, h.start + a.at, h.bus, h.source, a.sync, 0, a.errors, a.rt, a.channel,
        a.data, rate, h.index);
    tapWord(m, gdbWord(h.start + a.at, {a.rt, a.channel, a.data, a.sync != 0}, true, h.bus, 1,
                       a.errors));
  } else {
    put(tags, downlink, h.start + a.at, h.bus, h.source, 0, 1, 0, h.rt, h.channel, 0, rate,
        h.index);
    closing.errors = kWireNoResponse;
  }
  tapTransfer(m, closing);
}

}  // namespace

Controller::Controller(CardMemory& memory, TimeTagWriter& tags, const bool& extendedChannels)
    : memory_(memory),
      tags_(tags),
      extended_(extendedChannels),
      high_(memory, map::kGdbHighQueueHeader, map::kGdbHighQueue),
      low_(memory, map::kGdbLowQueueHeader, map::kGdbLowQueue),
      uplink_(memory, map::kGdbUplinkHeader, map::kGdbUplink),
      downlink_(memory, map::kGdbDownlinkHeader, map::kGdbDownlink) {}

// ---- Records

uint16_t Controller::readTable(uint16_t rate, uint16_t entry, uint16_t& operation,
                               GdbCommandRecord& command) const {
  uint32_t at = entryAddress(rate, entry);
  if (!at) return kStatusBadArgument;
  std::array<uint16_t, sizeof(GdbCommandRecord) / 2> words{};
  memory_.readWords(at + table::kRecord, words.data(), words.size());
  GdbCommandRecord r{};
  std::memcpy(&r, words.data(), sizeof r);
  if (!memory_.read(at + table::kWritten)) r.errorType = kErrorNone;
  operation = memory_.read(at + table::kOperation);
  std::memcpy(&command, &r, sizeof r);
  return kStatusOk;
}

uint16_t Controller::writeTable(uint16_t rate, uint16_t entry, uint16_t operation,
                                const GdbCommandRecord& command, bool extended) {
  uint32_t at = entryAddress(rate, entry);
  if (!at) return kStatusBadArgument;
  if (std::find(kOperations.begin(), kOperations.end(), operation) == kOperations.end())
    return kStatusBadArgument;
  if (operation == kOpMeasure && !sendable(command, extended)) return kStatusBadArgument;
  std::array<uint16_t, sizeof(GdbCommandRecord) / 2> words{};
  std::memcpy(words.data(), &command, sizeof command);
  memory_.write(at + table::kOperation, operation);
  memory_.writeWords(at + table::kRecord, words.data(), words.size());
  memory_.write(at + table::kWritten, 1);
  invalidate();
  return kStatusOk;
}

uint16_t Controller::insert(uint16_t priority, uint16_t& counter, const GdbCommandRecord& c,
                            bool extended) {
  if (priority != kPriorityHigh && priority != kPriorityLow) return kStatusBadArgument;
  if (!sendable(c, extended)) return kStatusBadArgument;
  RingQueue& queue = priority == kPriorityHigh ? high_ : low_;
  if (queue.size() == queue.capacity()) return kStatusNoRoom;
  uint32_t at = queue.push();
  memory_.write(at + cmdq::kRt, c.rtAddress);
  memory_.write(at + cmdq::kSync, c.sync);
  memory_.write(at + cmdq::kErrorType, c.errorType);
  memory_.write(at + cmdq::kErrorSize, c.sizePosition);
  memory_.write(at + cmdq::kChannel, c.channel);
  memory_.write(at + cmdq::kData, c.dataValue);
  ++counter;
  return kStatusOk;
}

uint16_t Controller::readQueue(uint16_t queue, uint16_t* position, uint16_t* endFlag,
                               GdbQueueEntry& entry) {
  RingQueue* ring = queue == kQueueUplink     ? &uplink_
                    : queue == kQueueDownlink ? &downlink_
                                              : nullptr;
  if (!ring) return kStatusBadArgument;
  return readAtPosition(*ring, position, endFlag, [&](uint32_t at) {
    std::array<uint16_t, sizeof(GdbQueueEntry) / 2> words{};
    memory_.readWords(at, words.data(), words.size());
    std::memcpy(&entry, words.data(), sizeof entry);
  });
}

// ---- The schedule

// A table's pass: its entries up to END OF TABLE, with the bus each one goes on. NOOP entries
// and codes the card does not know take no time and do nothing; so does a MEASURE entry that the
// driver would refuse to store (put there by a poke or a setup file).
void Controller::walkTable(uint16_t rate, std::vector<Step>& steps) const {
  const map::Region& table = *tableOf(rate);
  uint16_t bus = 0;
  for (uint32_t i = 0; i < table.count; ++i) {
    uint32_t at = table.entry(i);
    uint16_t op = memory_.read(at + table::kOperation);
    if (op == kOpEnd) break;
    if (op == kOpSwitch) bus ^= 1;
    if (op != kOpMeasure && op != kOpCommand && op != kOpTrigger && op != kOpHalt) continue;
    Step s;
    s.operation = op;
    s.rate = rate;
    s.index = static_cast<uint16_t>(i + 1);
    s.bus = bus;
    s.rt = memory_.read(at + table::kRecord + 0);
    s.sync = memory_.read(at + table::kRecord + 2);
    s.errorType =
        memory_.read(at + table::kWritten) ? memory_.read(at + table::kRecord + 14) : kErrorNone;
    s.errorSize = memory_.read(at + table::kRecord + 16);
    s.channel = memory_.read(at + table::kRecord + 18);
    s.data = memory_.read(at + table::kRecord + 20);
    s.polarity = memory_.read(at + table::kRecord + 22);
    if (op == kOpMeasure && !sendable(s.rt, s.channel, s.errorType, extended_)) continue;
    steps.push_back(s);
  }
}

// One second of the controller: 100 minor frames of 10 ms. Each minor frame walks the whole
// 100 Hz table, then the next 100 entries of the 10 Hz table (a pass every 10 minor frames),
// then the next 100 of the 1 Hz table (a pass a second). MEASURE and COMMAND entries each own a
// transfer slot; TRIGGER and HALT act at the moment they are reached.
void Controller::plan() {
  std::array<std::vector<Step>, 3> tables;
  walkTable(kRate100, tables[0]);
  walkTable(kRate10, tables[1]);
  walkTable(kRate1, tables[2]);
  steps_.clear();
  std::vector<Timeline::Slot> slots;
  auto add = [&](const Step& s, Tick& t) {
    Timeline::Slot slot;
    slot.start = t;
    if (s.operation == kOpMeasure || s.operation == kOpCommand) {
      t += kControllerSlot;
      slot.counts[kUplinkCount] = s.operation == kOpMeasure ? 1 : 0;
      slot.counts[kDownlinkCount] = s.operation == kOpMeasure && s.sync ? 1 : 0;
    } else if (s.operation == kOpTrigger) {
      slot.counts[s.polarity ? kPlusCount : kMinusCount] = 1;
    }
    slot.end = t;
    slots.push_back(slot);
    steps_.push_back(s);
  };
  // The entries of `table` in the slice `slice` (entries slice * 100 + 1 to + 100).
  auto slice = [&](const std::vector<Step>& table, uint32_t number, Tick& t) {
    auto first = std::lower_bound(table.begin(), table.end(), number * kSliceEntries + 1,
                                  [](const Step& s, uint32_t index) { return s.index < index; });
    for (auto it = first; it != table.end() && it->index <= (number + 1) * kSliceEntries; ++it)
      add(*it, t);
  };
  for (uint32_t m = 0; m < kMinorFrames; ++m) {
    Tick t = m * kMinorFrame;
    for (const Step& s : tables[0]) add(s, t);
    slice(tables[1], m % 10, t);
    slice(tables[2], m, t);
  }
  transferSlots_.clear();
  commandSlots_.clear();
  haltSlots_.clear();
  for (uint32_t i = 0; i < steps_.size(); ++i) {
    if (steps_[i].operation == kOpMeasure) transferSlots_.push_back(i);
    if (steps_[i].operation == kOpCommand) commandSlots_.push_back(i);
    if (steps_[i].operation == kOpHalt) haltSlots_.push_back(i);
  }
  timeline_.reset(origin_, kSecond, slots);
}

// ---- The engine

void Controller::start(Tick now) {
  running_ = true;
  origin_ = done_ = now;
  next_ = 0;
  transfers_ = 0;
  partnerHalted_ = false;
  memory_.fill(map::kRunControl.base, 6, 0);
  if (wire_) {
    memory_.write(map::kRunControl.base + run::kOnBus, 1);
    onBus_ = true;
  }
  plan();
  stale_ = false;
}

void Controller::stop() {
  running_ = false;
  if (onBus_) memory_.write(map::kRunControl.base + run::kOnBus, 0);
  onBus_ = false;
}

uint64_t Controller::nextOf(const std::vector<uint32_t>& list, uint64_t from) const {
  uint64_t n = timeline_.size();
  if (n == 0 || list.empty()) return kNone;
  auto it = std::lower_bound(list.begin(), list.end(), from % n);
  if (it != list.end()) return from / n * n + *it;
  return (from / n + 1) * n + list.front();
}

uint64_t Controller::nextEvent(uint64_t from, bool passive) const {
  uint64_t event = nextOf(haltSlots_, from);
  if (!passive && (!high_.empty() || !low_.empty()))
    event = std::min(event, nextOf(commandSlots_, from));
  return event;
}

// Slots that no queue can show any more: what they would have added is only counted.
void Controller::count(uint64_t from, uint64_t to, bool passive) {
  if (from >= to) return;
  uint64_t sent = timeline_.total(kUplinkCount, from, to);
  uplink_.skip(sent);
  downlink_.skip(timeline_.total(kDownlinkCount, from, to));
  transfers_ += sent;
  addCounter(memory_, run::kTransfers, sent);
  if (passive) return;
  addCounter(memory_, run::kTriggersPlus, timeline_.total(kPlusCount, from, to));
  addCounter(memory_, run::kTriggersMinus, timeline_.total(kMinusCount, from, to));
}

// Once the partner of a passive card has halted, the bus is silent: the card listens on, and the
// schedule goes on without a word, ready for the card to turn active.
bool Controller::advance(Tick until) {
  if (!running_) return false;
  if (stale_) {
    plan();
    next_ = timeline_.firstNotDone(0, done_);
    stale_ = false;
  }
  bool passive = (memory_.read(map::kGdbBcMode.base) & kPassiveBit) != 0;
  // On a shared bus another card's active controller, when there is one, is the partner of a
  // passive card: what the card hears comes from it (overhear), and the twin is silent.
  bool twinAside = passive && wire_ && (wire_->activeControllerElsewhere() || !wire_->partners());
  // The card's own transfers on a shared bus are answered and heard by the other cards: none is
  // only counted.
  bool live = !passive && wire_ != nullptr;
  while (true) {
    uint64_t to = timeline_.firstNotDone(next_, until);
    if (to <= next_) break;
    if (passive && (partnerHalted_ || twinAside)) {
      next_ = to;
      break;
    }
    uint64_t event = nextEvent(next_, passive);
    uint64_t end = std::min(to, event);
    // A recording, like a shared bus, needs every transfer; so does a stretch that the queues
    // hold whole.
    bool kept = timeline_.total(kUplinkCount, next_, end) <= uplink_.capacity() &&
                timeline_.total(kDownlinkCount, next_, end) <= downlink_.capacity();
    uint64_t from =
        live || kept || tapped(memory_)
            ? next_
            : std::min(timeline_.keepFrom(kUplinkCount, next_, end, uplink_.capacity()),
                       timeline_.keepFrom(kDownlinkCount, next_, end, downlink_.capacity()));
    count(next_, from, passive);
    runSlots(from, end, passive);
    next_ = end;
    if (event >= to) continue;
    next_ = event + 1;
    if (!perform(event, passive)) {
      running_ = false;
      done_ = until;
      return false;
    }
  }
  done_ = until;
  return true;
}

// The slots [from, to), none of them an event: only the transfers write anything, so they are
// run one by one and the slots between them (triggers, idle COMMAND slots) only counted. The
// cost follows the transfers the queues keep, not the length of the stretch.
void Controller::runSlots(uint64_t from, uint64_t to, bool passive) {
  uint64_t n = timeline_.size();
  if (from >= to || transferSlots_.empty()) return count(from, to, passive);
  // One search for the first transfer, then the transfers in turn, period after period.
  auto it = std::lower_bound(transferSlots_.begin(), transferSlots_.end(), from % n);
  uint64_t cycle = from / n;
  for (uint64_t g = from;; ++it) {
    if (it == transferSlots_.end()) {
      it = transferSlots_.begin();
      ++cycle;
    }
    uint64_t transfer = std::min(cycle * n + *it, to);
    count(g, transfer, passive);
    if (transfer == to) return;
    perform(cycle, *it, passive);
    g = transfer + 1;
  }
}

bool Controller::perform(uint64_t g, bool passive) {
  uint64_t n = timeline_.size();
  return perform(g / n, static_cast<uint32_t>(g % n), passive);
}

bool Controller::perform(uint64_t cycle, uint32_t slot, bool passive) {
  const Step& s = steps_[slot];
  Tick start = timeline_.startOf(cycle, slot);
  Transfer t{kSourceTable, s.rate,    s.index, s.bus,       s.rt,
             s.sync,       s.channel, s.data,  s.errorType, s.errorSize};
  switch (s.operation) {
    case kOpMeasure:
      if (passive) {
        // The partner's word as the partner sends it: the card's injections are its own, and
        // the partner's rates are not the card's to know.
        t.rate = 0;
        t.errorType = kErrorNone;
        t.heard = true;
      }
      send(t, start, !passive && wire_ != nullptr);
      return true;
    case kOpCommand:
      if (!passive && popCommand(t)) send(t, start, wire_ != nullptr);
      return true;
    case kOpTrigger:
      if (!passive) addCounter(memory_, s.polarity ? run::kTriggersPlus : run::kTriggersMinus, 1);
      return true;
    case kOpHalt:
      if (!passive) return false;
      partnerHalted_ = true;
      return true;
    default:
      return true;
  }
}

// The next command of the HI queue, or of the LO queue when HI is empty, into `t`. A command that
// the driver would have refused (put in the queue by hand) leaves the queue unsent.
bool Controller::popCommand(Transfer& t) {
  while (true) {
    RingQueue* queue = !high_.empty() ? &high_ : !low_.empty() ? &low_ : nullptr;
    if (!queue) return false;
    uint32_t at = queue->entryAddress(0);
    t.source = queue == &high_ ? kSourceHigh : kSourceLow;
    t.rt = memory_.read(at + cmdq::kRt);
    t.sync = memory_.read(at + cmdq::kSync);
    t.errorType = memory_.read(at + cmdq::kErrorType);
    t.errorSize = memory_.read(at + cmdq::kErrorSize);
    t.channel = memory_.read(at + cmdq::kChannel);
    t.data = memory_.read(at + cmdq::kData);
    queue->popFront();
    if (sendable(t.rt, t.channel, t.errorType, extended_)) return true;
  }
}

// The controller's word goes on the uplink queue, the answer to a command-sync word (or its
// absence) on the downlink queue. Two active controllers on a shared bus garble each other's
// every word: nobody answers or hears them.
void Controller::send(const Transfer& t, Tick start, bool live) {
  uint64_t n = transfers_++;
  addCounter(memory_, run::kTransfers, 1);
  ldb::WordFault fault;
  if (t.errorType != kErrorNone) fault = applyInjection(t.errorType, t.errorSize, t.sync != 0);
  Heard h{start, t.source, t.index, t.bus, t.sync, fault.errors, t.rt, t.channel, t.data, {}};
  bool collided = live && wire_->activeControllerElsewhere();
  if (collided) {
    h.errors |= ldb::kErrMn;
  } else {
    answer(n, h, fault.any(), live);
  }
  record(memory_, tags_, uplink_, downlink_, h, t.rate, t.heard);
  if (live && !collided) wire_->overhear(h);
}

// The partner terminals answer the n-th transfer of the run; a damaged word is discarded by
// the terminal. On a shared bus the card that claims the RT and channel answers; the partner
// terminals stand in for the others, unless they are switched off.
void Controller::answer(uint64_t n, Heard& h, bool damaged, bool live) {
  Answer& a = h.answer;
  if (damaged) return;
  if (live && wire_->offer(Request{h.start, h.sync, h.rt, h.channel, h.data}, a)) return;
  if ((live && !wire_->partners()) || !h.sync) return;
  PartnerAnswer p = partnerAnswer(n);
  a.answered = p.responds;
  a.errors = p.errors;
  a.rt = h.rt;
  a.channel = h.channel;
  a.data = p.data;
}

// ---- Another card's controller on a shared bus

bool Controller::activeOnBus(const CardMemory& memory) {
  return memory.read(map::kRunControl.base + run::kOnBus) == 1 &&
         (memory.read(map::kGdbBcMode.base) & kPassiveBit) == 0;
}

void Controller::overhear(CardMemory& memory, uint64_t epochMicros, const Heard& heard) {
  TimeTagWriter tags(memory, epochMicros);
  RingQueue uplink(memory, map::kGdbUplinkHeader, map::kGdbUplink);
  RingQueue downlink(memory, map::kGdbDownlinkHeader, map::kGdbDownlink);
  record(memory, tags, uplink, downlink, heard, 0, true);
  addCounter(memory, run::kTransfers, 1);
}

}  // namespace xarnsim::gdb
