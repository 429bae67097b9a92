// The eighteen card settings kept in XARN_WIN.INI, and what the setup record is made of.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "card/records.h"

namespace setup {

// In the order of the INI file.
struct CardSettings {
  uint16_t interWordTxGap = 11;  // half microseconds, 0 to 31
  uint16_t interWordGapTimeout = 10;
  uint16_t rtResponseTime = 15;
  uint16_t rtResponseTimeout = 50;     // bits 14..0
  uint16_t watchdogTimeout = 0x8010;   // bit 15 set: OFF; bits 14..0 the value
  uint16_t rtPollingTimeout = 0x8010;  // as the watchdog
  uint16_t txAmplitude = 20;           // tenths of a volt, 0 to 100
  uint16_t txPrimary = 0x0008;         // connector codes: 8 J1, 4 J2, 2 J3, 1 J4
  uint16_t txSecondary = 0x0002;
  uint16_t rxPrimary = 0x0004;
  uint16_t rxSecondary = 0x0001;
  uint16_t checksumTest = 0x0200;  // 0x0200 OFF, 0 ON
  uint16_t globalErrors = 0;       // 0x0100 OFF, 0 ON
  uint16_t clockMode = 0;          // 0 FREE RUN, 0x8000 IRIG-B
  uint16_t wordSize = 0;           // 0 24-bit words, 0x8000 40-bit words
  uint16_t endian = 1;             // 1 big, 0 little
  uint16_t cardType = 1;           // 1 PCI CARD, 2 TORB BOX
  uint16_t torbSerialPort = 1;     // 1 to 4

  static constexpr int kCount = 18;
  uint16_t& word(int index);
  uint16_t word(int index) const;
};
static_assert(sizeof(CardSettings) == 36);

inline constexpr uint16_t kCardPci = 1;
inline constexpr uint16_t kCardTorb = 2;
inline constexpr uint16_t kOffBit = 0x8000;

// File statuses, shared with the setup files.
inline constexpr uint16_t kFileCannotOpen = 900;
inline constexpr uint16_t kFileWriteFailed = 901;
inline constexpr uint16_t kFileReadFailed = 902;

inline constexpr const char* kIniFileName = "XARN_WIN.INI";

// Writes a settings or setup file so that a failure keeps the file that was there: 0, 900 (the
// file is write-protected or cannot be created) or 901 (a write failed).
uint16_t saveFile(const std::string& path, std::string_view bytes);

// The setup record as the card is given it.
SetupRecord makeSetupRecord(const CardSettings& settings);

// How each setting is shown on the setup page.
std::string showTxGap(uint16_t value);      // "5.5 uS"
std::string showOnOff(uint16_t value);      // bit 15: "OFF" / "ON "
std::string showAmplitude(uint16_t value);  // "2.0 Volts"
std::string showConnector(uint16_t code);   // " J1" .. " J4"
std::string showChecksum(uint16_t value);
std::string showGlobalErrors(uint16_t value);
std::string showClockMode(uint16_t value);
std::string showWordSize(uint16_t value);
std::string showEndian(uint16_t value);
std::string showCardType(uint16_t value);
std::string showSerialPort(uint16_t value);

}  // namespace setup
