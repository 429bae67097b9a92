// The records exchanged with the card driver. Every record is packed, little-endian, with its
// fields in the order the card expects. Pointer fields are native pointers to records or word
// arrays that the caller owns; on a 64-bit build they are 8 bytes wide, which is the only
// difference from the card's original 32-bit layout. Unnamed fields are kept as reserved words so
// that every later field stays at its place.
//
// The header is C (C11) as well as C++: a program of the user's own includes it from C. Both see
// the same records; the layout checks below hold in both languages.
#pragma once

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>

// A constant of the records' layout: `inline constexpr int` in C++, an enumerator in C (where a
// const object cannot size an array in a struct).
#define XARN_RECORD_CONSTANT(name, value) inline constexpr int name = value
#define XARN_STATIC_ASSERT(condition) static_assert(condition)

namespace card_layout {
// Width of a pointer field in the records below.
inline constexpr std::size_t kPointer = sizeof(void*);
}  // namespace card_layout
#else
#include <stddef.h>
#include <stdint.h>

#define XARN_RECORD_CONSTANT(name, value) enum { name = (value) }
#define XARN_STATIC_ASSERT(condition) _Static_assert(condition, #condition)

// C names the records without `struct`, as C++ does.
typedef struct TimeTag TimeTag;
typedef struct ErrorInjectionRecord ErrorInjectionRecord;
typedef struct MessageBufferRecord MessageBufferRecord;
typedef struct BcMessageRecord BcMessageRecord;
typedef struct FrameRecord FrameRecord;
typedef struct BinQueueRecord BinQueueRecord;
typedef struct BcQueueRecord BcQueueRecord;
typedef struct RtQueueRecord RtQueueRecord;
typedef struct LdbRtRecord LdbRtRecord;
typedef struct MonTrigger MonTrigger;
typedef struct MonMsg MonMsg;
typedef struct GdbCommandRecord GdbCommandRecord;
typedef struct GdbQueueCounters GdbQueueCounters;
typedef struct GdbQueueEntry GdbQueueEntry;
typedef struct GdbRtSimRecord GdbRtSimRecord;
typedef struct GdbRtChanRecord GdbRtChanRecord;
typedef struct GdbRtQueueEntry GdbRtQueueEntry;
typedef struct MdmErrorInjection MdmErrorInjection;
typedef struct MdmRtSimRecord MdmRtSimRecord;
typedef struct MdmIomRecord MdmIomRecord;
typedef struct MdmBiteRecord MdmBiteRecord;
typedef struct MdmPromIomEntry MdmPromIomEntry;
typedef struct MdmPromCommandEntry MdmPromCommandEntry;
typedef struct MdmPromRecord MdmPromRecord;
typedef struct MdmQueueEntry MdmQueueEntry;
typedef struct SetupRecord SetupRecord;
typedef struct CardIdRecord CardIdRecord;
#endif

// Sizes of the arrays that records point to.
XARN_RECORD_CONSTANT(kMessageDataWords, 512);       // data words of a message or RT buffer
XARN_RECORD_CONSTANT(kFrameListEntries, 100);       // message numbers in a major frame list
XARN_RECORD_CONSTANT(kRtErrorCategories, 5);        // GAH, IND, IWD, SRQ, FRC
XARN_RECORD_CONSTANT(kMonRtFilterEntries, 32);      // monitor RT filter, one word per RT address
XARN_RECORD_CONSTANT(kMonPatternChars, 40);         // monitor trigger pattern
XARN_RECORD_CONSTANT(kMdmMessageTypes, 12);         // MDM error-injection entries, one per type
XARN_RECORD_CONSTANT(kMdmIomDataWords, 32);         // data words of one MDM I/O module
XARN_RECORD_CONSTANT(kMdmSioChannels, 4);           // serial channels of an MDM I/O module
XARN_RECORD_CONSTANT(kMdmSioWords, 32);             // words per serial channel and direction
XARN_RECORD_CONSTANT(kMdmPromIomEntries, 16);       // PROM entries 0..15: I/O module definitions
XARN_RECORD_CONSTANT(kMdmPromCommandEntries, 496);  // PROM entries 16..511: commands
XARN_RECORD_CONSTANT(kDriverRevisionChars, 20);     // driver revision text, NUL included

