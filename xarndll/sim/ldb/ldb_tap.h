// The local bus's words as the wire tap takes them (wire_tap.h).
#pragma once

#include "xarndll/sim/ldb/ldb_bus.h"
#include "xarndll/sim/wire_tap.h"

namespace xarnsim::ldb {

// The word as its receiver takes it: a sync pattern of the other type makes it the other type.
inline WireWord wireWord(const BusWord& w) {
  WireWord out;
  out.start = w.start;
  out.value = w.value & 0xFFFFFF;
  out.flags = static_cast<uint8_t>((w.command != w.fault.typeSwapped ? kWireCommandSync : 0) |
                                   (w.received ? kWireReceived : 0));
  out.bus = w.secondary ? 1 : 0;
  out.errors = w.fault.errors & kWireErrorMask;
  return out;
}

}  // namespace xarnsim::ldb
