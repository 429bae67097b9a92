#include "ui/gdb_fields.h"

namespace ui {

void toggleSync(winsys::Dialog& page, int field, uint16_t& sync) {
  sync = sync ? 0 : 1;
  page.setText(field, syncText(sync));
}

}  // namespace ui
