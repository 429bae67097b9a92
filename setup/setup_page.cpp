#include "setup/setup_page.h"

#include <array>

#include "setup/ini_file.h"
#include "ui/fields.h"

namespace setup {
namespace {

enum Control {
  kOk = 1,
  kAmplitudeSpin = 2,
  kAmplitude = 3,
  kRtResponseTime = 4,
  kTxGap = 5,
  kRtResponseTimeout = 6,
  kGapTimeout = 7,
  kWatchdogToggle = 8,
  kWatchdog = 9,
  kWatchdogValue = 10,
  kPollingToggle = 11,
  kPolling = 12,
  kPollingValue = 13,
  kChecksumToggle = 14,
  kChecksum = 15,
  kReport = 16,
  kClockToggle = 17,
  kClock = 18,
  kGlobalToggle = 19,
  kGlobal = 20,
  kTxPrimaryStep = 21,
  kTxPrimary = 22,
  kRxPrimaryStep = 23,
  kRxPrimary = 24,
  kTxSecondaryStep = 25,
  kTxSecondary = 26,
  kRxSecondaryStep = 27,
  kRxSecondary = 28,
  kTxGapStep = 29,
  kWordSizeToggle = 30,
  kWordSize = 31,
  kEndianToggle = 32,
  kEndian = 33,
  kQuit = 34,
  kCardTypeToggle = 35,
  kCardType = 36,
  kSerialStep = 37,
  kSerial = 38,
};

constexpr int kFieldLimit = 10;  // at most 9 characters are read
constexpr uint16_t kValueBits = 0x7FFF;
constexpr uint16_t kSetupMode = 1;

// Each toggle or step button: the setting it changes, how, and the field that shows it.
struct Switch {
  int button;
  int field;
  uint16_t CardSettings::*setting;
  uint16_t (*change)(uint16_t);
  std::string (*show)(uint16_t);
};

uint16_t nextGap(uint16_t v) { return static_cast<uint16_t>((v + 1) & 31); }
uint16_t flipOff(uint16_t v) { return static_cast<uint16_t>(v ^ kOffBit); }
uint16_t flipChecksum(uint16_t v) { return v == 0x0200 ? 0 : 0x0200; }
uint16_t flipGlobal(uint16_t v) { return v == 0x0100 ? 0 : 0x0100; }
uint16_t flipClock(uint16_t v) { return v == 0 ? 0x8000 : 0; }
uint16_t flipWordSize(uint16_t v) { return v == 0 ? 0x8000 : 0; }
uint16_t flipEndian(uint16_t v) { return v == 1 ? 0 : 1; }
uint16_t flipCardType(uint16_t v) { return v == kCardPci ? kCardTorb : kCardPci; }
uint16_t nextPort(uint16_t v) { return v + 1 > 4 ? 1 : static_cast<uint16_t>(v + 1); }
uint16_t nextConnector(uint16_t v) { return v >> 1 ? static_cast<uint16_t>(v >> 1) : 0x0008; }

const std::array<Switch, 14> kSwitches = {{
    {kTxGapStep, kTxGap, &CardSettings::interWordTxGap, nextGap, showTxGap},
    {kWatchdogToggle, kWatchdog, &CardSettings::watchdogTimeout, flipOff, showOnOff},
    {kPollingToggle, kPolling, &CardSettings::rtPollingTimeout, flipOff, showOnOff},
    {kChecksumToggle, kChecksum, &CardSettings::checksumTest, flipChecksum, showChecksum},
    {kGlobalToggle, kGlobal, &CardSettings::globalErrors, flipGlobal, showGlobalErrors},
    {kClockToggle, kClock, &CardSettings::clockMode, flipClock, showClockMode},
    {kWordSizeToggle, kWordSize, &CardSettings::wordSize, flipWordSize, showWordSize},
    {kEndianToggle, kEndian, &CardSettings::endian, flipEndian, showEndian},
    {kCardTypeToggle, kCardType, &CardSettings::cardType, flipCardType, showCardType},
    {kSerialStep, kSerial, &CardSettings::torbSerialPort, nextPort, showSerialPort},
    {kTxPrimaryStep, kTxPrimary, &CardSettings::txPrimary, nextConnector, showConnector},
    {kTxSecondaryStep, kTxSecondary, &CardSettings::txSecondary, nextConnector, showConnector},
    {kRxPrimaryStep, kRxPrimary, &CardSettings::rxPrimary, nextConnector, showConnector},
    {kRxSecondaryStep, kRxSecondary, &CardSettings::rxSecondary, nextConnector, showConnector},
}};

const Switch* findSwitch(int button) {
  for (const Switch& s : kSwitches) {
    if (s.button == button) return &s;
  }
  return nullptr;
}

}  // namespace

uint16_t applySettings(SetupContext& station) {
  station.card().operatingMode = kSetupMode;
  station.setupRecord() = makeSetupRecord(station.settings());
  return DUVEX_SetupDLL(&station.card(), kSetupMode, &station.setupRecord());
}

void SETUPdialog::init() { showAll(); }

void SETUPdialog::showAll() {
  const CardSettings& s = setup_.settings();
  dialog_.setText(kAmplitude, showAmplitude(s.txAmplitude));
  dialog_.setText(kRtResponseTime, ui::decimal(s.rtResponseTime));
  dialog_.setText(kRtResponseTimeout, ui::decimal(s.rtResponseTimeout));
  dialog_.setText(kGapTimeout, ui::decimal(s.interWordGapTimeout));
  dialog_.setText(kWatchdogValue, ui::decimal(s.watchdogTimeout & kValueBits));
  dialog_.setText(kPollingValue, ui::decimal(s.rtPollingTimeout & kValueBits));
  for (const Switch& sw : kSwitches) dialog_.setText(sw.field, sw.show(s.*sw.setting));
}

void SETUPdialog::command(int id) {
  if (id == kOk) {
    ok();
  } else if (id == kQuit) {
    dialog_.end(0);
  } else if (const Switch* sw = findSwitch(id)) {
    uint16_t& value = setup_.settings().*sw->setting;
    value = sw->change(value);
    dialog_.setText(sw->field, sw->show(value));
  }
}

void SETUPdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  if (ui::ScrollBarID(dialog_, param) != kAmplitudeSpin) return;
  uint16_t& amplitude = setup_.settings().txAmplitude;
  if (action == winsys::ScrollAction::LineUp) {
    amplitude = amplitude >= 100 ? 0 : static_cast<uint16_t>(amplitude + 1);
  } else if (action == winsys::ScrollAction::LineDown) {
    amplitude = amplitude == 0 ? 100 : static_cast<uint16_t>(amplitude - 1);
  } else {
    return;
  }
  dialog_.setText(kAmplitude, showAmplitude(amplitude));
}

