// The local-bus driver calls on one card, each over the checks every record call makes.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "card/records.h"
#include "xarndll/sim/record_call.h"
#include "xarndll/sim/sim_card.h"

namespace xarnsim::ldb {

// A record call on the card's local bus.
template <class Record, class Work>
uint16_t call(SimCard& card, Record* record, std::initializer_list<uint16_t> modes, Work&& work) {
  return recordCall(card, record, modes, [&](Record& r) { return work(card.ldb(), r); });
}

inline uint16_t readMessage(SimCard& card, BcMessageRecord* r) {
  return call(card, r, {kModeLdbBct},
              [](Engine& e, BcMessageRecord& m) { return e.controller().readMessage(m); });
}
inline uint16_t writeMessage(SimCard& card, BcMessageRecord* r) {
  return call(card, r, {kModeLdbBct},
              [](Engine& e, BcMessageRecord& m) { return e.controller().writeMessage(m); });
}
inline uint16_t readFrame(SimCard& card, FrameRecord* r) {
  return call(card, r, {kModeLdbBct},
              [](Engine& e, FrameRecord& f) { return e.controller().readFrame(f); });
}
inline uint16_t writeFrame(SimCard& card, FrameRecord* r) {
  return call(card, r, {kModeLdbBct},
              [](Engine& e, FrameRecord& f) { return e.controller().writeFrame(f); });
}
inline uint16_t readMessageQueue(SimCard& card, BcQueueRecord* r) {
  return call(card, r, {kModeLdbBct},
              [](Engine& e, BcQueueRecord& q) { return e.queues().readMessage(q); });
}
inline uint16_t readCommandQueue(SimCard& card, RtQueueRecord* r) {
  return call(card, r, {kModeLdbMrt},
              [](Engine& e, RtQueueRecord& q) { return e.queues().readCommand(q); });
}
inline uint16_t readRawQueue(SimCard& card, BinQueueRecord* r) {
  return call(card, r, {kModeLdbBct, kModeLdbMrt},
              [](Engine& e, BinQueueRecord& q) { return e.queues().readRaw(q); });
}
inline uint16_t readTerminal(SimCard& card, LdbRtRecord* r) {
  return call(card, r, {kModeLdbMrt},
              [](Engine& e, LdbRtRecord& t) { return e.terminals().read(t); });
}
inline uint16_t writeTerminal(SimCard& card, LdbRtRecord* r) {
  return call(card, r, {kModeLdbMrt},
              [](Engine& e, LdbRtRecord& t) { return e.terminals().write(t); });
}

}  // namespace xarnsim::ldb
