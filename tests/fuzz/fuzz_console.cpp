// Console scripts (the first byte picks the station's state, then up to 32 lines): any text
// ends with status 0, 1 or 2, never a crash.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "console/console.h"
#include "fuzz_support.h"

namespace {

constexpr int kMostLines = 32;

const char* const kPreludes[] = {
    "",
    "menu SETUP\nclick 1\n",
    "menu SETUP\nclick 1\nmenu LDB_BCT\n",
    "menu SETUP\nclick 1\nmenu LDB_MRT\n",
    "menu SETUP\nclick 1\nmenu BUS_MON\n",
    "menu SETUP\nclick 1\nmenu GDB_BCT\n",
    "menu SETUP\nclick 1\nmenu GDB_MRT\n",
    "menu SETUP\nclick 1\nmenu MDM_MRT\n",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::enterScratchDirectory();
  if (size == 0) return 0;
  std::string script = kPreludes[data[0] % (sizeof kPreludes / sizeof *kPreludes)];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t end = 0;  // just after the last line taken
  for (int line = 0; line < kMostLines && end < text.size(); ++line) {
    size_t next = text.find('\n', end);
    end = next == std::string_view::npos ? text.size() : next + 1;
  }
  script.append(text.substr(0, end));
  std::istringstream in(script);
  std::ostringstream out;
  console::Console console(out);
  console.confineFilesToWorkingDirectory();
  int status = console.run(in);
  if (status < 0 || status > 2) __builtin_trap();
  return 0;
}
