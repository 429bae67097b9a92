// Any INI bytes load to settings or a status; a loaded file is written back as its 36 bytes.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "fuzz_support.h"
#include "setup/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::enterScratchDirectory();
  fuzz::writeFile("XARN_WIN.INI", data, size);
  setup::CardSettings settings;
  uint16_t status = setup::loadSettings(settings, "XARN_WIN.INI");
  if (status != 0 && status != 902) __builtin_trap();
  if (status == 0 && std::filesystem::file_size("XARN_WIN.INI") != 36) __builtin_trap();
  return 0;
}
