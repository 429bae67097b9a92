// The words the monitor hears, as the wire tap takes them (wire_tap.h).
#pragma once

#include "xarndll/sim/monitor/monitor_traffic.h"
#include "xarndll/sim/wire_tap.h"

namespace xarnsim::monitor {

inline WireWord monitorWord(Tick start, const CycleWord& w, int connector) {
  WireWord out;
  out.start = start;
  out.value = w.value;
  out.flags =
      static_cast<uint8_t>(kWireReceived | ((w.flags & kFlagCommand) ? kWireCommandSync : 0));
  out.bus = static_cast<uint8_t>(connector);
  out.errors = w.flags & kFlagErrors;
  return out;
}

}  // namespace xarnsim::monitor
