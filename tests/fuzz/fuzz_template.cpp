// Templates and menus parse or are refused with a reason; wrapped lines fit their box (blanks
// may hang past it) and give back the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "winsys/template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  winsys::DialogTemplate dialog;
  if (winsys::parseDialog(text, dialog, error)) {
    for (const winsys::ControlTemplate& c : dialog.controls) {
      if (c.id >= 0 && dialog.control(c.id) == nullptr) __builtin_trap();
    }
  } else if (error.empty()) {
    __builtin_trap();  // a refusal always says why
  }
  winsys::Menu menu;
  if (!winsys::parseMenu(text, menu, error) && error.empty()) __builtin_trap();

  if (size == 0 || text.find_first_of("\r\n") != std::string_view::npos) return 0;
  const int columns = 1 + data[0] % 80;
  std::string joined;
  for (const std::string& line : winsys::wrapLines(text, columns)) {
    size_t shown = line.find_last_not_of(' ');
    if (shown != std::string::npos && shown >= static_cast<size_t>(columns)) __builtin_trap();
    joined += line;
  }
  if (joined != text) __builtin_trap();
  return 0;
}
