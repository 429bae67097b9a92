// What the global-bus pages share: the operation and response-type tables, the sync text, and
// the text of an error type's size/position as the pages show it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "winsys/winsys.h"

namespace ui {

struct GdbOperation {
  const char* name;  // twelve characters, blank-filled
  uint16_t code;
};
inline constexpr std::array<GdbOperation, 7> kGdbOperations = {{
    {"NOOP        ", 0x0000},
    {"COMMAND     ", 0x1000},
    {"MEASURE     ", 0x2000},
    {"SWITCH      ", 0x3000},
    {"END OF TABLE", 0x4000},
    {"TRIGGER     ", 0x5000},
    {"HALT        ", 0x6000},
}};
inline constexpr uint16_t kGdbMeasure = 0x2000;
inline constexpr uint16_t kGdbTrigger = 0x5000;

struct GdbResponseType {
  const char* text;  // 35 characters, blank-filled
  uint16_t code;
};
inline constexpr std::array<GdbResponseType, 4> kGdbResponseTypes = {{
    {"Respond as COMMAND or MEASUREMENT  ", 0x0000},
    {"Respond as DESCRETE or MEASUREMENT ", 0x0200},
    {"Respond as MEASUREMENT only        ", 0x0400},
    {"Respond as ANALOG only             ", 0x0600},
}};

// The first entry of `table` whose code equals `code`, 0 if none does.
template <class Table>
int firstIndexOf(const Table& table, uint16_t code) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].code == code) return static_cast<int>(i);
  }
  return 0;
}

// "CMND" for command sync (non-zero), "DATA" for data sync.
inline const char* syncText(uint16_t sync) { return sync ? "CMND" : "DATA"; }

// A number for a 16-bit card field. A value past 16 bits sets the error flag instead of being
// cut to its low bits, so the card never gets a number the operator did not type.
inline uint16_t field16(uint32_t value, uint16_t* errorFlag) {
  if (value > 0xFFFF) *errorFlag |= 1;
  return static_cast<uint16_t>(value);
}

// A SYNC button: 0 becomes 1 (CMND), anything else 0 (DATA), shown in `field`.
void toggleSync(winsys::Dialog& page, int field, uint16_t& sync);

}  // namespace ui
