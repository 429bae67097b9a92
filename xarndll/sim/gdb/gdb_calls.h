// The global-bus driver calls on one card, each over the checks every record call makes. The
// card context's extended-channel flag decides the highest channel a call accepts.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "card/xarndll.h"
#include "xarndll/sim/record_call.h"
#include "xarndll/sim/sim_card.h"
#include "xarndll/status.h"

namespace xarnsim::gdb {

inline bool extended(const CardContext* context) { return context->extendedChannels != 0; }

inline uint16_t readTable(SimCard& card, uint16_t rate, uint16_t entry, uint16_t* operation,
                          GdbCommandRecord* r) {
  return recordCall(card, r, {kModeGdbBct}, [&](GdbCommandRecord& c) {
    if (!operation) return kStatusBadArgument;
    return card.gdb().controller().readTable(rate, entry, *operation, c);
  });
}
inline uint16_t writeTable(SimCard& card, const CardContext* context, uint16_t rate, uint16_t entry,
                           uint16_t operation, GdbCommandRecord* r) {
  return recordCall(card, r, {kModeGdbBct}, [&](GdbCommandRecord& c) {
    return card.gdb().controller().writeTable(rate, entry, operation, c, extended(context));
  });
}
inline uint16_t insertCommand(SimCard& card, const CardContext* context, uint16_t priority,
                              uint16_t* counter, GdbCommandRecord* r) {
  return recordCall(card, r, {kModeGdbBct}, [&](GdbCommandRecord& c) {
    if (!counter) return kStatusBadArgument;
    return card.gdb().controller().insert(priority, *counter, c, extended(context));
  });
}
inline uint16_t readUpDownQueue(SimCard& card, uint16_t queue, uint16_t* position,
                                uint16_t* endFlag, GdbQueueEntry* r) {
  return recordCall(card, r, {kModeGdbBct}, [&](GdbQueueEntry& e) {
    return card.gdb().controller().readQueue(queue, position, endFlag, e);
  });
}
inline uint16_t readRt(SimCard& card, uint16_t rt, GdbRtSimRecord* r) {
  return recordCall(card, r, {kModeGdbMrt},
                    [&](GdbRtSimRecord& t) { return card.gdb().terminals().readRt(rt, t); });
}
inline uint16_t writeRt(SimCard& card, uint16_t rt, GdbRtSimRecord* r) {
  return recordCall(card, r, {kModeGdbMrt},
                    [&](GdbRtSimRecord& t) { return card.gdb().terminals().writeRt(rt, t); });
}
inline uint16_t readChannel(SimCard& card, const CardContext* context, uint16_t rt,
                            uint16_t channel, GdbRtChanRecord* r) {
  return recordCall(card, r, {kModeGdbMrt}, [&](GdbRtChanRecord& c) {
    return card.gdb().terminals().readChannel(rt, channel, c, extended(context));
  });
}
inline uint16_t writeChannel(SimCard& card, const CardContext* context, uint16_t rt,
                             uint16_t channel, GdbRtChanRecord* r) {
  return recordCall(card, r, {kModeGdbMrt}, [&](GdbRtChanRecord& c) {
    return card.gdb().terminals().writeChannel(rt, channel, c, extended(context));
  });
}
inline uint16_t readRtQueue(SimCard& card, uint16_t* index, uint16_t* endFlag, GdbRtQueueEntry* r) {
  return recordCall(card, r, {kModeGdbMrt}, [&](GdbRtQueueEntry& e) {
    return card.gdb().terminals().readQueue(index, endFlag, e);
  });
}

}  // namespace xarnsim::gdb
