// What the card does with a firmware image once the loader has handed it over: it checks the
// image in the buffer and programs it only when the image is whole. The verdict goes into the
// card identity, so an operator sees it in the about box (revision and checksum) and in the
// firmware result word of card memory.
#pragma once

#include <cstdint>

#include "xarndll/sim/card_memory.h"

namespace xarnsim::firmware {

// Layout of an image in the firmware buffer, in words from the start of the buffer.
inline constexpr uint32_t kMarkerWord = 0;    // kImageMarker
inline constexpr uint32_t kRevisionWord = 1;  // the revision the image carries, 1 = A
inline constexpr uint32_t kLengthWord = 2;    // words in the image, header and check word included
inline constexpr uint16_t kImageMarker = 0xD0F1;
inline constexpr uint32_t kMinimumLength = 4;  // marker, revision, length, check word

// The firmware result word (the last word of the card identity) after an upgrade.
enum Result : uint16_t {
  kNoUpgrade = 0,     // the card still runs the firmware it was made with
  kProgrammed = 1,    // the image was checked and programmed
  kNoImage = 0x8001,  // the buffer does not start with an image marker
  kBadLength = 0x8002,
  kBadRevision = 0x8003,  // revision 0
  kBadCheck = 0x8004,     // the check word does not match the image
};

struct Verdict {
  uint16_t result = kNoImage;
  uint16_t revision = 0;  // the image's revision when programmed
  uint32_t checksum = 0;  // 32-bit sum of the buffer words when programmed

  bool programmed() const { return result == kProgrammed; }
};

// The check word of an image: CRC-16 (polynomial 0x1021, initial value 0xFFFF) of the words
// before it, each fed high byte first.
uint16_t checkWord(const uint16_t* words, uint32_t count);

// Examines the image in the firmware buffer of `memory`.
Verdict examine(const CardMemory& memory);

}  // namespace xarnsim::firmware
