#include "debug/debug_command.h"

#include <array>

#include "debug/firmware.h"
#include "ui/fields.h"

namespace debug {
namespace {

enum Control {
  kQuit = 14,
  kReport = 13,
  kCardStatus = 15,
  kReadClock = 11,
  kClock = 12,
  kWrapData = 16,
  kSyncToggle = 17,
  kSync = 18,
  kUpgrade = 19,
  kFirmwareName = 20,
  kWrapTest = 10,
};

constexpr int kStatusTimer = 2;
constexpr int kStatusPeriodMs = 1000;
constexpr int kDataLimit = 10;  // at most 9 characters are read
constexpr int kNameLimit = 70;  // at most 69 characters
constexpr int kUpgradeTicks = 30;

constexpr uint32_t kWrapHigh = 0x0048;  // sync bit 14, data bits 23..16 in bits 7..0
constexpr uint32_t kWrapLow = 0x004A;   // data bits 15..0
constexpr uint16_t kSyncBit = 0x4000;
constexpr uint16_t kWrapTestCommand = 14;

// Buttons 1 to 9 and the command each sends.
struct CardCommand {
  int button;
  uint16_t code;
};
constexpr std::array<CardCommand, 9> kCommands = {{
    {1, 1},   // GOTO LDB_BCT MODE
    {2, 2},   // GOTO LDB_MRT MODE
    {3, 3},   // GOTO BUS_MON MODE
    {4, 4},   // GOTO GSE_BCT MODE
    {5, 5},   // GOTO GSE_MRT MODE
    {6, 6},   // GOTO MDM_MRT MODE
    {7, 10},  // START CARD
    {8, 11},  // STOP CARD
    {9, 13},  // SELFTEST
}};

const CardCommand* findCommand(int button) {
  for (const CardCommand& c : kCommands) {
    if (c.button == button) return &c;
  }
  return nullptr;
}

}  // namespace

void BGCdialog::init() {
  watching_ = false;
  countdown_ = 0;
  uint16_t high = rWDLL(card(), kWrapHigh);
  uint16_t low = rWDLL(card(), kWrapLow);
  sync_ = high & kSyncBit;
  dialog_.setText(kWrapData, ui::hex(static_cast<uint32_t>(high & 0xFF) << 16 | low, 6));
  showSync();
  dialog_.startTimer(kStatusTimer, kStatusPeriodMs);
}

void BGCdialog::command(int id) {
  if (const CardCommand* c = findCommand(id)) {
    ui::ShowReport(dialog_, kReport, DUVEX_CommandDLL(card(), c->code));
  } else if (id == kWrapTest) {
    wrapTest();
  } else if (id == kSyncToggle) {
    sync_ = sync_ ? 0 : kSyncBit;
    showSync();
  } else if (id == kReadClock) {
    readClock();
  } else if (id == kUpgrade) {
    upgrade();
  } else if (id == kQuit) {
    dialog_.stopTimer(kStatusTimer);
    dialog_.end(0);
  }
}

void BGCdialog::showSync() { dialog_.setText(kSync, sync_ ? " CMND" : " DATA"); }

// Bits above bit 23 of the typed value are dropped; the sync flag goes with the high word.
void BGCdialog::wrapTest() {
  uint16_t error = 0;
  std::string text = ui::FieldText(dialog_, kWrapData, kDataLimit, &error);
  uint32_t value = ui::HexToNum(text, &error);
  uint16_t status = ui::kStatusSyntax;
  if (!error) {
    wWDLL(card(), kWrapHigh, static_cast<uint16_t>(((value >> 16) & 0xFF) | sync_));
    wWDLL(card(), kWrapLow, static_cast<uint16_t>(value & 0xFFFF));
    status = DUVEX_CommandDLL(card(), kWrapTestCommand);
  }
  ui::ShowReport(dialog_, kReport, status);
}

void BGCdialog::readClock() {
  TimeTag clock{};
  ui::ShowReport(dialog_, kReport, DUVEX_RdClockDLL(card(), &clock));
  dialog_.setText(kClock, ui::formatTimeTag(clock));
}

void BGCdialog::upgrade() {
  auto answer = station_.windows().messageBox("Are you sure?", "Upgrade firmware",
                                              winsys::Buttons::YesNo, winsys::Icon::Question);
  if (answer != winsys::Answer::Yes) return;
  std::string name = dialog_.text(kFirmwareName, kNameLimit);
  uint16_t status = UpgradeFirmware(card(), name + ".HGH", name + ".LOW");
  if (status != 0) {
    ui::ShowReport(dialog_, kReport, status);
    return;
  }
  station_.windows().beep();
  dialog_.setText(kReport, "Upgrading!");
  dialog_.setToolTip(kReport, "");  // no status number to explain
  countdown_ = kUpgradeTicks;
  watching_ = true;
}

void BGCdialog::timer(int id) {
  if (id != kStatusTimer) return;
  uint16_t state = 0;
  DUVEX_RdStatusDLL(card(), &state);
  // Appended rather than `" " + hex`: at -O3 GCC 12 warns, wrongly, that the copy in
  // operator+(const char*, string&&) may overlap (-Wrestrict).
  std::string text = " ";
  text += ui::hex(state, 4);
  dialog_.setText(kCardStatus, text);
  if (watching_) watchUpgrade();
}

// The card clears its control word when it has programmed the image; after 30 ticks the page
// stops watching all the same.
void BGCdialog::watchUpgrade() {
  bool done = rWDLL(card(), kFirmwareControlWord) == 0 || --countdown_ <= 0;
  if (!done) return;
  watching_ = false;
  station_.windows().beep();
  dialog_.setText(kReport, "Upgrade done!");
  dialog_.setToolTip(kReport, "");  // no status number to explain
}

}  // namespace debug
