// The card driver interface: the card context and the driver functions the station calls.
// The station reaches the card only through these declarations; records live in records.h.
// Like records.h, the header is C (C11) as well as C++, and is installed for the user's own
// programs. records.h is included from beside this file, where the install puts it too.
#pragma once

#include "records.h"

#ifdef __cplusplus
extern "C" {
#else
typedef struct CardContext CardContext;
#endif

// One context per station, zero-filled by the shell before the first call. The station
// uses three words of it; everything after the extended-channel flag belongs to the driver.
// The first call on a context gives it a simulated card of its own, which stays until
// DUVEX_CloseDLL frees it: a program that makes contexts closes each one it is done with.
struct CardContext {
  uint16_t cardType;          // 1 PCI CARD, 2 TORB BOX; recorded by DUVEX_InitDLL
  uint16_t operatingMode;     // 1 to 6, written by the station before DUVEX_SetupDLL
  uint16_t driverWords[6];    // the driver's
  uint16_t extendedChannels;  // non-zero: GDB channels run to 65535
  uint16_t driverFlags[3];    // the driver's
  uint64_t driverHandle;      // the driver's: which simulated card this context drives
};
XARN_STATIC_ASSERT(offsetof(CardContext, cardType) == 0);
XARN_STATIC_ASSERT(offsetof(CardContext, operatingMode) == 2);
XARN_STATIC_ASSERT(offsetof(CardContext, extendedChannels) == 16);

// Card set-up and state (status 0 is success for every function returning a status).
uint16_t DUVEX_InitDLL(CardContext* card, uint16_t cardType, uint16_t endian, uint16_t serialPort);
uint16_t DUVEX_SetupDLL(CardContext* card, uint16_t mode, SetupRecord* setup);
uint16_t DUVEX_RdStatusDLL(CardContext* card, uint16_t* stateWord);
uint16_t DUVEX_CommandDLL(CardContext* card, uint16_t code);
uint16_t DUVEX_RdClockDLL(CardContext* card, TimeTag* clock);
uint16_t DUVEX_GetCardIDDLL(CardContext* card, CardIdRecord* id);

// The simulated driver's own function, beside the 43 the station was written against: frees the
// context's card (its memory, clock, queues and test hooks) and leaves the context as a
// zero-filled one. Afterwards the context may be closed again (0, nothing to free) or used
// again: its next call gets a fresh card, which answers 250 (not initialised) to every call
// that needs one until DUVEX_InitDLL. 0 on success, 251 for a null context. Not counted or
// traced by the test hooks, which go with the card.
uint16_t DUVEX_CloseDLL(CardContext* card);

// Card memory: 16-bit words at even byte addresses.
uint16_t rWDLL(CardContext* card, uint32_t address);
uint16_t wWDLL(CardContext* card, uint32_t address, uint16_t value);

// GDB bus controller mode word (bit 15 set: passive) and bus monitor control.
uint16_t DUVEX_RdGdbBcModeDLL(CardContext* card, uint16_t* modeWord);
uint16_t DUVEX_WrGdbBcModeDLL(CardContext* card, uint16_t modeWord);
uint16_t DUVEX_ClrMonStackDLL(CardContext* card);
uint16_t DUVEX_RunMonDLL(CardContext* card);

// LDB bus controller: message definitions 1 to 99, the major frame and its run.
uint16_t DUVEX_RdMsgDLL(CardContext* card, BcMessageRecord* message);
uint16_t DUVEX_WrMsgDLL(CardContext* card, BcMessageRecord* message);
uint16_t DUVEX_RdProgDLL(CardContext* card, FrameRecord* frame);
uint16_t DUVEX_WrProgDLL(CardContext* card, FrameRecord* frame);
uint16_t DUVEX_RunLdbBcDLL(CardContext* card, uint16_t frameCount);  // 0: until halted

// LDB queues, one entry per call: bus-controller messages, RT commands, raw bus words.
uint16_t DUVEX_RdLdbBcQDLL(CardContext* card, BcQueueRecord* entry);
uint16_t DUVEX_RdLdbRtQDLL(CardContext* card, RtQueueRecord* entry);
uint16_t DUVEX_RdBinQDLL(CardContext* card, BinQueueRecord* entry);

// LDB simulated remote terminals 0 to 31.
uint16_t DUVEX_RdLdbRTDLL(CardContext* card, LdbRtRecord* rt);
uint16_t DUVEX_WrLdbRTDLL(CardContext* card, LdbRtRecord* rt);

// Bus monitor: trigger and stack (position 0 is the trigger entry, negative before it).
uint16_t DUVEX_RdMonTriggerDLL(CardContext* card, MonTrigger* trigger);
uint16_t DUVEX_WrMonTriggerDLL(CardContext* card, MonTrigger* trigger);
uint16_t DUVEX_RdMonMsgDLL(CardContext* card, int32_t position, MonMsg* entry);

// GDB bus controller: rate tables (rate 100, 10 or 1; entries from 1), command queues
// (priority 1 high, 0 low) and the uplink (0xC000) and downlink (0xD000) queues.
uint16_t DUVEX_RdGdbTableDLL(CardContext* card, uint16_t rate, uint16_t entry, uint16_t* operation,
                             GdbCommandRecord* command);
uint16_t DUVEX_WrGdbTableDLL(CardContext* card, uint16_t rate, uint16_t entry, uint16_t operation,
                             GdbCommandRecord* command);
uint16_t DUVEX_GdbQcmndDLL(CardContext* card, uint16_t priority, uint16_t* counter,
                           GdbCommandRecord* command);
uint16_t DUVEX_RdGdbUpDownQDLL(CardContext* card, uint16_t queue, uint16_t* position,
                               uint16_t* endFlag, GdbQueueEntry* entry);

// GDB simulated remote terminals 0 to 255 and their channels, and the RT queue.
uint16_t DUVEX_RdGdbRtSimDLL(CardContext* card, uint16_t rt, GdbRtSimRecord* record);
uint16_t DUVEX_WrGdbRtSimDLL(CardContext* card, uint16_t rt, GdbRtSimRecord* record);
uint16_t DUVEX_RdGdbRtChanDLL(CardContext* card, uint16_t rt, uint16_t channel,
                              GdbRtChanRecord* record);
uint16_t DUVEX_WrGdbRtChanDLL(CardContext* card, uint16_t rt, uint16_t channel,
                              GdbRtChanRecord* record);
uint16_t DUVEX_RdGdbRtQDLL(CardContext* card, uint16_t* index, uint16_t* endFlag,
                           GdbRtQueueEntry* entry);

// MDM simulated remote terminals 0 to 31, their I/O modules 0 to 15, BITE, PROM and queue.
uint16_t DUVEX_RdMdmRtSimDLL(CardContext* card, uint16_t rt, MdmRtSimRecord* record,
                             uint16_t reserved1, uint16_t reserved2);
uint16_t DUVEX_WrMdmRtSimDLL(CardContext* card, uint16_t rt, MdmRtSimRecord* record,
                             uint16_t reserved1, uint16_t reserved2);
uint16_t DUVEX_RdMdmIOMDLL(CardContext* card, uint16_t rt, uint16_t iom, MdmIomRecord* record);
uint16_t DUVEX_WrMdmIOMDLL(CardContext* card, uint16_t rt, uint16_t iom, MdmIomRecord* record);
uint16_t DUVEX_RdMdmBiteConfDLL(CardContext* card, uint16_t rt, MdmBiteRecord* record);
uint16_t DUVEX_WrMdmBiteConfDLL(CardContext* card, uint16_t rt, MdmBiteRecord* record);
uint16_t DUVEX_RdMdmPromDLL(CardContext* card, uint16_t rt, MdmPromRecord* record);
uint16_t DUVEX_WrMdmPromDLL(CardContext* card, uint16_t rt, MdmPromRecord* record);
uint16_t DUVEX_RdMdmQDLL(CardContext* card, uint16_t queue, uint16_t* position, uint16_t* endFlag,
                         MdmQueueEntry* entry);

#ifdef __cplusplus
}  // extern "C"
#endif
