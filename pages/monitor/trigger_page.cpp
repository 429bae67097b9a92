#include "pages/monitor/trigger_page.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ui/fields.h"

namespace monitor {
namespace {

enum Control {
  kQuit = 1,
  kLoad = 2,
  kJ1 = 3,
  kBusSpin = 7,
  kBus = 8,
  kSyncSpin = 9,
  kSync = 10,
  kPtc = 11,
  kPattern = 12,
  kRtScroll = 13,
  kRtIndex = 14,
  kEnabled = 15,
  kDisabled = 16,
  kReport = 21,
  kGet = 22,
};

constexpr uint32_t kBusSelectAddress = 0x0020;
constexpr uint16_t kBusSelectBits = 0x000F;  // J1 to J4 in bits 0 to 3
constexpr uint16_t kControlDisabled = 0x8000;
constexpr uint16_t kControlSync = 0x0030;
constexpr int kPatternUsed = 24;
constexpr int kPatternLimit = 40;  // the field gives at most 39 characters
constexpr int kPtcDigits = 9;
constexpr int kRtCount = kMonRtFilterEntries;

struct Choice {
  const char* text;
  uint16_t code;
};

// The last entry of each table is what any other code is shown as.
constexpr std::array<Choice, 5> kBuses = {
    {{"J1", 0x0008}, {"J2", 0x0004}, {"J3", 0x0002}, {"J4", 0x0001}, {"ANY", 0x8000}}};
constexpr std::array<Choice, 3> kSyncs = {{{"DATA", 0x0010}, {"CMND", 0x0020}, {"ANY", 0x0030}}};

struct Box {
  int id;
  uint16_t bit;
};
constexpr std::array<Box, 4> kErrorBoxes = {
    {{17, 0x0008}, {18, 0x0004}, {19, 0x0002}, {20, 0x0001}}};

template <std::size_t N>
int indexOf(const std::array<Choice, N>& table, uint16_t code) {
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (table[i].code == code) return static_cast<int>(i);
  }
  return static_cast<int>(N - 1);
}

}  // namespace

MTGdialog::MTGdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<TriggerPageState>()) {}

void MTGdialog::init() {
  state_.record.rtFilter = state_.rtFilter.data();
  get();
}

void MTGdialog::command(int id) {
  switch (id) {
    case kQuit:
      dialog_.end(0);
      break;
    case kLoad:
      load();
      break;
    case kGet:
      get();
      break;
    case kBusSpin:
      stepBus();
      break;
    case kSyncSpin:
      stepSync();
      break;
    case kEnabled:
      toggleEnabled();
      break;
    default:
      break;
  }
}

// The fields are filled from the record whatever the card answered.
void MTGdialog::get() {
  MonTrigger& r = state_.record;
  uint16_t select = rWDLL(card(), kBusSelectAddress);
  uint16_t status = DUVEX_RdMonTriggerDLL(card(), &r);
  for (int j = 0; j < 4; ++j) dialog_.setChecked(kJ1 + j, (select >> j & 1) != 0);
  state_.busIndex = indexOf(kBuses, r.triggerBus);
  dialog_.setText(kBus, kBuses[static_cast<std::size_t>(state_.busIndex)].text);
  dialog_.setText(kPattern, std::string(r.pattern, strnlen(r.pattern, kPatternUsed)));
  uint16_t control = r.control;
  dialog_.setChecked(kDisabled, (control & kControlDisabled) != 0);
  for (const Box& b : kErrorBoxes) dialog_.setChecked(b.id, (control & b.bit) != 0);
  state_.syncIndex = indexOf(kSyncs, control & kControlSync);
  dialog_.setText(kSync, kSyncs[static_cast<std::size_t>(state_.syncIndex)].text);
  dialog_.setText(kPtc, ui::decimal(r.postTriggerCount));
  state_.rtIndex = 0;
  showRt();
  ui::ShowReport(dialog_, kReport, status);
}

// The bus selection is written first, whatever the other fields hold.
void MTGdialog::load() {
  MonTrigger& r = state_.record;
  uint16_t select = rWDLL(card(), kBusSelectAddress) & ~kBusSelectBits;
  for (int j = 0; j < 4; ++j) {
    if (dialog_.isChecked(kJ1 + j)) select |= static_cast<uint16_t>(1u << j);
  }
  wWDLL(card(), kBusSelectAddress, select);

  uint16_t control = kSyncs[static_cast<std::size_t>(state_.syncIndex)].code;
  for (const Box& b : kErrorBoxes) {
    if (dialog_.isChecked(b.id)) control |= b.bit;
  }
  if (dialog_.isChecked(kDisabled)) control |= kControlDisabled;
  r.control = control;
  r.triggerBus = kBuses[static_cast<std::size_t>(state_.busIndex)].code;

  // A pattern shorter than 24 characters matches anything after its end.
  std::string pattern = dialog_.text(kPattern, kPatternLimit);
  pattern.resize(kPatternUsed, 'X');
  pattern.resize(kMonPatternChars, 'X');
  std::memcpy(r.pattern, pattern.data(), kMonPatternChars);

  // A count longer than the field's nine digits is refused rather than cut.
  error_ = 0;
  std::string ptc = dialog_.text(kPtc, kPtcDigits + 2);
  if (ptc.size() > kPtcDigits) error_ = 1;
  r.postTriggerCount = ui::DecToNum(ptc, &error_);
  uint16_t status = error_ ? ui::kStatusSyntax : DUVEX_WrMonTriggerDLL(card(), &r);
  ui::ShowReport(dialog_, kReport, status);
}

void MTGdialog::stepBus() {
  state_.busIndex = (state_.busIndex + 1) % static_cast<int>(kBuses.size());
  dialog_.setText(kBus, kBuses[static_cast<std::size_t>(state_.busIndex)].text);
}

void MTGdialog::stepSync() {
  state_.syncIndex = (state_.syncIndex + 1) % static_cast<int>(kSyncs.size());
  dialog_.setText(kSync, kSyncs[static_cast<std::size_t>(state_.syncIndex)].text);
}

// ---- RT filter: the table reaches the card with the next Load.

void MTGdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  if (ui::ScrollBarID(dialog_, param) != kRtScroll) return;
  if (action == winsys::ScrollAction::LineUp)
    state_.rtIndex = (state_.rtIndex + 1) % kRtCount;
  else if (action == winsys::ScrollAction::LineDown)
    state_.rtIndex = (state_.rtIndex + kRtCount - 1) % kRtCount;
  else
    return;
  showRt();
}

void MTGdialog::toggleEnabled() {
  uint16_t& entry = state_.rtFilter[static_cast<std::size_t>(state_.rtIndex)];
  bool enabled = dialog_.isChecked(kEnabled);
  dialog_.setChecked(kEnabled, !enabled);
  entry = enabled ? 0 : 1;
}

void MTGdialog::showRt() {
  dialog_.setText(kRtIndex, ui::decimal(static_cast<uint32_t>(state_.rtIndex)));
  dialog_.setChecked(kEnabled, state_.rtFilter[static_cast<std::size_t>(state_.rtIndex)] == 1);
}

}  // namespace monitor
