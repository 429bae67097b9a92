// The driver's C functions of the bus monitor (BUS_MON).
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"
#include "xarndll/sim/record_call.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::recordCall;
using xarnsim::SimCard;

namespace {

constexpr uint16_t kModeBusMon = xarnsim::kModeBusMon;

}  // namespace

extern "C" {

// ---- Bus monitor control
uint16_t DUVEX_ClrMonStackDLL(CardContext* card) {
  return gate(Fn::ClrMonStackDLL, card, {}, [](SimCard& c) { return c.clearMonitorStack(); });
}

uint16_t DUVEX_RunMonDLL(CardContext* card) {
  return gate(Fn::RunMonDLL, card, {}, [](SimCard& c) { return c.runMonitor(); });
}

// ---- Bus monitor

uint16_t DUVEX_RdMonTriggerDLL(CardContext* card, MonTrigger* trigger) {
  return gate(Fn::RdMonTriggerDLL, card, {arg(trigger)}, [&](SimCard& c) {
    return recordCall(c, trigger, {kModeBusMon},
                      [&](MonTrigger& r) { return c.monitor().readTrigger(r); });
  });
}

uint16_t DUVEX_WrMonTriggerDLL(CardContext* card, MonTrigger* trigger) {
  return gate(Fn::WrMonTriggerDLL, card, {arg(trigger)}, [&](SimCard& c) {
    return recordCall(c, trigger, {kModeBusMon},
                      [&](MonTrigger& r) { return c.monitor().writeTrigger(r); });
  });
}

uint16_t DUVEX_RdMonMsgDLL(CardContext* card, int32_t position, MonMsg* entry) {
  return gate(Fn::RdMonMsgDLL, card, {xarnsim::signedArg(position), arg(entry)}, [&](SimCard& c) {
    return recordCall(c, entry, {kModeBusMon},
                      [&](MonMsg& e) { return c.monitor().readEntry(position, e); });
  });
}

}  // extern "C"
