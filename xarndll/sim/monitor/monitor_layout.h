// Where the bus monitor keeps its trigger and its stack inside the BUS_MON regions of the memory
// map: byte offsets of each word. docs/card-memory-map.md describes the same layout.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "xarndll/sim/memory_map.h"

namespace xarnsim::monitor {

// The trigger record as the driver exchanges it, then the RT filter. The filter keeps one word a
// terminal, non-zero when the terminal is filtered out, so that zeroed memory (a new card, a
// cleared region) records every terminal.
namespace trigger {
inline constexpr uint32_t kLeadWord = 0;
inline constexpr uint32_t kBus = 2;
inline constexpr uint32_t kPattern = 4;  // 40 characters, two a word, the first in the low byte
inline constexpr uint32_t kControl = 44;
inline constexpr uint32_t kPostTrigger = 46;  // 2 words
inline constexpr uint32_t kRtFilter = 64;     // 32 words, RT 0 first
}  // namespace trigger

// The stack header.
namespace stack {
inline constexpr uint32_t kHeld = 0;       // entries the stack holds, 0 to 8192
inline constexpr uint32_t kNext = 2;       // the slot the next word goes to
inline constexpr uint32_t kRecorded = 4;   // 2 words: words recorded since the stack was emptied
inline constexpr uint32_t kTriggered = 8;  // 1 once the trigger has fired in this capture
inline constexpr uint32_t kTriggerSlot = 10;
inline constexpr uint32_t kPost = 12;      // 2 words: words recorded after the trigger
inline constexpr uint32_t kCaptured = 16;  // 2 words: words recorded since the monitor was armed
}  // namespace stack

// One stack entry: the words of MonMsg that carry something, the rest of the slot zero.
namespace entry {
inline constexpr uint32_t kTimeTag = 0;  // 6 words
inline constexpr uint32_t kBusCode = 12;
inline constexpr uint32_t kWordHigh = 14;  // bits 7..0: bus word bits 23..16
inline constexpr uint32_t kWordLow = 16;
inline constexpr uint32_t kFlags = 18;  // bit 4 command word, bits 3..0 Py, Mn, Lg, Sh
inline constexpr uint32_t kWords = 10;  // words written per entry
}  // namespace entry

inline constexpr uint32_t kStackEntries = map::kMonStack.count;
inline constexpr uint32_t kRtFilterEntries = kMonRtFilterEntries;

static_assert(trigger::kPattern + kMonPatternChars == trigger::kControl);
static_assert(trigger::kRtFilter + 2 * kRtFilterEntries == map::kMonTrigger.entryBytes);
static_assert(stack::kCaptured + 4 <= map::kMonStackHeader.entryBytes);
static_assert(2 * entry::kWords <= map::kMonStack.entryBytes);

}  // namespace xarnsim::monitor
