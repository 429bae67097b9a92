#include "setup/card_settings.h"

#include <cstdio>

#include "base/atomic_file.h"

namespace setup {
namespace {

constexpr std::array<uint16_t CardSettings::*, CardSettings::kCount> kOrder = {
    &CardSettings::interWordTxGap,  &CardSettings::interWordGapTimeout,
    &CardSettings::rtResponseTime,  &CardSettings::rtResponseTimeout,
    &CardSettings::watchdogTimeout, &CardSettings::rtPollingTimeout,
    &CardSettings::txAmplitude,     &CardSettings::txPrimary,
    &CardSettings::txSecondary,     &CardSettings::rxPrimary,
    &CardSettings::rxSecondary,     &CardSettings::checksumTest,
    &CardSettings::globalErrors,    &CardSettings::clockMode,
    &CardSettings::wordSize,        &CardSettings::endian,
    &CardSettings::cardType,        &CardSettings::torbSerialPort,
};

std::string format(const char* pattern, int a, int b = 0) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, pattern, a, b);
  return buffer;
}

}  // namespace

uint16_t& CardSettings::word(int index) { return this->*kOrder.at(static_cast<size_t>(index)); }
uint16_t CardSettings::word(int index) const {
  return this->*kOrder.at(static_cast<size_t>(index));
}

SetupRecord makeSetupRecord(const CardSettings& s) {
  SetupRecord r{};
  r.marker = 0xFFFFFFFF;
  r.wordSize = s.wordSize;
  r.interWordTxGap = s.interWordTxGap;
  r.rtResponseTime = s.rtResponseTime;
  r.rtResponseTimeout = s.rtResponseTimeout;
  r.constant0203 = 0x0203;
  r.interWordGapTimeout = s.interWordGapTimeout;
  r.watchdogTimeout = s.watchdogTimeout;
  r.rtPollingTimeout = s.rtPollingTimeout;
  r.txAmplitude = s.txAmplitude;
  r.constant1980 = 0x1980;
  r.constant1A81 = 0x1A81;
  r.zero = 0;
  r.txPrimary = s.txPrimary;
  r.txSecondary = s.txSecondary;
  r.rxPrimary = s.rxPrimary;
  r.rxSecondary = s.rxSecondary;
  r.checksumTest = s.checksumTest;
  r.globalErrors = s.globalErrors;
  r.clockMode = s.clockMode;
  return r;
}

uint16_t saveFile(const std::string& path, std::string_view bytes) {
  switch (base::writeFileAtomically(path, bytes)) {
    case base::WriteOutcome::Written:
      return 0;
    case base::WriteOutcome::CannotOpen:
      return kFileCannotOpen;
    case base::WriteOutcome::WriteFailed:
      return kFileWriteFailed;
  }
  return kFileWriteFailed;
}

std::string showTxGap(uint16_t value) { return format("%d.%d uS", value / 2, value % 2 ? 5 : 0); }
std::string showOnOff(uint16_t value) { return value & kOffBit ? "OFF" : "ON "; }
std::string showAmplitude(uint16_t value) { return format("%d.%d Volts", value / 10, value % 10); }
std::string showConnector(uint16_t code) {
  // A code that names no single connector (only a foreign INI file holds one) shows as "J?".
  switch (code) {
    case 0x0008:
      return " J1";
    case 0x0004:
      return " J2";
    case 0x0002:
      return " J3";
    case 0x0001:
      return " J4";
    default:
      return " J?";
  }
}
std::string showChecksum(uint16_t value) { return value == 0x0200 ? "OFF" : "ON "; }
std::string showGlobalErrors(uint16_t value) { return value == 0x0100 ? "OFF" : "ON "; }
std::string showClockMode(uint16_t value) { return value == 0 ? "FREE RUN" : "IRIG-B  "; }
std::string showWordSize(uint16_t value) { return value == 0 ? " 24" : " 40"; }
std::string showEndian(uint16_t value) { return value == 1 ? " BIG   " : " LITTLE"; }
std::string showCardType(uint16_t value) { return value == kCardPci ? " PCI CARD" : " TORB BOX"; }
std::string showSerialPort(uint16_t value) { return format("  %d", value); }

}  // namespace setup
