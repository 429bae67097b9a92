// What each status number in a Report field means: the card driver's statuses, the file
// statuses of the setup pages and the station's own. The Report field keeps showing the bare
// number; its tool tip says what the number means.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ui {

struct StatusText {
  uint16_t status;
  const char* meaning;
};

// Every status the station can show, in ascending order.
std::span<const StatusText> statusTexts();

// "251: a value the card refuses (out of range)"; a number the table lacks still gets a text.
std::string statusMeaning(uint16_t status);

}  // namespace ui
