#include "ui/record_page.h"

namespace ui {

bool spinNumber(winsys::Dialog& page, int field, uint16_t& number, winsys::ScrollAction action,
                uint16_t count) {
  if (!spinWrapped(number, action, count)) return false;
  page.setText(field, decimal(number));
  return true;
}

}  // namespace ui
