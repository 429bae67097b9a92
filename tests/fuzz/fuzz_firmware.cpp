// A firmware file pair (high bytes up to the first NUL, then low bytes): a defined status, no
// write outside the firmware buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "debug/firmware.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::enterScratchDirectory();
  static fuzz::Card card(1);
  const uint8_t* split = std::find(data, data + size, 0);
  fuzz::writeFile("FW.HGH", data, static_cast<size_t>(split - data));
  const uint8_t* low = split == data + size ? split : split + 1;
  fuzz::writeFile("FW.LOW", low, static_cast<size_t>(data + size - low));
  // The card finishes programming the previous image first.
  card.advance(10'000'000);
  constexpr uint32_t kGuard = 0x12000;  // the first word after the buffer
  wWDLL(card.get(), kGuard, 0xA5A5);
  uint16_t status = debug::UpgradeFirmware(card.get(), "FW.HGH", "FW.LOW");
  if (status != 0 && status != debug::kUpgradeFormatError) __builtin_trap();
  if (rWDLL(card.get(), kGuard) != 0xA5A5) __builtin_trap();
  return 0;
}
