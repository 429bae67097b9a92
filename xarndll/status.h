// Status codes of the simulated card driver. Every driver function but rWDLL returns one of
// these; the station shows any non-zero value as a number.
#pragma once

#include <cstdint>

namespace xarnsim {

inline constexpr uint16_t kStatusOk = 0;
inline constexpr uint16_t kStatusCardFault = 247;       // the simulator itself failed (no memory)
inline constexpr uint16_t kStatusNoRoom = 248;          // a card table or queue is full
inline constexpr uint16_t kStatusBusy = 249;            // self test or firmware programming runs
inline constexpr uint16_t kStatusNotInitialised = 250;  // DUVEX_InitDLL has not succeeded yet
inline constexpr uint16_t kStatusBadArgument = 251;     // null pointer, number out of range
inline constexpr uint16_t kStatusWrongMode = 252;       // the card is in another operating mode
inline constexpr uint16_t kStatusBadCommand = 253;      // unknown DUVEX_CommandDLL code

}  // namespace xarnsim
