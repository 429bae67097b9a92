#include "ui/gdb_fields.h"

#include "ui/ldb_fields.h"

namespace ui {

void toggleSync(winsys::Dialog& page, int field, uint16_t& sync) {
  sync = sync ? 0 : 1;
  page.setText(field, syncText(sync));
}

uint16_t stepErrorType(winsys::Dialog& page, int field, int& index) {
  index = nextIndex(index, kLdbErrorTypes.size());
  const ErrorTypeEntry& e = kLdbErrorTypes[static_cast<std::size_t>(index)];
  page.setText(field, e.name);
  return e.code;
}

}  // namespace ui
