#include "ui/ldb_fields.h"

#include <cstdio>

#include "ui/fields.h"

namespace ui {

int ldbErrorTypeIndex(uint16_t code) {
  int index = 0;
  for (int i = 0; i < static_cast<int>(kLdbErrorTypes.size()); ++i) {
    if (kLdbErrorTypes[static_cast<std::size_t>(i)].code == code) index = i;
  }
  return index;
}

uint16_t stepErrorType(winsys::Dialog& page, int field, int& index) {
  index = nextIndex(index, kLdbErrorTypes.size());
  const ErrorTypeEntry& e = kLdbErrorTypes[static_cast<std::size_t>(index)];
  page.setText(field, e.name);
  return e.code;
}

bool stepPageOffset(int& offset, winsys::ScrollAction action, int pageWords, int lastOffset) {
  if (action == winsys::ScrollAction::LineUp) {
    offset = offset >= lastOffset ? 0 : offset + pageWords;
  } else if (action == winsys::ScrollAction::LineDown) {
    offset = offset <= 0 ? lastOffset : offset - pageWords;
  } else {
    return false;
  }
  return true;
}

std::string pageText(int offset, int pageWords) { return "Page: " + decimal(offset / pageWords); }

void stampTxData(DataWords& words, uint16_t rt) {
  constexpr uint32_t kDataBits = 0x0007FFF8;
  constexpr uint32_t kCode = 0x5;
  for (int i = 0; i < kDataWordsShown; ++i) {
    uint32_t& w = words[static_cast<std::size_t>(i)];
    w = (w & kDataBits) | static_cast<uint32_t>(rt & 31) << 19 | kCode;
  }
}

}  // namespace ui
