#include "ui/ldb_fields.h"

#include <cstdio>

namespace ui {

int ldbErrorTypeIndex(uint16_t code) {
  int index = 0;
  for (int i = 0; i < static_cast<int>(kLdbErrorTypes.size()); ++i) {
    if (kLdbErrorTypes[static_cast<std::size_t>(i)].code == code) index = i;
  }
  return index;
}

std::string formatTimeTag(const TimeTag& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%.03d:%.02d:%.02d:%.02d.%.03d%.03d", t.days, t.hours, t.minutes,
                t.seconds, t.milliseconds, t.microseconds);
  return text;
}

void stampTxData(DataWords& words, uint16_t rt) {
  constexpr uint32_t kDataBits = 0x0007FFF8;
  constexpr uint32_t kCode = 0x5;
  for (int i = 0; i < kDataWordsShown; ++i) {
    uint32_t& w = words[static_cast<std::size_t>(i)];
    w = (w & kDataBits) | static_cast<uint32_t>(rt & 31) << 19 | kCode;
  }
}

}  // namespace ui
