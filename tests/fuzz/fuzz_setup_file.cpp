// Setup files: any bytes give a status; only a whole file of the card's mode changes the card.
// The first byte chooses whether the input is padded to a whole file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "setup/setup_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::enterScratchDirectory();
  if (size == 0) return 0;
  static fuzz::Card card(3);
  std::vector<uint8_t> bytes(data + 1, data + size);
  if ((data[0] & 0x0F) == 0 && bytes.size() < setup::kSetupFileBytes)
    bytes.resize(setup::kSetupFileBytes, data[0]);
  fuzz::writeFile("FUZZ.SUP", bytes.data(), bytes.size());
  uint16_t status = setup::LoadSetup(card.get(), "FUZZ.SUP");
  bool whole = bytes.size() >= setup::kSetupFileBytes - 2;
  bool ours = bytes.size() >= 2 && bytes[0] == 3 && bytes[1] == 0;
  if (status == 0 && !(whole && ours)) __builtin_trap();
  if (status != 0 && status != 902 && status != 903) __builtin_trap();
  return 0;
}
