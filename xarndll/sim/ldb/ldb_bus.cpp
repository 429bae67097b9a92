#include "xarndll/sim/ldb/ldb_bus.h"

#include <algorithm>

#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/sim/ldb/ldb_tap.h"
#include "xarndll/status.h"

namespace xarnsim::ldb {
namespace {

// Setup record words (byte offsets from its base).
constexpr uint32_t kSetupWordSize = 4;
constexpr uint32_t kSetupTxGap = 6;
constexpr uint32_t kSetupResponseTime = 8;
constexpr uint32_t kSetupResponseTimeout = 10;

constexpr uint16_t kOperationClear = 0;
constexpr uint16_t kOperationTake = 1;
constexpr uint16_t kOperationPeek = 2;

// Raw word flags in the queue record's word.
constexpr uint32_t kRawReceived = 1u << 31;
constexpr uint32_t kRawSecondary = 1u << 30;
constexpr uint32_t kRawCommand = 1u << 28;
constexpr int kRawErrorShift = 24;

uint16_t syncFault(uint16_t pattern, bool commandSync, WordFault& fault) {
  uint16_t own = commandSync ? kCommandSync : kDataSync;
  uint16_t other = commandSync ? kDataSync : kCommandSync;
  if ((pattern & 0x3F) == own) return 0;
  fault.typeSwapped = (pattern & 0x3F) == other;
  return kErrSy;
}

}  // namespace

Timing readTiming(const CardMemory& memory) {
  uint32_t base = map::kSetupRecord.base;
  Tick bits = memory.read(base + kSetupWordSize) & 0x8000 ? 40 : 24;
  Timing t;
  t.word = (bits + 4) * kTicksPerMicro;  // sync and parity take four bit times
  t.gap = memory.read(base + kSetupTxGap) & 31;
  t.response = memory.read(base + kSetupResponseTime);
  t.timeout = memory.read(base + kSetupResponseTimeout) & 0x7FFF;
  return t;
}

void writeInjection(CardMemory& memory, uint32_t address, const ErrorInjectionRecord& record) {
  const uint16_t words[3] = {record.wordNumber, record.errorType, record.sizePosition};
  memory.writeWords(address, words, 3);
}

// Parity and Manchester errors are seen as such; a word of another length than 24 bits is long
// or short; a sync pattern other than the word's own is a sync error, and the other type's
// pattern makes the word arrive as the other type.
WordFault applyInjection(const Injection& injection, bool commandSync) {
  WordFault fault;
  uint16_t alt = 0;
  switch (injection.type) {
    case kErrorParity:
      fault.errors = kErrPy;
      alt = kAltPy;
      break;
    case kErrorManchester:
      fault.errors = kErrMn;
      alt = kAltMn;
      break;
    case kErrorSync:
      fault.errors = syncFault(injection.size, commandSync, fault);
      alt = commandSync ? kAltGc : kAltGd;
      break;
    case kErrorBitCount:
      if (injection.size == 24) break;
      fault.errors = injection.size > 24 ? kErrLg : kErrSh;
      alt = static_cast<uint16_t>((commandSync ? kAltBc : kAltBd) |
                                  (injection.size > 24 ? kAltLg : kAltSh));
      break;
    default:
      break;
  }
  if (fault.errors) fault.alternate = alt;
  return fault;
}

// ---- Queues

Queues::Queues(CardMemory& memory, uint64_t& epochMicros)
    : memory_(memory),
      tags_(memory, epochMicros),
      raw_(memory, map::kLdbRawQueueHeader, map::kLdbRawQueue),
      messages_(memory, map::kLdbBcQueueHeader, map::kLdbBcQueue),
      commands_(memory, map::kLdbRtQueueHeader, map::kLdbRtQueue) {}

uint16_t* Queues::claim(RingQueue& queue, const map::Region& header, const map::Region& entries,
                        bool& overflowed) {
  uint32_t capacity = queue.capacity();
  uint32_t held = std::min<uint32_t>(memory_.read(header.base), capacity);
  uint32_t head = memory_.read(header.base + 2);
  if (head >= capacity) head %= capacity;
  overflowed = held == capacity;
  if (overflowed) {
    head = head + 1 == capacity ? 0 : head + 1;
    memory_.write(header.base + 2, static_cast<uint16_t>(head));
    memory_.write32(header.base + 4, memory_.read32(header.base + 4) + 1);
    --held;
  }
  uint32_t slot = head + held;
  if (slot >= capacity) slot -= capacity;
  memory_.write(header.base, static_cast<uint16_t>(held + 1));
  return memory_.entryWords(entries, slot);
}

// Each push writes every word of its entry, in place: the busy bus pushes a raw word every few
// microseconds.
void Queues::pushRaw(const BusWord& w) {
  if (memory_.tap) tapWord(memory_, wireWord(w));
  uint32_t value = (w.value & 0xFFFFFF) | (w.received ? kRawReceived : 0) |
                   (w.secondary ? kRawSecondary : 0) |
                   (w.command != w.fault.typeSwapped ? kRawCommand : 0) |
                   static_cast<uint32_t>(w.fault.errors & 0xF) << kRawErrorShift;
  bool overflowed = false;
  uint16_t* e = claim(raw_, map::kLdbRawQueueHeader, map::kLdbRawQueue, overflowed);
  tags_.fill(w.start, e + rawq::kTimeTag / 2);
  e[rawq::kWord / 2] = static_cast<uint16_t>(value);
  e[rawq::kWord / 2 + 1] = static_cast<uint16_t>(value >> 16);
  e[rawq::kAlternate / 2] = w.received ? 0 : w.fault.alternate;
  std::fill(e + rawq::kAlternate / 2 + 1, e + map::kLdbRawQueue.entryBytes / 2, uint16_t{0});
}

void Queues::pushMessage(uint16_t message, uint16_t errors, uint32_t command, uint32_t response) {
  tapTransfer(memory_, {0, message, errors, 0});
  bool overflowed = false;
  uint16_t* e = claim(messages_, map::kLdbBcQueueHeader, map::kLdbBcQueue, overflowed);
  if (overflowed) errors |= kErrOv;
  e[bcq::kMessage / 2] = message;
  e[bcq::kErrors / 2] = errors;
  e[bcq::kCommand / 2] = static_cast<uint16_t>(command);
  e[bcq::kCommand / 2 + 1] = static_cast<uint16_t>(command >> 16);
  e[bcq::kResponse / 2] = static_cast<uint16_t>(response);
  e[bcq::kResponse / 2 + 1] = static_cast<uint16_t>(response >> 16);
  std::fill(e + bcq::kResponse / 2 + 2, e + map::kLdbBcQueue.entryBytes / 2, uint16_t{0});
}

void Queues::pushCommand(Tick start, uint32_t command, uint16_t errors, uint16_t alternate,
                         uint32_t response) {
  tapTransfer(memory_, {0, static_cast<uint16_t>(command >> 19 & 31), errors, 0});
  bool overflowed = false;
  uint16_t* e = claim(commands_, map::kLdbRtQueueHeader, map::kLdbRtQueue, overflowed);
  if (overflowed) errors |= kErrOv;
  e[rtq::kCommand / 2] = static_cast<uint16_t>(command);
  e[rtq::kCommand / 2 + 1] = static_cast<uint16_t>(command >> 16);
  e[rtq::kErrors / 2] = errors;
  e[rtq::kAlternate / 2] = alternate;
  tags_.fill(start, e + rtq::kTimeTag / 2);
  e[rtq::kResponse / 2] = static_cast<uint16_t>(response);
  e[rtq::kResponse / 2 + 1] = static_cast<uint16_t>(response >> 16);
  std::fill(e + rtq::kResponse / 2 + 2, e + map::kLdbRtQueue.entryBytes / 2, uint16_t{0});
}

// The same header words RingQueue keeps: 0 entries held, 1 oldest index, 2..3 entries dropped.
void Queues::skip(RingQueue& queue, uint64_t count) {
  if (count == 0) return;
  uint32_t header = &queue == &raw_        ? map::kLdbRawQueueHeader.base
                    : &queue == &messages_ ? map::kLdbBcQueueHeader.base
                                           : map::kLdbRtQueueHeader.base;
  uint64_t capacity = queue.capacity();
  uint64_t total = queue.size() + count;
  uint64_t held = std::min(total, capacity);
  uint64_t dropped = total - held;
  uint64_t head = (memory_.read(header + 2) % capacity + dropped) % capacity;
  memory_.write(header, static_cast<uint16_t>(held));
  memory_.write(header + 2, static_cast<uint16_t>(head));
  memory_.write32(header + 4, static_cast<uint32_t>(queue.dropped() + dropped));
}

template <class Fill>
uint16_t Queues::step(RingQueue& queue, uint16_t operation, uint16_t& valid, uint32_t& cursor,
                      Fill fill) {
  valid = 0;
  switch (operation) {
    case kOperationClear:
      queue.clear();
      return kStatusOk;
    case kOperationTake:  // the newest entry, taken away
      if (queue.empty()) return kStatusOk;
      fill(queue.entryAddress(queue.size() - 1));
      queue.popBack();
      valid = 1;
      return kStatusOk;
    case kOperationPeek: {  // newest first from the cursor, as every queue listing reads
      uint32_t index = queue.listingIndex(cursor);
      if (index >= queue.size()) return kStatusOk;
      fill(queue.entryAddress(index));
      ++cursor;
      valid = 1;
      return kStatusOk;
    }
    default:
      return kStatusBadArgument;
  }
}

template <class Record, class Fill>
uint16_t Queues::read(RingQueue& queue, Record& record, Fill fill) {
  uint16_t valid = 0;
  uint32_t cursor = record.cleared;  // packed fields: copied, never bound to references
  uint16_t status = step(queue, record.operation, valid, cursor, fill);
  record.valid = valid;
  record.cleared = cursor;
  return status;
}

uint16_t Queues::readRaw(BinQueueRecord& r) {
  return read(raw_, r, [&](uint32_t at) {
    r.timeTag = readTimeTag(memory_, at + rawq::kTimeTag);
    r.word = memory_.read32(at + rawq::kWord);
    r.alternateErrors = memory_.read(at + rawq::kAlternate);
  });
}

uint16_t Queues::readMessage(BcQueueRecord& r) {
  return read(messages_, r, [&](uint32_t at) {
    r.messageNumber = memory_.read(at + bcq::kMessage);
    r.errors = memory_.read(at + bcq::kErrors);
  });
}

uint16_t Queues::readCommand(RtQueueRecord& r) {
  return read(commands_, r, [&](uint32_t at) {
    r.command = memory_.read32(at + rtq::kCommand);
    r.errors = memory_.read(at + rtq::kErrors);
    r.alternateErrors = memory_.read(at + rtq::kAlternate);
  });
}

}  // namespace xarnsim::ldb
