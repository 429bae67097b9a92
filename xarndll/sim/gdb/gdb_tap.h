// The global bus's words as the wire tap takes them (wire_tap.h).
#pragma once

#include "xarndll/sim/gdb/gdb_bus.h"
#include "xarndll/sim/wire_tap.h"

namespace xarnsim::gdb {

struct GdbWireFields {
  uint16_t rt = 0;
  uint16_t channel = 0;
  uint16_t data = 0;
  bool commandSync = false;
};

inline WireWord gdbWord(Tick start, const GdbWireFields& f, bool received, uint16_t bus,
                        uint8_t role, uint16_t errors) {
  WireWord out;
  out.start = start;
  out.value = uint64_t{f.rt} << 32 | uint32_t{f.channel} << 16 | f.data;
  out.flags =
      static_cast<uint8_t>((f.commandSync ? kWireCommandSync : 0) | (received ? kWireReceived : 0));
  out.bus = bus ? 1 : 0;
  out.role = role;
  out.errors = errors & kWireErrorMask;
  return out;
}

}  // namespace xarnsim::gdb