#pragma pack(push, 1)

// Card time: days, hours, minutes, seconds, milliseconds, microseconds.
struct TimeTag {
  uint16_t days;
  uint16_t hours;
  uint16_t minutes;
  uint16_t seconds;
  uint16_t milliseconds;
  uint16_t microseconds;
};
XARN_STATIC_ASSERT(sizeof(TimeTag) == 12);
XARN_STATIC_ASSERT(offsetof(TimeTag, microseconds) == 10);

// One error to inject into a message or a response category.
struct ErrorInjectionRecord {
  uint16_t wordNumber;    // which word of the message receives the error
  uint16_t errorType;     // code from the LDB error-type table
  uint16_t sizePosition;  // error size, or the bit pattern for a sync error
};
XARN_STATIC_ASSERT(sizeof(ErrorInjectionRecord) == 6);

// A data buffer of a message or of a simulated RT, with the card's time tag and status.
struct MessageBufferRecord {
  TimeTag timeTag;  // filled by the card
  uint8_t reserved1[12];
  uint16_t suppliedWords;  // words the caller supplies on a write
  uint16_t status;         // buffer status word, filled by the card
  uint16_t wordLimit;      // room in the data array, in words
  uint16_t reserved2;
  uint32_t* data;  // 24-bit data words, one per 32-bit entry
};
XARN_STATIC_ASSERT(offsetof(MessageBufferRecord, suppliedWords) == 24);
XARN_STATIC_ASSERT(offsetof(MessageBufferRecord, status) == 26);
XARN_STATIC_ASSERT(offsetof(MessageBufferRecord, wordLimit) == 28);
XARN_STATIC_ASSERT(offsetof(MessageBufferRecord, data) == 32);
XARN_STATIC_ASSERT(sizeof(MessageBufferRecord) == 32 + sizeof(void*));

// An LDB bus-controller message definition (message numbers 1 to 99).
struct BcMessageRecord {
  uint16_t messageNumber;
  uint16_t direction;  // 1 = TX, 0 = RX
  uint16_t wordCount;
  uint16_t sev;          // 0 = on
  uint16_t bus;          // 0x8000 primary, 0x4000 secondary
  uint32_t commandWord;  // bits 23..19 RT address, 18..15 command code, 14..0 command bits
  ErrorInjectionRecord* errorInjection;
  uint32_t gapTime;
  uint32_t reserved;
  MessageBufferRecord* buffer;
};
XARN_STATIC_ASSERT(offsetof(BcMessageRecord, bus) == 8);
XARN_STATIC_ASSERT(offsetof(BcMessageRecord, commandWord) == 10);
XARN_STATIC_ASSERT(offsetof(BcMessageRecord, errorInjection) == 14);
XARN_STATIC_ASSERT(offsetof(BcMessageRecord, gapTime) == 14 + sizeof(void*));
XARN_STATIC_ASSERT(offsetof(BcMessageRecord, buffer) == 22 + sizeof(void*));
XARN_STATIC_ASSERT(sizeof(BcMessageRecord) == 22 + 2 * sizeof(void*));

// The LDB major frame.
struct FrameRecord {
  uint32_t duration;  // in half microseconds
  uint16_t reserved;
  uint16_t messageCount;  // message numbers in the list
  uint16_t* messageList;  // room for kFrameListEntries message numbers
};
XARN_STATIC_ASSERT(offsetof(FrameRecord, messageCount) == 6);
XARN_STATIC_ASSERT(offsetof(FrameRecord, messageList) == 8);
XARN_STATIC_ASSERT(sizeof(FrameRecord) == 8 + sizeof(void*));

