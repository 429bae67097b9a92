#include "xarndll/sim/firmware.h"

#include <vector>

#include "xarndll/sim/memory_map.h"

namespace xarnsim::firmware {

uint16_t checkWord(const uint16_t* words, uint32_t count) {
  uint16_t crc = 0xFFFF;
  auto feed = [&crc](uint8_t byte) {
    crc ^= static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  };
  for (uint32_t i = 0; i < count; ++i) {
    feed(static_cast<uint8_t>(words[i] >> 8));
    feed(static_cast<uint8_t>(words[i]));
  }
  return crc;
}

Verdict examine(const CardMemory& memory) {
  const map::Region& buffer = map::kFirmwareBuffer;
  std::vector<uint16_t> image(buffer.count);
  memory.readWords(buffer.base, image.data(), buffer.count);

  Verdict verdict;
  if (image[kMarkerWord] != kImageMarker) return verdict;
  uint32_t length = image[kLengthWord];
  if (length < kMinimumLength || length > buffer.count) {
    verdict.result = kBadLength;
    return verdict;
  }
  if (image[kRevisionWord] == 0) {
    verdict.result = kBadRevision;
    return verdict;
  }
  if (checkWord(image.data(), length - 1) != image[length - 1]) {
    verdict.result = kBadCheck;
    return verdict;
  }
  verdict.result = kProgrammed;
  verdict.revision = image[kRevisionWord];
  for (uint16_t word : image) verdict.checksum += word;
  return verdict;
}

}  // namespace xarnsim::firmware
