#include "ui/monitor_fields.h"

#include <array>
#include <cstdio>

#include "ui/fields.h"

namespace ui {
namespace {

struct Named {
  uint16_t code;
  const char* text;
};

// Any other bus code is shown as J4.
constexpr std::array<Named, 3> kConnectors = {
    {{0x0008, "\tJ1"}, {0x0004, "\tJ2"}, {0x0002, "\tJ3"}}};
constexpr std::array<Named, 4> kErrors = {
    {{0x8, "  Py"}, {0x4, "  Mn"}, {0x2, "  Lg"}, {0x1, "  Sh"}}};
constexpr uint16_t kCommandFlag = 0x10;

}  // namespace

void setMonStackTabStops(winsys::Dialog& page) {
  page.listSetTabStops(monstack::kList, {40, 115, 130, 140, 120});
}

void showAlert(winsys::Dialog& page, int control, std::string_view text) {
  page.setText(control, text);
  page.windows().beep();
}

std::string FormatMonEntry(int32_t position, const MonMsg& entry) {
  char text[32];
  if (position == 0)
    std::snprintf(text, sizeof text, "TRIGGER");
  else
    std::snprintf(text, sizeof text, position > 0 ? "+%.04d" : "%.04d", position);
  std::string line = text;
  line += '\t';
  line += formatTimeTag(entry.timeTag);
  const char* connector = "\tJ4";
  for (const Named& c : kConnectors) {
    if (entry.busCode == c.code) connector = c.text;
  }
  line += connector;
  line += entry.flags & kCommandFlag ? "\tCMND" : "\tDATA";
  uint32_t word = static_cast<uint32_t>(entry.wordHigh & 0xFF) << 16 | entry.wordLow;
  std::snprintf(text, sizeof text, "\t%.06X\t", word);
  line += text;
  if ((entry.flags & 0xF) == 0) return line + "NO ERRORS";
  for (const Named& e : kErrors) {
    if (entry.flags & e.code) line += e.text;
  }
  return line;
}

}  // namespace ui
