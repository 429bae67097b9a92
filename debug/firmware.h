// Firmware upgrade: a high-byte and a low-byte text file are loaded into the card's firmware
// buffer, then handed to the card with command 15 and the handshake words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "card/xarndll.h"

namespace debug {

inline constexpr uint16_t kUpgradeCannotOpen = 900;  // as the other file statuses
inline constexpr uint16_t kUpgradeFormatError = 902;
inline constexpr uint16_t kUpgradeNoAcknowledge = 2;      // the card never cleared word 0x0006
inline constexpr uint32_t kFirmwareControlWord = 0x0004;  // cleared by the card when it is done
// The firmware buffer takes 32,768 bytes a file; written three characters a byte with an address
// record before every one, that is 360,448 characters. A larger file, with room for generous line
// breaks and comments, is no image of this card: it is refused (kUpgradeFormatError) unread.
inline constexpr size_t kLargestUpgradeFile = 1 << 20;

// Status: 0 handed over and acknowledged; the mode command's status; kUpgradeCannotOpen when a
// file cannot be opened for update; kUpgradeFormatError for a format error, an image that
// reaches past the firmware buffer, or a file larger than kLargestUpgradeFile;
// kUpgradeNoAcknowledge. The names are complete (extensions
// included).
uint16_t UpgradeFirmware(CardContext* card, const std::string& highName,
                         const std::string& lowName);

}  // namespace debug
