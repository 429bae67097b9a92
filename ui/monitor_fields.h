// What the two monitor stack displays (STACK and SNAP) share: their template's controls, the
// line of one stack entry, and the stack reads they both make.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "card/xarndll.h"
#include "winsys/winsys.h"

namespace ui {

// The controls of template MON_STACK.
namespace monstack {
inline constexpr int kQuit = 1;
inline constexpr int kList = 2;
inline constexpr int kLine = 3;
inline constexpr int kHome = 4;
inline constexpr int kReport = 5;
inline constexpr int kPage = 6;
inline constexpr int kSnapMode = 7;

inline constexpr int kPollTimer = 2;
inline constexpr int kPollMs = 1000;
inline constexpr int kPageEntries = 11;  // positions top to top + 10
inline constexpr uint16_t kStateRunning = 0x0031;
inline constexpr uint16_t kStateIdle = 0x0030;
inline constexpr uint16_t kHaltCommand = 11;
}  // namespace monstack

// The list's tab stops as the displays set them on open; the fifth is lower than the fourth.
void setMonStackTabStops(winsys::Dialog& page);

// A message in the Report field, with a beep.
void showAlert(winsys::Dialog& page, int control, std::string_view text);

// One stack entry as a list line: position ("TRIGGER", "+0005", "-0005"), time tag, connector,
// word type, the 24-bit word and its errors, separated by tabs.
std::string FormatMonEntry(int32_t position, const MonMsg& entry);

}  // namespace ui
