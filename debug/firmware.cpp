#include "debug/firmware.h"

#include <array>
#include <optional>
#include <string_view>

#include "base/atomic_file.h"

namespace debug {
namespace {

constexpr uint16_t kModeCommand = 1;  // the card's LDB_BCT mode command
constexpr uint16_t kProgramCommand = 15;

constexpr uint32_t kBufferFirst = 0x2000;
constexpr uint32_t kBufferLast = 0x11FFE;
constexpr uint32_t kAcknowledgeWord = 0x0006;
constexpr int kAcknowledgePolls = 60000;

struct Handshake {
  uint32_t address;
  uint16_t value;
};
// In this order: the control word last, since it starts the card.
constexpr std::array<Handshake, 4> kHandshake = {{
    {kAcknowledgeWord, 0x2B71},
    {0x0008, 0x4E96},
    {0x000A, 0x7D28},
    {kFirmwareControlWord, 0x19E4},
}};

bool upperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool separator(char c) { return c == ' ' || c == '\r' || c == '\n'; }
uint32_t hexValue(char c) { return c <= '9' ? static_cast<uint32_t>(c - '0') : c - 'A' + 10u; }

// Loads one file's data bytes into the high or low bytes of the buffer words, from `address`
// on, which it leaves after the last byte. 0 or 902.
class ImageLoader {
 public:
  ImageLoader(CardContext* card, bool high, uint32_t& address)
      : card_(card), high_(high), address_(address) {}

  uint16_t load(std::string_view text) {
    text_ = text;
    pos_ = 0;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      bool ok = true;
      if (c == '$') {
        ok = addressRecord();
      } else if (upperHex(c)) {
        ok = dataByte();
      } else {
        ++pos_;  // anything else between records is skipped
      }
      if (!ok) return kUpgradeFormatError;
    }
    return 0;
  }

 private:
  char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  // "$A" NNNN "," and a separator: the buffer word NNNN. A word past the buffer is refused.
  bool addressRecord() {
    if (at(pos_ + 1) != 'A') return false;
    uint32_t word = 0;
    for (size_t i = pos_ + 2; i < pos_ + 6; ++i) {
      if (!upperHex(at(i))) return false;
      word = word * 16 + hexValue(at(i));
    }
    if (at(pos_ + 6) != ',' || !separator(at(pos_ + 7))) return false;
    address_ = kBufferFirst + 2 * word;
    pos_ += 8;
    return address_ <= kBufferLast;
  }

  // Two digits and a separator; the byte replaces one half of the word at the address.
  bool dataByte() {
    if (!upperHex(at(pos_ + 1)) || !separator(at(pos_ + 2))) return false;
    if (address_ > kBufferLast) return false;  // nothing is written past the buffer
    auto byte = static_cast<uint16_t>(hexValue(at(pos_)) * 16 + hexValue(at(pos_ + 1)));
    uint16_t word = rWDLL(card_, address_);
    word = high_ ? static_cast<uint16_t>((word & 0x00FF) | byte << 8)
                 : static_cast<uint16_t>((word & 0xFF00) | byte);
    wWDLL(card_, address_, word);
    address_ += 2;
    pos_ += 3;
    return true;
  }

  CardContext* card_;
  bool high_;
  uint32_t& address_;
  std::string_view text_;
  size_t pos_ = 0;
};

uint16_t handOver(CardContext* card) {
  DUVEX_CommandDLL(card, kProgramCommand);  // its status is not tested: the handshake tells
  for (const Handshake& h : kHandshake) wWDLL(card, h.address, h.value);
  for (int i = 0; i < kAcknowledgePolls; ++i) {
    if (rWDLL(card, kAcknowledgeWord) == 0) return 0;
  }
  return kUpgradeNoAcknowledge;
}

}  // namespace

uint16_t UpgradeFirmware(CardContext* card, const std::string& highName,
                         const std::string& lowName) {
  if (uint16_t status = DUVEX_CommandDLL(card, kModeCommand)) return status;
  // One byte past the largest file, so that a larger one is seen without reading it all.
  constexpr size_t kReadLimit = kLargestUpgradeFile + 1;
  std::optional<std::string> high =
      base::readFileStart(highName, base::OpenFor::Update, kReadLimit);
  if (!high) return kUpgradeCannotOpen;
  std::optional<std::string> low = base::readFileStart(lowName, base::OpenFor::Update, kReadLimit);
  if (!low) return kUpgradeCannotOpen;
  if (high->size() > kLargestUpgradeFile || low->size() > kLargestUpgradeFile)
    return kUpgradeFormatError;

  for (uint32_t address = kBufferFirst; address <= kBufferLast; address += 2)
    wWDLL(card, address, 0);
  // The low-byte file goes on from where the high-byte file ended, unless it moves the address.
  uint32_t address = kBufferFirst;
  if (uint16_t status = ImageLoader(card, true, address).load(*high)) return status;
  if (uint16_t status = ImageLoader(card, false, address).load(*low)) return status;
  return handOver(card);
}

}  // namespace debug
