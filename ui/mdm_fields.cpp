#include "ui/mdm_fields.h"

#include "ui/fields.h"

namespace ui {

int mdmErrorTypeIndex(uint16_t code) {
  for (size_t i = 0; i < kMdmErrorTypes.size(); ++i) {
    if (kMdmErrorTypes[i].code == code) return static_cast<int>(i);
  }
  return -1;
}

std::string mdmMessageTypeName(uint16_t code) {
  if (code < kMdmMessageTypes.size()) return kMdmMessageTypes[code];
  std::string text = "?";
  return text += decimal(code);
}

}  // namespace ui
