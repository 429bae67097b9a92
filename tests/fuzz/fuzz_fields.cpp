// The field helpers on operator text: number and error-field parsing, multi-line hex boxes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/fields.h"
#include "winsys/headless/headless.h"

namespace {

class NullPage final : public winsys::DialogProc {
 public:
  void init() override {}
  void command(int) override {}
  void scroll(uint32_t, winsys::ScrollAction) override {}
  void timer(int) override {}
};

// One page with a hex box as wide as the message page's, for the whole run.
winsys::HeadlessDialog& page() {
  static winsys::HeadlessWindowSystem windows;
  static winsys::HeadlessDialog* dialog = [] {
    static winsys::DialogTemplate layout;
    std::string error;
    winsys::parseDialog("DIALOG F 300 200\nMULTIEDIT 18 10 10 126 150 \"\" VSCROLL\n", layout,
                        error);
    windows.openModeless(layout, [](winsys::Dialog&) { return std::make_unique<NullPage>(); });
    return windows.page("F");
  }();
  return *dialog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  uint16_t error = 0;
  ui::DecToNum(text, &error);
  std::string hex = text;
  ui::HexToNum(hex, &error);
  for (uint16_t type : {uint16_t{0x0040}, uint16_t{0x1100}, uint16_t{0x0100}}) {
    uint16_t value = ui::ErrFieldToNum(type, text, &error);
    if (ui::NumToErrField(type, value).empty()) __builtin_trap();
  }
  winsys::HeadlessDialog& box = page();
  box.setText(18, text);
  uint16_t narrow[1024];
  uint32_t wide[1024];
  ui::ReadHexLines(box, 18, false, narrow, 1024);
  ui::ReadHexLines(box, 18, true, wide, 1024);
  // What a box shows reads back as the same words.
  ui::ShowHexLines(box, 18, true, wide, 512);
  uint32_t back[512];
  if (ui::ReadHexLines(box, 18, true, back, 512) != 0) __builtin_trap();
  for (int i = 0; i < 512; ++i) {
    if (back[i] != (wide[i] & 0xFFFFFF)) __builtin_trap();
  }
  return 0;
}