// One entry of the LDB raw word queue. Operation: 0 clear, 1 read, 2 read with refresh.
struct BinQueueRecord {
  uint16_t operation;
  uint16_t valid;    // 1 when the card returned an entry
  uint32_t cleared;  // cleared by the caller before a clear and each run of reads
  TimeTag timeTag;
  uint8_t reserved[12];
  uint32_t word;             // 23..0 bus word, 31..30 direction and bus, 28 command, 27..24 errors
  uint16_t alternateErrors;  // bits 15..8 are error flags
};
XARN_STATIC_ASSERT(offsetof(BinQueueRecord, timeTag) == 8);
XARN_STATIC_ASSERT(offsetof(BinQueueRecord, word) == 32);
XARN_STATIC_ASSERT(sizeof(BinQueueRecord) == 38);

// One entry of the LDB bus-controller message queue.
struct BcQueueRecord {
  uint16_t operation;
  uint16_t valid;
  uint16_t openedFlag;  // set to 1 by the caller when its page opens
  uint32_t cleared;
  uint16_t messageNumber;
  uint16_t errors;  // bits 10..0
};
XARN_STATIC_ASSERT(offsetof(BcQueueRecord, cleared) == 6);
XARN_STATIC_ASSERT(offsetof(BcQueueRecord, messageNumber) == 10);
XARN_STATIC_ASSERT(sizeof(BcQueueRecord) == 14);

// One entry of the LDB remote-terminal command queue.
struct RtQueueRecord {
  uint16_t operation;
  uint16_t valid;
  uint16_t openedFlag;
  uint32_t cleared;
  uint32_t command;
  uint16_t errors;
  uint16_t alternateErrors;  // bits 15..8 are error flags
};
XARN_STATIC_ASSERT(offsetof(RtQueueRecord, command) == 10);
XARN_STATIC_ASSERT(offsetof(RtQueueRecord, alternateErrors) == 16);
XARN_STATIC_ASSERT(sizeof(RtQueueRecord) == 18);

// One simulated LDB remote terminal (RT 0 to 31).
struct LdbRtRecord {
  uint16_t rtNumber;
  uint16_t busSelect;  // 1 secondary, 2 primary, 3 both
  uint16_t mode;       // 0x8000 on, 0 off
  uint16_t action;     // data state code
  uint16_t dttCount;   // 10 bits
  uint16_t rtState;    // one-bit protocol state code
  uint16_t stateUpdate;
  uint32_t reserved1;
  uint16_t cleared;  // cleared by the caller before every write
  TimeTag lastTimeTag;
  uint8_t reserved2[12];
  uint32_t lastCommand;
  uint32_t lastResponse;
  ErrorInjectionRecord* errorInjection[kRtErrorCategories];
  MessageBufferRecord* txBuffer;
  MessageBufferRecord* rxBuffer;
};
XARN_STATIC_ASSERT(offsetof(LdbRtRecord, reserved1) == 14);
XARN_STATIC_ASSERT(offsetof(LdbRtRecord, cleared) == 18);
XARN_STATIC_ASSERT(offsetof(LdbRtRecord, lastTimeTag) == 20);
XARN_STATIC_ASSERT(offsetof(LdbRtRecord, lastCommand) == 44);
XARN_STATIC_ASSERT(offsetof(LdbRtRecord, errorInjection) == 52);
XARN_STATIC_ASSERT(offsetof(LdbRtRecord, txBuffer) == 52 + 5 * sizeof(void*));
XARN_STATIC_ASSERT(sizeof(LdbRtRecord) == 52 + 7 * sizeof(void*));

