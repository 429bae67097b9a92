#include "pages/ldb/bct_frame.h"

#include "ui/fields.h"

namespace ldb {
namespace {

enum Control { kReport = 1, kUpdate = 2, kGet = 3, kQuit = 4, kDuration = 5, kFirstSlot = 101 };

constexpr int kSlots = 50;
constexpr int kDurationLimit = 15;
constexpr int kSlotLimit = 4;  // at most three digits

// The duration is kept in half microseconds and shown in microseconds.
std::string durationText(uint32_t halfMicros) {
  std::string text = ui::decimal(halfMicros / 2);
  return halfMicros % 2 ? text + ".5" : text;
}

}  // namespace

BCTframe::BCTframe(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<BctFrameState>()) {}

void BCTframe::init() {
  state_.record.messageList = state_.list.data();
  get();
}

void BCTframe::command(int id) {
  switch (id) {
    case kUpdate:
      update();
      break;
    case kGet:
      get();
      break;
    case kQuit:
      dialog_.end(0);
      break;
    default:
      break;
  }
}

// Shows what the record holds whether or not the read succeeded.
void BCTframe::get() {
  ui::ShowReport(dialog_, kReport, DUVEX_RdProgDLL(card(), &state_.record));
  showFrame();
}

// A card that reports more than 50 messages shows its first 50: the page has no more slots.
void BCTframe::showFrame() {
  dialog_.setText(kDuration, durationText(state_.record.duration));
  for (int i = 0; i < kSlots; ++i) {
    bool used = i < state_.record.messageCount;
    dialog_.setText(kFirstSlot + i, used ? ui::decimal(state_.list[static_cast<size_t>(i)]) : "");
  }
}

// The list ends at the first empty or zero slot; the slots after it are not read.
void BCTframe::update() {
  uint16_t error = 0;
  FrameRecord& r = state_.record;
  r.duration = ui::DecToNum(ui::FieldText(dialog_, kDuration, kDurationLimit, &error), &error) * 2;
  uint16_t count = 0;
  while (count < kSlots) {
    uint32_t number =
        ui::DecToNum(ui::FieldText(dialog_, kFirstSlot + count, kSlotLimit, &error), &error);
    state_.list[count] = static_cast<uint16_t>(number);
    if (number == 0) break;
    ++count;
  }
  if (count == kSlots) state_.list[kSlots] = 0;
  r.messageCount = count;
  uint16_t status = error ? ui::kStatusSyntax : DUVEX_WrProgDLL(card(), &r);
  ui::ShowReport(dialog_, kReport, status);
}

}  // namespace ldb
