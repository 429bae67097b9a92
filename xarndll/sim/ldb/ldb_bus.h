// The local data bus as the card sees it: word timing from the setup record, what an injected
// error does to a word, and the three traffic queues (bus-controller messages, terminal commands,
// raw words) kept in card memory. docs/bus-protocol.md is the prose of this file.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/sim/ring_queue.h"
#include "xarndll/sim/time_tag_writer.h"

namespace xarnsim::ldb {

using xarnsim::kTicksPerMicro;
using xarnsim::Tick;

// Command codes that move a terminal's protocol state.
inline constexpr uint16_t kCodeSrq = 2;
inline constexpr uint16_t kCodeInd = 3;
inline constexpr uint16_t kCodeGah = 5;
inline constexpr uint16_t kCodeHcd = 9;
inline constexpr uint16_t kCodeSta = 10;
inline constexpr uint16_t kCodeIwd = 13;

// Terminal protocol states (one bit each) and the action bits of a terminal's status.
inline constexpr uint16_t kStateWfi = 0x0001;
inline constexpr uint16_t kStateWfgah = 0x0002;
inline constexpr uint16_t kStateWfhcd = 0x0004;
inline constexpr uint16_t kStateWfs = 0x0008;
inline constexpr uint16_t kStateWfsr = 0x0010;
inline constexpr uint16_t kStateWfsre = 0x0020;
inline constexpr uint16_t kStateForced = 0x0040;
inline constexpr uint16_t kActionNotReady = 0x1000;
inline constexpr uint16_t kActionHasData = 0x0800;
inline constexpr uint16_t kActionMask = 0x1C00;

// Error-injection type codes.
inline constexpr uint16_t kErrorNone = 0x0100;
inline constexpr uint16_t kErrorParity = 0x0000;
inline constexpr uint16_t kErrorManchester = 0x0080;
inline constexpr uint16_t kErrorSync = 0x0040;
inline constexpr uint16_t kErrorBitCount = 0x00C0;

// The six-bit sync patterns of the two word types.
inline constexpr uint16_t kCommandSync = 0x38;  // 111000
inline constexpr uint16_t kDataSync = 0x07;     // 000111

// Error bits of the message and command queues (the raw queue uses bits 3..0 of the same order
// in bits 27..24 of its word).
inline constexpr uint16_t kErrSh = 1 << 0;
inline constexpr uint16_t kErrLg = 1 << 1;
inline constexpr uint16_t kErrMn = 1 << 2;
inline constexpr uint16_t kErrPy = 1 << 3;
inline constexpr uint16_t kErrSy = 1 << 4;
inline constexpr uint16_t kErrWc = 1 << 5;
inline constexpr uint16_t kErrTa = 1 << 6;
inline constexpr uint16_t kErrNr = 1 << 7;
inline constexpr uint16_t kErrId = 1 << 8;
inline constexpr uint16_t kErrOv = 1 << 9;
inline constexpr uint16_t kErrBs = 1 << 10;  // message queue: the terminal answered busy
inline constexpr uint16_t kErrBh = 1 << 10;  // command queue: the terminal answered busy
inline constexpr uint16_t kErrIg = 1 << 11;
inline constexpr uint16_t kErrIs = 1 << 13;
inline constexpr uint16_t kErrRc = 1 << 14;

// Alternate error bits: the error the card itself injected into a word it sent.
inline constexpr uint16_t kAltGc = 1 << 15;  // sync error in a command-sync word
inline constexpr uint16_t kAltGd = 1 << 14;  // sync error in a data-sync word
inline constexpr uint16_t kAltBc = 1 << 13;  // bit-count error in a command-sync word
inline constexpr uint16_t kAltBd = 1 << 12;  // bit-count error in a data-sync word
inline constexpr uint16_t kAltPy = 1 << 11;
inline constexpr uint16_t kAltMn = 1 << 10;
inline constexpr uint16_t kAltLg = 1 << 9;
inline constexpr uint16_t kAltSh = 1 << 8;

// Word timing, read from the setup record the card was given.
struct Timing {
  Tick word;      // one word on the wire
  Tick gap;       // between the words of one transmission
  Tick response;  // command (or last data word) to response word
  Tick timeout;   // longest wait for a response
};
Timing readTiming(const CardMemory& memory);

struct Injection {
  uint16_t wordNumber = 0;
  uint16_t type = kErrorNone;
  uint16_t size = 0;
};
// Inline: the terminals' partner reads one for most of its exchanges.
inline Injection readInjection(const CardMemory& memory, uint32_t address) {
  return Injection{memory.read(address), memory.read(address + 2), memory.read(address + 4)};
}
void writeInjection(CardMemory& memory, uint32_t address, const ErrorInjectionRecord& record);

// What an error does to one word.
struct WordFault {
  uint16_t errors = 0;     // queue error bits Sy, Py, Mn, Lg, Sh the receiver sees
  uint16_t alternate = 0;  // alternate bits of the injection
  bool typeSwapped = false;
  bool any() const { return errors != 0; }
};
WordFault applyInjection(const Injection& injection, bool commandSync);

// One word on the bus. `received`: the card received it (else the card sent it).
struct BusWord {
  Tick start = 0;
  uint32_t value = 0;  // 24 bits
  bool command = false;
  bool received = false;
  bool secondary = false;
  WordFault fault;
};

// The queues, over the ring queues of the memory map. A full queue drops its oldest entry; the
// message and command queues mark each entry that cost an older one its place with "Ov".
class Queues {
 public:
  Queues(CardMemory& memory, uint64_t& epochMicros);

