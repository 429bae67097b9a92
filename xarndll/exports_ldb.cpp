// The driver's C functions of the local data bus (LDB_BCT and LDB_MRT).
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"
#include "xarndll/sim/ldb/ldb_calls.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::SimCard;

extern "C" {

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

}  // extern "C"
