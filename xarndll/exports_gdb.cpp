// The driver's C functions of the global data bus (GDB_BCT and GDB_MRT).
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"
#include "xarndll/sim/gdb/gdb_calls.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::SimCard;

namespace gdb = xarnsim::gdb;

extern "C" {

// ---- GDB bus-controller mode word

uint16_t DUVEX_RdGdbBcModeDLL(CardContext* card, uint16_t* modeWord) {
  return gate(Fn::RdGdbBcModeDLL, card, {arg(modeWord)},
              [&](SimCard& c) { return c.readGdbBcMode(modeWord); });
}

uint16_t DUVEX_WrGdbBcModeDLL(CardContext* card, uint16_t modeWord) {
  return gate(Fn::WrGdbBcModeDLL, card, {arg(modeWord)},
              [&](SimCard& c) { return c.writeGdbBcMode(modeWord); });
}

// ---- GDB bus controller

uint16_t DUVEX_RdGdbTableDLL(CardContext* card, uint16_t rate, uint16_t entry, uint16_t* operation,
                             GdbCommandRecord* command) {
  return gate(Fn::RdGdbTableDLL, card, {arg(rate), arg(entry), arg(operation), arg(command)},
              [&](SimCard& c) { return gdb::readTable(c, rate, entry, operation, command); });
}

uint16_t DUVEX_WrGdbTableDLL(CardContext* card, uint16_t rate, uint16_t entry, uint16_t operation,
                             GdbCommandRecord* command) {
  return gate(
      Fn::WrGdbTableDLL, card, {arg(rate), arg(entry), arg(operation), arg(command)},
      [&](SimCard& c) { return gdb::writeTable(c, card, rate, entry, operation, command); });
}

uint16_t DUVEX_GdbQcmndDLL(CardContext* card, uint16_t priority, uint16_t* counter,
                           GdbCommandRecord* command) {
  return gate(Fn::GdbQcmndDLL, card, {arg(priority), arg(counter), arg(command)},
              [&](SimCard& c) { return gdb::insertCommand(c, card, priority, counter, command); });
}

uint16_t DUVEX_RdGdbUpDownQDLL(CardContext* card, uint16_t queue, uint16_t* position,
                               uint16_t* endFlag, GdbQueueEntry* entry) {
  return gate(Fn::RdGdbUpDownQDLL, card, {arg(queue), arg(position), arg(endFlag), arg(entry)},
              [&](SimCard& c) { return gdb::readUpDownQueue(c, queue, position, endFlag, entry); });
}

// ---- GDB remote terminals

uint16_t DUVEX_RdGdbRtSimDLL(CardContext* card, uint16_t rt, GdbRtSimRecord* record) {
  return gate(Fn::RdGdbRtSimDLL, card, {arg(rt), arg(record)},
              [&](SimCard& c) { return gdb::readRt(c, rt, record); });
}

uint16_t DUVEX_WrGdbRtSimDLL(CardContext* card, uint16_t rt, GdbRtSimRecord* record) {
  return gate(Fn::WrGdbRtSimDLL, card, {arg(rt), arg(record)},
              [&](SimCard& c) { return gdb::writeRt(c, rt, record); });
}

uint16_t DUVEX_RdGdbRtChanDLL(CardContext* card, uint16_t rt, uint16_t channel,
                              GdbRtChanRecord* record) {
  return gate(Fn::RdGdbRtChanDLL, card, {arg(rt), arg(channel), arg(record)},
              [&](SimCard& c) { return gdb::readChannel(c, card, rt, channel, record); });
}

uint16_t DUVEX_WrGdbRtChanDLL(CardContext* card, uint16_t rt, uint16_t channel,
                              GdbRtChanRecord* record) {
  return gate(Fn::WrGdbRtChanDLL, card, {arg(rt), arg(channel), arg(record)},
              [&](SimCard& c) { return gdb::writeChannel(c, card, rt, channel, record); });
}

uint16_t DUVEX_RdGdbRtQDLL(CardContext* card, uint16_t* index, uint16_t* endFlag,
                           GdbRtQueueEntry* entry) {
  return gate(Fn::RdGdbRtQDLL, card, {arg(index), arg(endFlag), arg(entry)},
              [&](SimCard& c) { return gdb::readRtQueue(c, index, endFlag, entry); });
}

}  // extern "C"
