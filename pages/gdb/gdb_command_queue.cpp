#include "pages/gdb/gdb_command_queue.h"

#include "ui/fields.h"
#include "ui/gdb_fields.h"
#include "ui/ldb_fields.h"

namespace gdb {
namespace {

enum Control {
  kQuit = 1,
  kReport = 2,
  kPriorityToggle = 3,
  kPriority = 4,
  kInsert = 5,
  kRtAddress = 6,
  kChannel = 7,
  kSyncToggle = 8,
  kSync = 9,
  kDataValue = 10,
  kErrorStep = 11,
  kErrorType = 12,
  kErrorSize = 13,
};

constexpr int kFieldLimit = 10;
constexpr uint16_t kHigh = 1;
constexpr uint16_t kLow = 0;

}  // namespace

GCQdialog::GCQdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<CommandQueueState>()) {}

void GCQdialog::init() {
  state_.status = 0;
  state_.errorTypeIndex = 0;
  state_.priority = kHigh;
  dialog_.setText(kPriority, "HI");
  dialog_.setText(kRtAddress, "1");
  dialog_.setText(kChannel, "1");
  state_.record.sync = 1;
  dialog_.setText(kSync, ui::syncText(1));
  dialog_.setText(kDataValue, "1");
  state_.record.errorType = ui::kLdbErrorTypes[0].code;
  dialog_.setText(kErrorType, ui::kLdbErrorTypes[0].name);
  state_.record.sizePosition = 0;
  dialog_.setText(kErrorSize, "");
}

void GCQdialog::command(int id) {
  switch (id) {
    case kQuit:
      dialog_.end(0);
      break;
    case kInsert:
      insert();
      break;
    case kPriorityToggle:
      togglePriority();
      break;
    case kSyncToggle:
      toggleSync();
      break;
    case kErrorStep:
      stepErrorType();
      break;
    default:
      break;
  }
}

uint16_t* GCQdialog::counter() {
  GdbQueueCounters& counters = station_.gdbQueueCounters();
  return state_.priority == kHigh ? &counters.hi : &counters.lo;
}

// The channel is decimal here, unlike the tables page.
void GCQdialog::insert() {
  uint16_t error = 0;
  GdbCommandRecord& r = state_.record;
  r.rtAddress =
      static_cast<uint16_t>(ui::DecField(dialog_, kRtAddress, kFieldLimit, 0xFFFF, &error));
  r.channel = static_cast<uint16_t>(ui::DecField(dialog_, kChannel, kFieldLimit, 0xFFFF, &error));
  r.dataValue =
      static_cast<uint16_t>(ui::HexField(dialog_, kDataValue, kFieldLimit, 0xFFFF, &error));
  r.errorType = ui::kLdbErrorTypes[static_cast<std::size_t>(state_.errorTypeIndex)].code;
  r.sizePosition = ui::ErrField(dialog_, kErrorSize, kFieldLimit, r.errorType, &error);
  r.fixedWord3 = r.fixedWord4 = r.fixedWord5 = 1;
  state_.status =
      error ? ui::kStatusSyntax : DUVEX_GdbQcmndDLL(card(), state_.priority, counter(), &r);
  ui::ShowReport(dialog_, kReport, state_.status);
}

void GCQdialog::togglePriority() {
  state_.priority = state_.priority == kHigh ? kLow : kHigh;
  dialog_.setText(kPriority, state_.priority == kHigh ? "HI" : "LO");
}

void GCQdialog::toggleSync() { ui::toggleSync(dialog_, kSync, state_.record.sync); }

void GCQdialog::stepErrorType() {
  state_.record.errorType = ui::stepErrorType(dialog_, kErrorType, state_.errorTypeIndex);
}

}  // namespace gdb