// The bus monitor trigger.
struct MonTrigger {
  uint16_t leadWord;
  uint16_t triggerBus;             // J1 0x0008, J2 0x0004, J3 0x0002, J4 0x0001, any 0x8000
  char pattern[kMonPatternChars];  // not NUL-terminated
  uint16_t control;                // 3..0 error triggers, 5..4 sync type, 15 disabled
  uint32_t postTriggerCount;
  uint16_t* rtFilter;  // kMonRtFilterEntries words, 1 = RT enabled
};
XARN_STATIC_ASSERT(offsetof(MonTrigger, pattern) == 4);
XARN_STATIC_ASSERT(offsetof(MonTrigger, control) == 44);
XARN_STATIC_ASSERT(offsetof(MonTrigger, postTriggerCount) == 46);
XARN_STATIC_ASSERT(offsetof(MonTrigger, rtFilter) == 50);
XARN_STATIC_ASSERT(sizeof(MonTrigger) == 50 + sizeof(void*));

// One entry of the monitor stack (seventeen words).
struct MonMsg {
  TimeTag timeTag;
  uint16_t reserved1[6];
  uint16_t busCode;   // J1 0x0008, J2 0x0004, J3 0x0002, J4 0x0001
  uint16_t wordHigh;  // low 8 bits: bus word bits 23..16
  uint16_t wordLow;   // bus word bits 15..0
  uint16_t reserved2;
  uint16_t flags;  // bit 4 command word; bits 3..0 parity, Manchester, long, short
};
XARN_STATIC_ASSERT(offsetof(MonMsg, busCode) == 24);
XARN_STATIC_ASSERT(offsetof(MonMsg, flags) == 32);
XARN_STATIC_ASSERT(sizeof(MonMsg) == 34);

// A GDB bus command: a rate-table MEASURE entry or a command-queue insert (twelve words).
struct GdbCommandRecord {
  uint16_t rtAddress;
  uint16_t sync;        // non-zero command sync, 0 data sync
  uint16_t fixedWord3;  // the pages set words 3 to 5 to 1
  uint16_t fixedWord4;
  uint16_t fixedWord5;
  uint16_t reserved6;
  uint16_t reserved7;
  uint16_t errorType;
  uint16_t sizePosition;
  uint16_t channel;
  uint16_t dataValue;
  uint16_t triggerPolarity;  // TRIGGER entries: non-zero positive
};
XARN_STATIC_ASSERT(offsetof(GdbCommandRecord, errorType) == 14);
XARN_STATIC_ASSERT(offsetof(GdbCommandRecord, triggerPolarity) == 22);
XARN_STATIC_ASSERT(sizeof(GdbCommandRecord) == 24);

// The two GDB command-queue counters the shell owns, one per priority.
struct GdbQueueCounters {
  uint16_t hi;
  uint16_t lo;
};
XARN_STATIC_ASSERT(sizeof(GdbQueueCounters) == 4);

// One entry of the GDB uplink or downlink queue (nine words).
struct GdbQueueEntry {
  uint16_t source;  // 0 table, 0x8000 high queue, 0x4000 low queue
  uint16_t sync;
  uint16_t noResponse;
  uint16_t errorFlags;  // bits 3..0
  uint16_t rtAddress;
  uint16_t channel;
  uint16_t dataValue;
  uint16_t tableRate;  // 100, 10, 1, or 0 for a passive controller
  uint16_t index;
};
XARN_STATIC_ASSERT(offsetof(GdbQueueEntry, tableRate) == 14);
XARN_STATIC_ASSERT(sizeof(GdbQueueEntry) == 18);

// One simulated GDB remote terminal (RT 0 to 255).
struct GdbRtSimRecord {
  uint32_t writeMarker;  // 0xFFFFFFFF on a write
  uint16_t rtEnable;     // 0x8000 enabled
  uint8_t reserved[8];
  uint16_t errorType;
  uint16_t sizePosition;
  uint16_t unsolicitedSync;
  uint16_t unsolicitedRtAddress;
  uint16_t unsolicitedChannel;
  uint16_t unsolicitedDataValue;
};
XARN_STATIC_ASSERT(offsetof(GdbRtSimRecord, rtEnable) == 4);
XARN_STATIC_ASSERT(offsetof(GdbRtSimRecord, errorType) == 14);
XARN_STATIC_ASSERT(offsetof(GdbRtSimRecord, unsolicitedDataValue) == 24);
XARN_STATIC_ASSERT(sizeof(GdbRtSimRecord) == 26);

