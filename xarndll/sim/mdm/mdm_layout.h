// Where the MDM units keep their configuration and traffic inside the MDM regions of the memory
// map: byte offsets of the words of a unit, and of an MDM queue entry. The driver's records are
// stored word for word, so a unit's words read like its record. docs/card-memory-map.md
// describes the same layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "card/records.h"
#include "xarndll/sim/memory_map.h"

namespace xarnsim::mdm {

inline constexpr int kUnits = 32;
inline constexpr int kIoms = 16;

// Unit N (0..31): the simulation record, then what the card keeps about the unit's traffic.
namespace unit {
inline constexpr uint32_t kEnable = offsetof(MdmRtSimRecord, rtEnable);
inline constexpr uint32_t kEnhanced = offsetof(MdmRtSimRecord, simulateEnhancedMdm);
inline constexpr uint32_t kPowerInterrupt = offsetof(MdmRtSimRecord, powerInterrupt);
inline constexpr uint32_t kSrb = offsetof(MdmRtSimRecord, simulateSrb);
inline constexpr uint32_t kErrors = offsetof(MdmRtSimRecord, errorInjection);  // 12 x 3 words
inline constexpr uint32_t kLastTime = offsetof(MdmRtSimRecord, lastCommandTime);
inline constexpr uint32_t kLastCommand = offsetof(MdmRtSimRecord, lastCommand);  // 2 words
inline constexpr uint32_t kPrimaryBsr = offsetof(MdmRtSimRecord, primaryBsr);
inline constexpr uint32_t kSecondaryBsr = offsetof(MdmRtSimRecord, secondaryBsr);
inline constexpr uint32_t kDefined = sizeof(MdmRtSimRecord);  // 1 once written
inline constexpr uint32_t kPosition = kDefined + 2;           // next message of the cycle
inline constexpr uint32_t kCycles = kDefined + 4;             // 2 words: cycles completed
inline constexpr uint32_t kMessages = kDefined + 8;           // 2 words: messages handled
}  // namespace unit

// BITE record words.
namespace bite {
inline constexpr uint32_t kBsr1 = offsetof(MdmBiteRecord, bite1Bsr);
inline constexpr uint32_t kBsr2 = offsetof(MdmBiteRecord, bite2Bsr);
inline constexpr uint32_t kBsr3 = offsetof(MdmBiteRecord, bite3Bsr);
inline constexpr uint32_t kBite2Rx = offsetof(MdmBiteRecord, bite2RxData);  // 5 words
inline constexpr uint32_t kBite2RxWords = 5;
inline constexpr uint32_t kBite4 = offsetof(MdmBiteRecord, bite4Di0);  // 10 words
inline constexpr uint32_t kBite4Words = 10;
inline constexpr uint32_t kPositive = offsetof(MdmBiteRecord, positiveConstant);
inline constexpr uint32_t kNegative = offsetof(MdmBiteRecord, negativeConstant);
inline constexpr uint32_t kRcwOverride = offsetof(MdmBiteRecord, rcwOverride);
inline constexpr uint32_t kRcwWord = offsetof(MdmBiteRecord, rcwWord);
}  // namespace bite

// I/O module record words.
namespace iom {
inline constexpr uint32_t kData = offsetof(MdmIomRecord, iomData);
inline constexpr uint32_t kSioTransmit = offsetof(MdmIomRecord, sioTransmit);
inline constexpr uint32_t kSioReceive = offsetof(MdmIomRecord, sioReceive);
inline constexpr uint32_t kChannelBytes = 2 * kMdmSioWords;
}  // namespace iom

// PROM image words.
namespace prom {
inline constexpr uint32_t kIomEntry = sizeof(MdmPromIomEntry);
inline constexpr uint32_t kCommands = offsetof(MdmPromRecord, command);
inline constexpr uint32_t kCommandEntry = sizeof(MdmPromCommandEntry);
inline constexpr int kFirstCommand = kMdmPromIomEntries;  // entry 16
}  // namespace prom

// MDM queue entry, 64 words.
namespace queue {
inline constexpr uint32_t kRt = 0;
inline constexpr uint32_t kType = 2;
inline constexpr uint32_t kIom = 4;
inline constexpr uint32_t kStart = 6;
inline constexpr uint32_t kCount = 8;
inline constexpr uint32_t kErrors = 10;
inline constexpr uint32_t kTimeTag = 12;    // 6 words: start of the message
inline constexpr uint32_t kCommand = 24;    // 2 words: the command word the unit received
inline constexpr uint32_t kStatus = 28;     // 2 words: the unit's status word, 0 if it was silent
inline constexpr uint32_t kDataCount = 32;  // data words recorded below
inline constexpr uint32_t kData = 64;       // 32 words: the message's data words
}  // namespace queue

inline constexpr uint32_t unitBase(int rt) {
  return map::kMdmRtSim.entry(static_cast<uint32_t>(rt));
}
inline constexpr uint32_t iomBase(int rt, int module) {
  return map::kMdmIom.entry(static_cast<uint32_t>(rt * kIoms + module));
}
inline constexpr uint32_t biteBase(int rt) {
  return map::kMdmBite.entry(static_cast<uint32_t>(rt));
}
inline constexpr uint32_t promBase(int rt) {
  return map::kMdmProm.entry(static_cast<uint32_t>(rt));
}

static_assert(unit::kMessages + 4 <= map::kMdmRtSim.entryBytes);
static_assert(sizeof(MdmIomRecord) <= map::kMdmIom.entryBytes);
static_assert(sizeof(MdmBiteRecord) <= map::kMdmBite.entryBytes);
static_assert(sizeof(MdmPromRecord) <= map::kMdmProm.entryBytes);
static_assert(queue::kData + 2 * 32 == map::kMdmQueue.entryBytes);
// The driver's queue record is the entry's first six words.
static_assert(offsetof(MdmQueueEntry, errorFlags) == queue::kErrors);
static_assert(sizeof(MdmQueueEntry) == queue::kTimeTag);
static_assert(map::kMdmIom.count == kUnits * kIoms);

}  // namespace xarnsim::mdm