// Parses the five numeric fields into the settings, each stored as soon as it is read.
// 999 when any held a non-digit, else the status of applying the settings.
uint16_t SETUPdialog::readFields() {
  CardSettings& s = setup_.settings();
  uint16_t error = 0;
  auto read = [&](int id) {
    return ui::DecToNum(ui::FieldText(dialog_, id, kFieldLimit, &error), &error);
  };
  s.rtResponseTimeout = static_cast<uint16_t>(read(kRtResponseTimeout) & kValueBits);
  s.rtResponseTime = static_cast<uint16_t>(read(kRtResponseTime));
  s.watchdogTimeout =
      static_cast<uint16_t>((s.watchdogTimeout & kOffBit) | (read(kWatchdogValue) & kValueBits));
  s.rtPollingTimeout =
      static_cast<uint16_t>((s.rtPollingTimeout & kOffBit) | (read(kPollingValue) & kValueBits));
  s.interWordGapTimeout = static_cast<uint16_t>(read(kGapTimeout));
  return error ? ui::kStatusSyntax : applySettings(setup_);
}

void SETUPdialog::ok() {
  CardSettings& s = setup_.settings();
  uint16_t status;
  if (s.cardType == kCardTorb) {
    station_.windows().messageBox(
        "Torb Box will be initialised 18 seconds after OK button is pressed",
        "Torb Box Initialisation Delay", winsys::Buttons::Ok, winsys::Icon::None);
    status = DUVEX_InitDLL(card(), kCardTorb, 1, s.torbSerialPort);
  } else {
    status = DUVEX_InitDLL(card(), s.cardType, s.endian, 0);
  }
  if (status == 0) status = readFields();
  if (status == 0) status = saveSettings(s);
  if (status == 0) {
    setup_.markHardwareInitialised();
    dialog_.end(1);
  }
  ui::ShowReport(dialog_, kReport, status);
}

}  // namespace setup