// One channel of a simulated GDB remote terminal.
struct GdbRtChanRecord {
  uint32_t writeMarker;  // 0xFFFFFFFF on a write
  uint16_t intermediateEnable;
  uint16_t channelEnable;
  uint16_t unsolicitedEnable;
  uint16_t reserved;
  uint16_t respondWithCommandAddress;
  uint16_t responseSync;
  uint16_t responseRtAddress;
  uint16_t responseChannel;
  uint16_t responseDataValue;
  uint16_t responseType;
  uint16_t notAndMask;
  uint16_t orMask;
  uint16_t responseTime;
};
XARN_STATIC_ASSERT(offsetof(GdbRtChanRecord, respondWithCommandAddress) == 12);
XARN_STATIC_ASSERT(offsetof(GdbRtChanRecord, responseType) == 22);
XARN_STATIC_ASSERT(offsetof(GdbRtChanRecord, responseTime) == 28);
XARN_STATIC_ASSERT(sizeof(GdbRtChanRecord) == 30);

// One entry of the GDB RT queue (six words).
struct GdbRtQueueEntry {
  uint16_t response;  // 0xFFFF: the RT did not respond
  uint16_t sync;
  uint16_t errors;  // bits 3..0
  uint16_t rtAddress;
  uint16_t channel;
  uint16_t dataValue;
};
XARN_STATIC_ASSERT(sizeof(GdbRtQueueEntry) == 12);

// Error injection for one MDM message type.
struct MdmErrorInjection {
  uint16_t errorType;  // code from the MDM error-type table
  uint16_t sizePosition;
  uint16_t reserved;
};
XARN_STATIC_ASSERT(sizeof(MdmErrorInjection) == 6);

// One simulated MDM remote terminal (RT 0 to 31), 98 words.
struct MdmRtSimRecord {
  uint16_t rtEnable;  // 0x8000 enabled
  uint16_t simulateEnhancedMdm;
  uint16_t powerInterrupt;
  uint16_t simulateSrb;
  uint16_t reserved1[40];
  MdmErrorInjection errorInjection[kMdmMessageTypes];  // by message type code 0..11
  uint16_t reserved2[2];
  TimeTag lastCommandTime;
  uint16_t reserved3[6];
  uint32_t lastCommand;
  uint16_t primaryBsr;
  uint16_t secondaryBsr;
};
XARN_STATIC_ASSERT(offsetof(MdmRtSimRecord, errorInjection) == 88);
XARN_STATIC_ASSERT(offsetof(MdmRtSimRecord, lastCommandTime) == 164);
XARN_STATIC_ASSERT(offsetof(MdmRtSimRecord, lastCommand) == 188);
XARN_STATIC_ASSERT(offsetof(MdmRtSimRecord, secondaryBsr) == 194);
XARN_STATIC_ASSERT(sizeof(MdmRtSimRecord) / 2 == 98);

// One I/O module of a simulated MDM, 289 words.
struct MdmIomRecord {
  uint16_t sioType;
  uint16_t iomData[kMdmIomDataWords];
  uint16_t sioTransmit[kMdmSioChannels][kMdmSioWords];
  uint16_t sioReceive[kMdmSioChannels][kMdmSioWords];
};
XARN_STATIC_ASSERT(offsetof(MdmIomRecord, sioTransmit) == 66);
XARN_STATIC_ASSERT(offsetof(MdmIomRecord, sioReceive) == 322);
XARN_STATIC_ASSERT(sizeof(MdmIomRecord) / 2 == 289);

