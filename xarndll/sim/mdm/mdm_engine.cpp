#include "xarndll/sim/mdm/mdm_engine.h"

#include <algorithm>
#include <cstring>

#include "xarndll/sim/card_time.h"
#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/sim/mdm/mdm_tap.h"
#include "xarndll/status.h"

namespace xarnsim::mdm {
namespace {

constexpr uint16_t kDefined = 1;
constexpr uint16_t kNoErrors = kErrorNone;

bool validRt(uint16_t rt) { return rt < kUnits; }

// Records are stored word for word: copies between a packed record and card memory.
template <class Record>
void load(const CardMemory& memory, uint32_t address, Record& record) {
  std::array<uint16_t, sizeof(Record) / 2> words{};
  memory.readWords(address, words.data(), static_cast<uint32_t>(words.size()));
  std::memcpy(&record, words.data(), sizeof(Record));
}
template <class Record>
void storeWords(CardMemory& memory, uint32_t address, const Record& record, uint32_t from,
                uint32_t to) {
  std::array<uint16_t, sizeof(Record) / 2> words{};
  std::memcpy(words.data(), &record, sizeof(Record));
  memory.writeWords(address + from, words.data() + from / 2, (to - from) / 2);
}

uint64_t ceilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// The queue keeps the data words the unit answered with, or else those the partner sent.
void push(RingQueue& queue, CardMemory& memory, uint64_t epochMicros, int rt, const Message& m,
          ldb::Tick start) {
  tapMessage(memory, rt, start, m);
  uint32_t at = queue.push();
  memory.write(at + queue::kRt, static_cast<uint16_t>(rt));
  memory.write(at + queue::kType, m.type);
  memory.write(at + queue::kIom, m.iom);
  memory.write(at + queue::kStart, m.start);
  memory.write(at + queue::kCount, m.count);
  memory.write(at + queue::kErrors, m.errors);
  uint64_t micros = start / ldb::kTicksPerMicro;
  ldb::writeTimeTag(memory, at + queue::kTimeTag,
                    toTimeTag(micros > epochMicros ? micros - epochMicros : 0));
  memory.write32(at + queue::kCommand, m.command);
  memory.write32(at + queue::kStatus, m.status);
  bool answer = m.answerWords > 0;
  uint16_t count = answer ? m.answerWords : m.partnerWords;
  memory.write(at + queue::kDataCount, count);
  memory.writeWords(at + queue::kData, answer ? m.answer.data() : m.partner.data(), count);
}

}  // namespace

Engine::Engine(CardMemory& memory)
    : memory_(memory), queue_(memory, map::kMdmQueueHeader, map::kMdmQueue) {
  sequenceStale_.fill(true);
}

// ---- Records

// A unit never written injects nothing: its error types read as "No Errors", not as the parity
// code 0 that blank memory holds.
uint16_t Engine::readUnit(uint16_t rt, MdmRtSimRecord& r) const {
  if (!validRt(rt)) return kStatusBadArgument;
  uint32_t base = unitBase(rt);
  load(memory_, base, r);
  if (memory_.read(base + unit::kDefined) != kDefined) {
    for (MdmErrorInjection& e : r.errorInjection) e.errorType = kNoErrors;
  }
  return kStatusOk;
}

// The settings only: the last command and its time are the card's.
uint16_t Engine::writeUnit(uint16_t rt, const MdmRtSimRecord& r) {
  if (!validRt(rt)) return kStatusBadArgument;
  uint32_t base = unitBase(rt);
  storeWords(memory_, base, r, unit::kEnable, unit::kSrb + 2);
  storeWords(memory_, base, r, unit::kErrors, unit::kErrors + sizeof r.errorInjection);
  storeWords(memory_, base, r, unit::kPrimaryBsr, unit::kSecondaryBsr + 2);
  memory_.write(base + unit::kDefined, kDefined);
  stale_ = true;
  return kStatusOk;
}

uint16_t Engine::readIom(uint16_t rt, uint16_t module, MdmIomRecord& r) const {
  if (!validRt(rt) || module >= kIoms) return kStatusBadArgument;
  load(memory_, iomBase(rt, module), r);
  return kStatusOk;
}

uint16_t Engine::writeIom(uint16_t rt, uint16_t module, const MdmIomRecord& r) {
  if (!validRt(rt) || module >= kIoms) return kStatusBadArgument;
  storeWords(memory_, iomBase(rt, module), r, 0, sizeof r);
  return kStatusOk;
}

uint16_t Engine::readBite(uint16_t rt, MdmBiteRecord& r) const {
  if (!validRt(rt)) return kStatusBadArgument;
  load(memory_, biteBase(rt), r);
  return kStatusOk;
}

// The BITE2 receive words are what the partner last sent: a write leaves them.
uint16_t Engine::writeBite(uint16_t rt, const MdmBiteRecord& r) {
  if (!validRt(rt)) return kStatusBadArgument;
  storeWords(memory_, biteBase(rt), r, 0, bite::kBite2Rx);
  storeWords(memory_, biteBase(rt), r, bite::kBite4, sizeof r);
  return kStatusOk;
}

uint16_t Engine::readProm(uint16_t rt, MdmPromRecord& r) const {
  if (!validRt(rt)) return kStatusBadArgument;
  load(memory_, promBase(rt), r);
  return kStatusOk;
}

uint16_t Engine::writeProm(uint16_t rt, const MdmPromRecord& r) {
  if (!validRt(rt)) return kStatusBadArgument;
  storeWords(memory_, promBase(rt), r, 0, sizeof r);
  sequenceStale_[rt] = true;
  return kStatusOk;
}

uint16_t Engine::readQueue(uint16_t queue, uint16_t* position, uint16_t* endFlag,
                           MdmQueueEntry& e) {
  if (queue != kMdmQueueNumber) return kStatusBadArgument;
  return readAtPosition(queue_, position, endFlag, [&](uint32_t at) {
    std::array<uint16_t, 6> words{};
    memory_.readWords(at, words.data(), static_cast<uint32_t>(words.size()));
    std::memcpy(&e, words.data(), sizeof e);
  });
}

// ---- The partner bus controller

void Engine::start(uint16_t, uint64_t nowMicros, uint64_t epochMicros) {
  running_ = true;
  epochMicros_ = epochMicros;
  frameStart_ = nowMicros * ldb::kTicksPerMicro;
  planned_ = false;
  memoryWritten();
  for (int rt = 0; rt < kUnits; ++rt) memory_.write(unitBase(rt) + unit::kPosition, 0);
}

void Engine::memoryWritten() {
  stale_ = true;
  sequenceStale_.fill(true);
}

const std::vector<uint16_t>& Engine::sequence(int rt) {
  auto i = static_cast<size_t>(rt);
  if (sequenceStale_[i]) {
    Unit(memory_, rt).readSequence(sequences_[i]);
    sequenceStale_[i] = false;
  }
  return sequences_[i];
}

void Engine::plan() {
  timing_ = ldb::readTiming(memory_);
  units_.clear();
  for (int rt = 0; rt < kUnits; ++rt)
    if (Unit(memory_, rt).enabled()) units_.push_back(rt);
  slot_ = slotLength(timing_);
  period_ = std::max<ldb::Tick>(kShortestFrame, units_.size() * slot_);
  stale_ = false;
}

// Frames that no queue entry can show any more are not simulated message by message: each unit
// moves on through its cycle by their count, and only the messages that still leave a trace in
// the unit (the last of each kind: one turn of the maintenance messages) run, unseen. The last
// frames, enough to refill the queue, run in full.
void Engine::startFrame(ldb::Tick until) {
  if (stale_) plan();
  uint64_t whole = until > frameStart_ ? (until - frameStart_) / period_ : 0;
  if (units_.empty()) {
    frameStart_ += whole * period_;  // nobody to talk to: the bus stays quiet
    return;
  }
  uint64_t keep = ceilDiv(queue_.capacity(), units_.size()) + 1;
  if (whole > keep && !tapped(memory_)) skipFrames(whole - keep);
}

void Engine::skipFrames(uint64_t frames) {
  for (int rt : units_) skipUnit(rt, frames);
  skipQueue(frames * units_.size());
  frameStart_ += frames * period_;
}

void Engine::skipUnit(int rt, uint64_t messages) {
  uint32_t base = unitBase(rt);
  uint32_t length = Unit(memory_, rt).cycleLength(static_cast<uint32_t>(sequence(rt).size()));
  // Every message that leaves a trace comes round within one turn of the maintenance messages.
  uint64_t traced = uint64_t{length} * kMaintenance.size();
  uint64_t unseen = messages - std::min(messages, traced);
  uint64_t position = memory_.read(base + unit::kPosition) % length + unseen;
  memory_.write32(base + unit::kCycles,
                  static_cast<uint32_t>(memory_.read32(base + unit::kCycles) + position / length));
  memory_.write(base + unit::kPosition, static_cast<uint16_t>(position % length));
  memory_.write32(base + unit::kMessages,
                  static_cast<uint32_t>(memory_.read32(base + unit::kMessages) + unseen));
  for (uint64_t i = unseen; i < messages; ++i) {
    prepare(rt);
    commit(rt, frameStart_, false);
  }
}

// The queue's header as RingQueue keeps it, moved on by `entries` pushes whose entries later
// pushes overwrite anyway (the caller makes at least a queue's capacity of them).
void Engine::skipQueue(uint64_t entries) {
  uint32_t header = map::kMdmQueueHeader.base;
  uint64_t capacity = queue_.capacity();
  uint64_t total = queue_.size() + entries;
  uint64_t held = std::min(total, capacity);
  uint64_t dropped = total - held;
  uint64_t head = (memory_.read(header + 2) % capacity + dropped) % capacity;
  memory_.write(header, static_cast<uint16_t>(held));
  memory_.write(header + 2, static_cast<uint16_t>(head));
  memory_.write32(header + 4, static_cast<uint32_t>(queue_.dropped() + dropped));
}

void Engine::prepare(int rt) {
  Unit unit(memory_, rt);
  const std::vector<uint16_t>& steps = sequence(rt);
  uint32_t base = unitBase(rt);
  uint32_t length = unit.cycleLength(static_cast<uint32_t>(steps.size()));
  uint32_t position = memory_.read(base + unit::kPosition) % length;
  unit.describe(steps, position, memory_.read32(base + unit::kCycles), timing_, scratch_);
}

void Engine::commit(int rt, ldb::Tick start, bool queued) {
  uint64_t micros = start / ldb::kTicksPerMicro;
  Unit unit(memory_, rt);
  unit.apply(scratch_, micros > epochMicros_ ? micros - epochMicros_ : 0);
  if (queued) push(queue_, memory_, epochMicros_, rt, scratch_, start);
  uint32_t base = unitBase(rt);
  uint32_t length = unit.cycleLength(static_cast<uint32_t>(sequence(rt).size()));
  uint32_t position = memory_.read(base + unit::kPosition) % length + 1;
  if (position == length) {
    position = 0;
    memory_.write32(base + unit::kCycles, memory_.read32(base + unit::kCycles) + 1);
  }
  memory_.write(base + unit::kPosition, static_cast<uint16_t>(position));
  memory_.write32(base + unit::kMessages, memory_.read32(base + unit::kMessages) + 1);
}

bool Engine::advance(uint64_t untilMicros) {
  if (!running_) return false;
  ldb::Tick until = untilMicros * ldb::kTicksPerMicro;
  if (wire_ && (wire_->controllerElsewhere() || !wire_->partners())) {
    // The bus's own controller does the talking: the partner picks up afresh afterwards.
    frameStart_ = std::max(frameStart_, until);
    planned_ = false;
    return true;
  }
  while (true) {
    if (!planned_) {
      startFrame(until);
      planned_ = true;
      next_ = 0;
    }
    for (; next_ < units_.size(); ++next_) {
      int rt = units_[next_];
      if (!Unit(memory_, rt).enabled()) continue;  // switched off since the frame was planned
      ldb::Tick at = frameStart_ + next_ * slot_;
      prepare(rt);
      if (at + scratch_.length > until) return true;
      commit(rt, at, true);
    }
    if (frameStart_ + period_ > until) return true;
    frameStart_ += period_;
    planned_ = false;
  }
}

}  // namespace xarnsim::mdm