  void pushRaw(const BusWord& word);
  void pushMessage(uint16_t message, uint16_t errors, uint32_t command, uint32_t response);
  void pushCommand(Tick start, uint32_t command, uint16_t errors, uint16_t alternate,
                   uint32_t response);

  // Accounts `count` entries that later pushes will overwrite anyway (the caller guarantees at
  // least a queue's capacity of pushes after it), without writing them.
  void skipRaw(uint64_t count) { skip(raw_, count); }
  void skipMessages(uint64_t count) { skip(messages_, count); }
  void skipCommands(uint64_t count) { skip(commands_, count); }

  uint32_t rawCapacity() const { return raw_.capacity(); }
  uint32_t messageCapacity() const { return messages_.capacity(); }
  uint32_t commandCapacity() const { return commands_.capacity(); }

  // The driver's queue reads, newest first like every queue listing: operation 0 clears, 1
  // takes the newest entry, 2 reads without taking, the position in the record's 32-bit field
  // counting back from the newest.
  uint16_t readRaw(BinQueueRecord& record);
  uint16_t readMessage(BcQueueRecord& record);
  uint16_t readCommand(RtQueueRecord& record);

  // Writes the time tag of `tick` as six card words at `address`.
  void stamp(uint32_t address, Tick tick) { tags_.write(address, tick); }

 private:
  // RingQueue::push for the busy bus: the same header words and the same full-queue rule
  // (the oldest entry goes), without the entry's zero fill; the caller writes every word.
  uint16_t* claim(RingQueue& queue, const map::Region& header, const map::Region& entries,
                  bool& overflowed);
  void skip(RingQueue& queue, uint64_t count);
  template <class Fill>
  uint16_t step(RingQueue& queue, uint16_t operation, uint16_t& valid, uint32_t& cursor, Fill fill);
  // One operation on `queue` for a page's record: its operation word in, its valid flag and
  // peek cursor (the record's 32-bit field) out; `fill` copies the entry into the record.
  template <class Record, class Fill>
  uint16_t read(RingQueue& queue, Record& record, Fill fill);

  CardMemory& memory_;
  TimeTagWriter tags_;
  RingQueue raw_;
  RingQueue messages_;
  RingQueue commands_;
};

// A 24-bit data or command word with the terminal address in bits 23..19.
constexpr uint32_t commandWord(uint32_t rt, uint32_t code, uint32_t bits) {
  return (rt & 31) << 19 | (code & 15) << 15 | (bits & 0x7FFF);
}
constexpr uint32_t dataWord(uint32_t rt, uint32_t data) {
  return (rt & 31) << 19 | (data & 0xFFFF) << 3 | 0x5;
}

}  // namespace xarnsim::ldb
