// Where the local data bus keeps its configuration and traffic inside the LDB regions of the
// memory map: byte offsets of each word inside a message, the frame, a terminal and the three
// queue entries. docs/card-memory-map.md describes the same layout.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/memory_map.h"

namespace xarnsim::ldb {

inline constexpr int kMessages = 99;
inline constexpr int kTerminals = 32;
inline constexpr uint32_t kDataWords = 512;  // data words per message and per RT buffer

// Message N (1..99), 32 header words then 512 two-word data words.
namespace msg {
inline constexpr uint32_t kDefined = 0;  // 1 once written; 0: never defined
inline constexpr uint32_t kDirection = 2;
inline constexpr uint32_t kWordCount = 4;
inline constexpr uint32_t kSev = 6;
inline constexpr uint32_t kBus = 8;
inline constexpr uint32_t kCommand = 10;  // 2 words
inline constexpr uint32_t kErrorWord = 14;
inline constexpr uint32_t kErrorType = 16;
inline constexpr uint32_t kErrorSize = 18;
inline constexpr uint32_t kGapTime = 20;   // 2 words, microseconds
inline constexpr uint32_t kResponse = 24;  // 2 words: the last response word received
inline constexpr uint32_t kTimeTag = 28;   // 6 words: start of the last transfer
inline constexpr uint32_t kStatus = 40;
inline constexpr uint32_t kSupplied = 42;
inline constexpr uint32_t kTransfers = 44;  // 2 words: transfers since the card was initialised
inline constexpr uint32_t kData = 64;
}  // namespace msg

// The frame: duration in half microseconds (2 words), a reserved word, the message count and
// 100 message numbers.
namespace frame {
inline constexpr uint32_t kDuration = 0;
inline constexpr uint32_t kReserved = 4;
inline constexpr uint32_t kCount = 6;
inline constexpr uint32_t kList = 8;
inline constexpr uint32_t kListEntries = 100;
inline constexpr uint32_t kMaxMessages = 50;
}  // namespace frame

// Terminal N (0..31): 64 header words, then the TX and RX buffers.
namespace rt {
inline constexpr uint32_t kBusSelect = 0;
inline constexpr uint32_t kMode = 2;
inline constexpr uint32_t kAction = 4;
inline constexpr uint32_t kDtt = 6;
inline constexpr uint32_t kState = 8;
inline constexpr uint32_t kStateUpdate = 10;
inline constexpr uint32_t kReserved = 12;      // 2 words
inline constexpr uint32_t kResetRequest = 16;  // the record's cleared word, as last written
inline constexpr uint32_t kLastTime = 18;      // 6 words
inline constexpr uint32_t kLastCommand = 30;   // 2 words
inline constexpr uint32_t kLastResponse = 34;  // 2 words
inline constexpr uint32_t kErrors = 38;        // 5 x (word number, type, size/position)
inline constexpr uint32_t kTxTime = 68;        // 6 words
inline constexpr uint32_t kTxStatus = 80;
inline constexpr uint32_t kRxTime = 82;  // 6 words
inline constexpr uint32_t kRxStatus = 94;
inline constexpr uint32_t kDefined = 96;  // 1 once written
inline constexpr uint32_t kTxData = 128;
inline constexpr uint32_t kRxData = 2176;
}  // namespace rt

// Queue entries.
namespace bcq {  // 8 words
inline constexpr uint32_t kMessage = 0;
inline constexpr uint32_t kErrors = 2;
inline constexpr uint32_t kCommand = 4;   // 2 words
inline constexpr uint32_t kResponse = 8;  // 2 words
}  // namespace bcq
namespace rawq {                         // 16 words
inline constexpr uint32_t kTimeTag = 0;  // 6 words
inline constexpr uint32_t kWord = 12;    // 2 words, the queue record's word with its flags
inline constexpr uint32_t kAlternate = 16;
}  // namespace rawq
namespace rtq {                          // 16 words
inline constexpr uint32_t kCommand = 0;  // 2 words
inline constexpr uint32_t kErrors = 4;
inline constexpr uint32_t kAlternate = 6;
inline constexpr uint32_t kTimeTag = 8;    // 6 words
inline constexpr uint32_t kResponse = 20;  // 2 words
}  // namespace rtq

inline constexpr uint32_t messageBase(int number) {
  return map::kLdbMessages.entry(static_cast<uint32_t>(number - 1));
}
inline constexpr uint32_t terminalBase(int rt) {
  return map::kLdbTerminals.entry(static_cast<uint32_t>(rt));
}
static_assert(msg::kData + kDataWords * 4 == map::kLdbMessages.entryBytes);
static_assert(rt::kRxData + kDataWords * 4 == map::kLdbTerminals.entryBytes);
static_assert(rt::kDefined < rt::kTxData);
static_assert(frame::kList + frame::kListEntries * 2 <= map::kLdbFrame.entryBytes);
static_assert(bcq::kResponse + 4 + 2 * 2 == map::kLdbBcQueue.entryBytes);
static_assert(rawq::kAlternate + 2 + 7 * 2 == map::kLdbRawQueue.entryBytes);
static_assert(rtq::kResponse + 4 + 4 * 2 == map::kLdbRtQueue.entryBytes);

inline TimeTag readTimeTag(const CardMemory& m, uint32_t address) {
  uint16_t w[6];
  m.readWords(address, w, 6);
  return TimeTag{w[0], w[1], w[2], w[3], w[4], w[5]};
}
inline void writeTimeTag(CardMemory& m, uint32_t address, const TimeTag& t) {
  const uint16_t w[6] = {t.days, t.hours, t.minutes, t.seconds, t.milliseconds, t.microseconds};
  m.writeWords(address, w, 6);
}

}  // namespace xarnsim::ldb