namespace xarnsim::mdm {

bool Engine::answer(CardMemory& memory, uint64_t epochMicros, const ldb::Command& c, bool commit,
                    ldb::Reply& reply) {
  const int rt = static_cast<int>(c.command >> 19 & 31);
  Unit unit(memory, rt);
  if (!unit.enabled()) return false;
  reply = ldb::Reply{};
  std::array<uint16_t, kMaxDataWords> sent{};
  const auto count = static_cast<uint16_t>(std::min<uint32_t>(c.sent, kMaxDataWords));
  for (uint16_t i = 0; i < count; ++i) sent[i] = static_cast<uint16_t>(c.data[i] >> 3);
  const ldb::Timing timing = ldb::readTiming(memory);
  Message m;
  unit.respond(c.command, sent.data(), count, timing, m);
  reply.answered = m.answered;
  reply.response = timing.response;
  reply.status = m.status & 0xFFFFFF;
  reply.words = std::min<uint32_t>(m.answerWords, c.wanted);
  for (uint32_t i = 0; i < reply.words; ++i)
    reply.data[i] = ldb::dataWord(static_cast<uint32_t>(rt), m.answer[i]);
  reply.errors = m.errors & 0x1F;  // the word errors of the unit's answer
  if (!commit) return true;
  if (c.clash) m.errors |= ldb::kErrMn;  // another card answered at the same time
  uint64_t micros = c.start / ldb::kTicksPerMicro;
  unit.apply(m, micros > epochMicros ? micros - epochMicros : 0);
  RingQueue queue(memory, map::kMdmQueueHeader, map::kMdmQueue);
  push(queue, memory, epochMicros, rt, m, c.start);
  uint32_t base = unitBase(rt);
  memory.write32(base + unit::kMessages, memory.read32(base + unit::kMessages) + 1);
  return true;
}

}  // namespace xarnsim::mdm