// The BITE configuration of a simulated MDM, 22 words.
struct MdmBiteRecord {
  uint16_t bite1Bsr;
  uint16_t bite2Bsr;
  uint16_t bite3Bsr;
  uint16_t bite2RxData[5];
  uint16_t bite4Di0[2];
  uint16_t bite4Di1[2];
  uint16_t bite4Di2[2];
  uint16_t bite4Sio[2];
  uint16_t bite4Tac[2];
  uint16_t positiveConstant;  // signed 10-bit value in bits 9..0
  uint16_t negativeConstant;
  uint16_t rcwOverride;
  uint16_t rcwWord;
};
XARN_STATIC_ASSERT(offsetof(MdmBiteRecord, bite4Di0) == 16);
XARN_STATIC_ASSERT(offsetof(MdmBiteRecord, positiveConstant) == 36);
XARN_STATIC_ASSERT(sizeof(MdmBiteRecord) / 2 == 22);

// PROM entries 0..15: the RT's I/O module definitions.
struct MdmPromIomEntry {
  uint16_t bits15to8;
  uint16_t iomType;  // index into the IOM type names
  uint16_t bits1to3;
  uint16_t parity;  // non-zero odd
};
XARN_STATIC_ASSERT(sizeof(MdmPromIomEntry) == 8);

// PROM entries 16..511: command entries.
struct MdmPromCommandEntry {
  uint16_t mode;  // index into the PROM mode names
  uint16_t startAddress;
  uint16_t iomAddress;
  uint16_t channelCount;
  uint16_t parity;
};
XARN_STATIC_ASSERT(sizeof(MdmPromCommandEntry) == 10);

// The PROM image of a simulated MDM, 2544 words.
struct MdmPromRecord {
  MdmPromIomEntry iom[kMdmPromIomEntries];
  MdmPromCommandEntry command[kMdmPromCommandEntries];
};
XARN_STATIC_ASSERT(offsetof(MdmPromRecord, command) == 128);
XARN_STATIC_ASSERT(sizeof(MdmPromRecord) / 2 == 2544);

// One entry of the MDM queue (six words).
struct MdmQueueEntry {
  uint16_t rtNumber;
  uint16_t messageType;  // 0 to 12
  uint16_t iom;
  uint16_t start;
  uint16_t count;
  uint16_t errorFlags;  // bits 11..0
};
XARN_STATIC_ASSERT(sizeof(MdmQueueEntry) == 12);

// The bus and timing set-up passed with every mode entry (20 fields, 42 bytes).
struct SetupRecord {
  uint32_t marker;  // 0xFFFFFFFF
  uint16_t wordSize;
  uint16_t interWordTxGap;
  uint16_t rtResponseTime;
  uint16_t rtResponseTimeout;
  uint16_t constant0203;  // 0x0203
  uint16_t interWordGapTimeout;
  uint16_t watchdogTimeout;
  uint16_t rtPollingTimeout;
  uint16_t txAmplitude;
  uint16_t constant1980;  // 0x1980
  uint16_t constant1A81;  // 0x1A81
  uint16_t zero;
  uint16_t txPrimary;
  uint16_t txSecondary;
  uint16_t rxPrimary;
  uint16_t rxSecondary;
  uint16_t checksumTest;
  uint16_t globalErrors;
  uint16_t clockMode;
};
XARN_STATIC_ASSERT(offsetof(SetupRecord, wordSize) == 4);
XARN_STATIC_ASSERT(offsetof(SetupRecord, constant0203) == 12);
XARN_STATIC_ASSERT(offsetof(SetupRecord, txPrimary) == 28);
XARN_STATIC_ASSERT(offsetof(SetupRecord, clockMode) == 40);
XARN_STATIC_ASSERT(sizeof(SetupRecord) == 42);

// What the driver reports about itself and the card.
struct CardIdRecord {
  uint32_t serialNumber;
  uint16_t checksumHigh;
  uint16_t checksumLow;
  uint16_t firmwareRevision;                  // 1 is revision A
  char driverRevision[kDriverRevisionChars];  // NUL-terminated
};
XARN_STATIC_ASSERT(offsetof(CardIdRecord, firmwareRevision) == 8);
XARN_STATIC_ASSERT(offsetof(CardIdRecord, driverRevision) == 10);
XARN_STATIC_ASSERT(sizeof(CardIdRecord) == 30);

#pragma pack(pop)
