// The driver's C functions of the bus monitor (BUS_MON).
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::SimCard;

namespace {

uint16_t notSupported(SimCard&) { return xarnsim::kStatusNotSupported; }

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
  return gate(Fn::RdMonTriggerDLL, card, {arg(trigger)}, notSupported);
}

uint16_t DUVEX_WrMonTriggerDLL(CardContext* card, MonTrigger* trigger) {
  return gate(Fn::WrMonTriggerDLL, card, {arg(trigger)}, notSupported);
}

uint16_t DUVEX_RdMonMsgDLL(CardContext* card, int32_t position, MonMsg* entry) {
  return gate(Fn::RdMonMsgDLL, card, {xarnsim::signedArg(position), arg(entry)}, notSupported);
}

}  // extern "C"
