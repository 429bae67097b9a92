// The driver's C functions: each passes the call gate (hooks, time, trace) and hands the work to
// the simulated card. Functions whose feature the simulated card does not have yet answer
// kStatusNotSupported.
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"
#include "xarndll/sim/ldb_calls.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::SimCard;

namespace {

uint16_t notSupported(SimCard&) { return xarnsim::kStatusNotSupported; }

}  // namespace

extern "C" {

// ---- Card set-up and state

uint16_t DUVEX_InitDLL(CardContext* card, uint16_t cardType, uint16_t endian, uint16_t serialPort) {
  return gate(Fn::InitDLL, card, {arg(cardType), arg(endian), arg(serialPort)},
              [&](SimCard& c) { return c.init(*card, cardType, endian, serialPort); });
}

uint16_t DUVEX_SetupDLL(CardContext* card, uint16_t mode, SetupRecord* setup) {
  return gate(Fn::SetupDLL, card, {arg(mode), arg(setup)},
              [&](SimCard& c) { return c.setup(mode, setup); });
}

uint16_t DUVEX_RdStatusDLL(CardContext* card, uint16_t* stateWord) {
  return gate(Fn::RdStatusDLL, card, {arg(stateWord)},
              [&](SimCard& c) { return c.readStatus(stateWord); });
}

uint16_t DUVEX_CommandDLL(CardContext* card, uint16_t code) {
  return gate(Fn::CommandDLL, card, {arg(code)}, [&](SimCard& c) { return c.command(code); });
}

uint16_t DUVEX_RdClockDLL(CardContext* card, TimeTag* clock) {
  return gate(Fn::RdClockDLL, card, {arg(clock)}, [&](SimCard& c) { return c.readClock(clock); });
}

uint16_t DUVEX_GetCardIDDLL(CardContext* card, CardIdRecord* id) {
  return gate(Fn::GetCardIDDLL, card, {arg(id)}, [&](SimCard& c) { return c.readCardId(id); });
}

// ---- Card memory. Before initialisation reads give 0 and writes are ignored.

uint16_t rWDLL(CardContext* card, uint32_t address) {
  return gate(
      Fn::rWDLL, card, {arg(address)},
      [&](SimCard& c) -> uint16_t { return c.initialised() ? c.readWord(address) : 0; }, 0);
}

uint16_t wWDLL(CardContext* card, uint32_t address, uint16_t value) {
  return gate(Fn::wWDLL, card, {arg(address), arg(value)}, [&](SimCard& c) {
    if (!c.initialised()) return xarnsim::kStatusNotInitialised;
    return c.writeWord(address, value) ? xarnsim::kStatusOk : xarnsim::kStatusBadArgument;
  });
}

// ---- GDB bus-controller mode word, bus monitor control

uint16_t DUVEX_RdGdbBcModeDLL(CardContext* card, uint16_t* modeWord) {
  return gate(Fn::RdGdbBcModeDLL, card, {arg(modeWord)},
              [&](SimCard& c) { return c.readGdbBcMode(modeWord); });
}

uint16_t DUVEX_WrGdbBcModeDLL(CardContext* card, uint16_t modeWord) {
  return gate(Fn::WrGdbBcModeDLL, card, {arg(modeWord)},
              [&](SimCard& c) { return c.writeGdbBcMode(modeWord); });
}

uint16_t DUVEX_ClrMonStackDLL(CardContext* card) {
  return gate(Fn::ClrMonStackDLL, card, {}, [](SimCard& c) { return c.clearMonitorStack(); });
}

uint16_t DUVEX_RunMonDLL(CardContext* card) {
  return gate(Fn::RunMonDLL, card, {}, [](SimCard& c) { return c.runMonitor(); });
}

// ---- LDB bus controller

uint16_t DUVEX_RdMsgDLL(CardContext* card, BcMessageRecord* message) {
  return gate(Fn::RdMsgDLL, card, {arg(message)},
              [&](SimCard& c) { return xarnsim::ldb::readMessage(c, message); });
}

uint16_t DUVEX_WrMsgDLL(CardContext* card, BcMessageRecord* message) {
  return gate(Fn::WrMsgDLL, card, {arg(message)},
              [&](SimCard& c) { return xarnsim::ldb::writeMessage(c, message); });
}

uint16_t DUVEX_RdProgDLL(CardContext* card, FrameRecord* frame) {
  return gate(Fn::RdProgDLL, card, {arg(frame)},
              [&](SimCard& c) { return xarnsim::ldb::readFrame(c, frame); });
}

uint16_t DUVEX_WrProgDLL(CardContext* card, FrameRecord* frame) {
  return gate(Fn::WrProgDLL, card, {arg(frame)},
              [&](SimCard& c) { return xarnsim::ldb::writeFrame(c, frame); });
}

uint16_t DUVEX_RunLdbBcDLL(CardContext* card, uint16_t frameCount) {
  return gate(Fn::RunLdbBcDLL, card, {arg(frameCount)},
              [&](SimCard& c) { return c.runLdbController(frameCount); });
}

// ---- LDB queues

uint16_t DUVEX_RdLdbBcQDLL(CardContext* card, BcQueueRecord* entry) {
  return gate(Fn::RdLdbBcQDLL, card, {arg(entry)},
              [&](SimCard& c) { return xarnsim::ldb::readMessageQueue(c, entry); });
}

uint16_t DUVEX_RdLdbRtQDLL(CardContext* card, RtQueueRecord* entry) {
  return gate(Fn::RdLdbRtQDLL, card, {arg(entry)},
              [&](SimCard& c) { return xarnsim::ldb::readCommandQueue(c, entry); });
}

uint16_t DUVEX_RdBinQDLL(CardContext* card, BinQueueRecord* entry) {
  return gate(Fn::RdBinQDLL, card, {arg(entry)},
              [&](SimCard& c) { return xarnsim::ldb::readRawQueue(c, entry); });
}

// ---- LDB remote terminals

uint16_t DUVEX_RdLdbRTDLL(CardContext* card, LdbRtRecord* rt) {
  return gate(Fn::RdLdbRTDLL, card, {arg(rt)},
              [&](SimCard& c) { return xarnsim::ldb::readTerminal(c, rt); });
}

uint16_t DUVEX_WrLdbRTDLL(CardContext* card, LdbRtRecord* rt) {
  return gate(Fn::WrLdbRTDLL, card, {arg(rt)},
              [&](SimCard& c) { return xarnsim::ldb::writeTerminal(c, rt); });
}

// ---- Bus monitor

uint16_t DUVEX_RdMonTriggerDLL(CardContext* card, MonTrigger* trigger) {
  return gate(Fn::RdMonTriggerDLL, card, {arg(trigger)}, notSupported);
}

uint16_t DUVEX_WrMonTriggerDLL(CardContext* card, MonTrigger* trigger) {
  return gate(Fn::WrMonTriggerDLL, card, {arg(trigger)}, notSupported);
}

uint16_t DUVEX_RdMonMsgDLL(CardContext* card, int32_t position, MonMsg* entry) {
  return gate(Fn::RdMonMsgDLL, card, {xarnsim::signedArg(position), arg(entry)}, notSupported);
}

// ---- GDB bus controller

uint16_t DUVEX_RdGdbTableDLL(CardContext* card, uint16_t rate, uint16_t entry, uint16_t* operation,
                             GdbCommandRecord* command) {
  return gate(Fn::RdGdbTableDLL, card, {arg(rate), arg(entry), arg(operation), arg(command)},
              notSupported);
}

uint16_t DUVEX_WrGdbTableDLL(CardContext* card, uint16_t rate, uint16_t entry, uint16_t operation,
                             GdbCommandRecord* command) {
  return gate(Fn::WrGdbTableDLL, card, {arg(rate), arg(entry), arg(operation), arg(command)},
              notSupported);
}

uint16_t DUVEX_GdbQcmndDLL(CardContext* card, uint16_t priority, uint16_t* counter,
                           GdbCommandRecord* command) {
  return gate(Fn::GdbQcmndDLL, card, {arg(priority), arg(counter), arg(command)}, notSupported);
}

uint16_t DUVEX_RdGdbUpDownQDLL(CardContext* card, uint16_t queue, uint16_t* position,
                               uint16_t* endFlag, GdbQueueEntry* entry) {
  return gate(Fn::RdGdbUpDownQDLL, card, {arg(queue), arg(position), arg(endFlag), arg(entry)},
              notSupported);
}

// ---- GDB remote terminals

uint16_t DUVEX_RdGdbRtSimDLL(CardContext* card, uint16_t rt, GdbRtSimRecord* record) {
  return gate(Fn::RdGdbRtSimDLL, card, {arg(rt), arg(record)}, notSupported);
}

uint16_t DUVEX_WrGdbRtSimDLL(CardContext* card, uint16_t rt, GdbRtSimRecord* record) {
  return gate(Fn::WrGdbRtSimDLL, card, {arg(rt), arg(record)}, notSupported);
}

uint16_t DUVEX_RdGdbRtChanDLL(CardContext* card, uint16_t rt, uint16_t channel,
                              GdbRtChanRecord* record) {
  return gate(Fn::RdGdbRtChanDLL, card, {arg(rt), arg(channel), arg(record)}, notSupported);
}

uint16_t DUVEX_WrGdbRtChanDLL(CardContext* card, uint16_t rt, uint16_t channel,
                              GdbRtChanRecord* record) {
  return gate(Fn::WrGdbRtChanDLL, card, {arg(rt), arg(channel), arg(record)}, notSupported);
}

uint16_t DUVEX_RdGdbRtQDLL(CardContext* card, uint16_t* index, uint16_t* endFlag,
                           GdbRtQueueEntry* entry) {
  return gate(Fn::RdGdbRtQDLL, card, {arg(index), arg(endFlag), arg(entry)}, notSupported);
}

// ---- MDM remote terminals

uint16_t DUVEX_RdMdmRtSimDLL(CardContext* card, uint16_t rt, MdmRtSimRecord* record,
                             uint16_t reserved1, uint16_t reserved2) {
  return gate(Fn::RdMdmRtSimDLL, card, {arg(rt), arg(record), arg(reserved1), arg(reserved2)},
              notSupported);
}

uint16_t DUVEX_WrMdmRtSimDLL(CardContext* card, uint16_t rt, MdmRtSimRecord* record,
                             uint16_t reserved1, uint16_t reserved2) {
  return gate(Fn::WrMdmRtSimDLL, card, {arg(rt), arg(record), arg(reserved1), arg(reserved2)},
              notSupported);
}

uint16_t DUVEX_RdMdmIOMDLL(CardContext* card, uint16_t rt, uint16_t iom, MdmIomRecord* record) {
  return gate(Fn::RdMdmIOMDLL, card, {arg(rt), arg(iom), arg(record)}, notSupported);
}

uint16_t DUVEX_WrMdmIOMDLL(CardContext* card, uint16_t rt, uint16_t iom, MdmIomRecord* record) {
  return gate(Fn::WrMdmIOMDLL, card, {arg(rt), arg(iom), arg(record)}, notSupported);
}

uint16_t DUVEX_RdMdmBiteConfDLL(CardContext* card, uint16_t rt, MdmBiteRecord* record) {
  return gate(Fn::RdMdmBiteConfDLL, card, {arg(rt), arg(record)}, notSupported);
}

uint16_t DUVEX_WrMdmBiteConfDLL(CardContext* card, uint16_t rt, MdmBiteRecord* record) {
  return gate(Fn::WrMdmBiteConfDLL, card, {arg(rt), arg(record)}, notSupported);
}

uint16_t DUVEX_RdMdmPromDLL(CardContext* card, uint16_t rt, MdmPromRecord* record) {
  return gate(Fn::RdMdmPromDLL, card, {arg(rt), arg(record)}, notSupported);
}

uint16_t DUVEX_WrMdmPromDLL(CardContext* card, uint16_t rt, MdmPromRecord* record) {
  return gate(Fn::WrMdmPromDLL, card, {arg(rt), arg(record)}, notSupported);
}

uint16_t DUVEX_RdMdmQDLL(CardContext* card, uint16_t queue, uint16_t* position, uint16_t* endFlag,
                         MdmQueueEntry* entry) {
  return gate(Fn::RdMdmQDLL, card, {arg(queue), arg(position), arg(endFlag), arg(entry)},
              notSupported);
}

}  // extern "C"
