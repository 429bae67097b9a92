// Card time is kept in microseconds; the driver reports it as a TimeTag.
#pragma once

#include <cstdint>

#include "card/records.h"

namespace xarnsim {

inline constexpr uint64_t kMicrosPerMilli = 1000;

// Bus time is counted in ticks of half a microsecond, the unit of the local bus's frame duration
// and card settings, which every bus simulator shares.
using Tick = uint64_t;
inline constexpr Tick kTicksPerMicro = 2;
inline constexpr uint64_t kMicrosPerSecond = 1000 * kMicrosPerMilli;

// Days wrap at 65536 (after about 179 years of card time).
constexpr TimeTag toTimeTag(uint64_t micros) {
  uint64_t seconds = micros / kMicrosPerSecond;
  TimeTag t{};
  t.microseconds = static_cast<uint16_t>(micros % 1000);
  t.milliseconds = static_cast<uint16_t>(micros / 1000 % 1000);
  t.seconds = static_cast<uint16_t>(seconds % 60);
  t.minutes = static_cast<uint16_t>(seconds / 60 % 60);
  t.hours = static_cast<uint16_t>(seconds / 3600 % 24);
  t.days = static_cast<uint16_t>(seconds / 86400);
  return t;
}

}  // namespace xarnsim
