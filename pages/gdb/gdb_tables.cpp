#include "pages/gdb/gdb_tables.h"

#include "ui/fields.h"
#include "ui/gdb_fields.h"
#include "ui/ldb_fields.h"

namespace gdb {
namespace {

enum Control {
  kQuit = 1,
  kRateStep = 2,
  kRate = 3,
  kReport = 4,
  kGoTo = 5,
  kEntrySpin = 6,
  kEntry = 7,
  kOperationStep = 8,
  kOperation = 9,
  kModify = 10,
  kTriggerToggle = 11,
  kTrigger = 12,
  kRtAddress = 13,
  kSyncToggle = 14,
  kSync = 15,
  kChannel = 16,
  kDataValue = 17,
  kErrorStep = 18,
  kErrorType = 19,
  kErrorSize = 20,
};

constexpr int kFieldLimit = 10;

struct Rate {
  uint16_t rate;
  const char* text;
  uint16_t entries;
};
constexpr std::array<Rate, 3> kRates = {
    {{100, " 100Hz", 100}, {10, " 10Hz", 1000}, {1, " 1Hz", 10000}}};

// Rate 1 steps to 10, 10 to 100, anything else to 1.
const Rate& rateOf(uint16_t rate) {
  for (const Rate& r : kRates) {
    if (r.rate == rate) return r;
  }
  return kRates[2];
}
uint16_t nextRate(uint16_t rate) { return rate == 1 ? 10 : rate == 10 ? 100 : 1; }

}  // namespace

GBTdialog::GBTdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<TablesState>()) {}

void GBTdialog::init() {
  state_.status = 0;
  state_.errorTypeIndex = 0;
  state_.operationIndex = 0;
  state_.rate = 100;
  state_.entry = 1;
  dialog_.setText(kRate, rateOf(state_.rate).text);
  dialog_.setText(kEntry, "1");
  goTo();
}

void GBTdialog::command(int id) {
  switch (id) {
    case kQuit:
      dialog_.end(0);
      break;
    case kRateStep:
      stepRate();
      break;
    case kGoTo:
      goTo();
      break;
    case kOperationStep:
      stepOperation();
      break;
    case kModify:
      modify();
      break;
    case kTriggerToggle:
      toggleTrigger();
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

uint16_t GBTdialog::readEntryNumber(uint16_t& error) {
  return static_cast<uint16_t>(ui::DecField(dialog_, kEntry, kFieldLimit, 0xFFFF, &error));
}

// ---- GOTO

void GBTdialog::goTo() {
  uint16_t error = 0;
  state_.entry = readEntryNumber(error);
  uint16_t operation = 0;
  GdbCommandRecord record{};
  state_.status = error
                      ? ui::kStatusSyntax
                      : DUVEX_RdGdbTableDLL(card(), state_.rate, state_.entry, &operation, &record);
  if (state_.status == ui::kStatusDone) {
    state_.record = record;
    // A code the card reports but the page does not know is run by the card as NOOP.
    state_.operationIndex = ui::firstIndexOf(ui::kGdbOperations, operation);
    state_.operation = ui::kGdbOperations[static_cast<std::size_t>(state_.operationIndex)].code;
    dialog_.setText(kOperation,
                    ui::kGdbOperations[static_cast<std::size_t>(state_.operationIndex)].name);
    if (operation == ui::kGdbMeasure)
      showMeasure();
    else
      showOther();
  }
  ui::ShowReport(dialog_, kReport, state_.status);
}

void GBTdialog::showMeasure() {
  const GdbCommandRecord& r = state_.record;
  dialog_.setText(kRtAddress, ui::decimal(r.rtAddress));
  dialog_.setText(kChannel, ui::hex(r.channel, 1));
  dialog_.setText(kDataValue, ui::hex(r.dataValue, 1));
  state_.errorTypeIndex = ui::firstIndexOf(ui::kLdbErrorTypes, r.errorType);
  dialog_.setText(kErrorType,
                  ui::kLdbErrorTypes[static_cast<std::size_t>(state_.errorTypeIndex)].name);
  dialog_.setText(kSync, ui::syncText(r.sync));
  dialog_.setText(kErrorSize, ui::NumToErrField(r.errorType, r.sizePosition));
}

void GBTdialog::showOther() {
  for (int id : {kRtAddress, kChannel, kDataValue, kErrorSize, kErrorType, kSync})
    dialog_.setText(id, "");
  if (state_.operation == ui::kGdbTrigger)
    dialog_.setText(kTrigger, state_.record.triggerPolarity ? "+Ve" : "-Ve");
  else
    dialog_.setText(kTrigger, "");
}

// ---- MODIFY

void GBTdialog::modify() {
  uint16_t error = 0;
  state_.entry = readEntryNumber(error);
  GdbCommandRecord& r = state_.record;
  if (state_.operation == ui::kGdbMeasure) {
    r.rtAddress =
        static_cast<uint16_t>(ui::DecField(dialog_, kRtAddress, kFieldLimit, 0xFFFF, &error));
    r.channel = static_cast<uint16_t>(ui::HexField(dialog_, kChannel, kFieldLimit, 0xFFFF, &error));
    r.dataValue =
        static_cast<uint16_t>(ui::HexField(dialog_, kDataValue, kFieldLimit, 0xFFFF, &error));
    r.errorType = ui::kLdbErrorTypes[static_cast<std::size_t>(state_.errorTypeIndex)].code;
    r.sizePosition = ui::ErrField(dialog_, kErrorSize, kFieldLimit, r.errorType, &error);
    r.fixedWord3 = r.fixedWord4 = r.fixedWord5 = 1;
  }
  state_.status =
      error ? ui::kStatusSyntax
            : DUVEX_WrGdbTableDLL(card(), state_.rate, state_.entry, state_.operation, &r);
  ui::ShowReport(dialog_, kReport, state_.status);
}

// ---- Page-only buttons

void GBTdialog::stepRate() {
  state_.rate = nextRate(state_.rate);
  dialog_.setText(kRate, rateOf(state_.rate).text);
}

// Every operation, HALT included: a table may hold HALT entries, so the page can write them.
void GBTdialog::stepOperation() {
  state_.operationIndex = ui::nextIndex(state_.operationIndex, ui::kGdbOperations.size());
  const ui::GdbOperation& op = ui::kGdbOperations[static_cast<std::size_t>(state_.operationIndex)];
  dialog_.setText(kOperation, op.name);
  state_.operation = op.code;
}

void GBTdialog::toggleTrigger() {
  uint16_t& polarity = state_.record.triggerPolarity;
  polarity = polarity ? 0 : 1;
  dialog_.setText(kTrigger, polarity ? "+Ve" : "-Ve");
}

void GBTdialog::toggleSync() { ui::toggleSync(dialog_, kSync, state_.record.sync); }

void GBTdialog::stepErrorType() {
  state_.record.errorType = ui::stepErrorType(dialog_, kErrorType, state_.errorTypeIndex);
}

// ---- The entry spin: the bottom arrow steps up, the top arrow down, each wrapping at the
// current table's size, then the entry is read.

void GBTdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  if (ui::ScrollBarID(dialog_, param) != kEntrySpin) return;
  bool up = action == winsys::ScrollAction::LineDown;
  if (!up && action != winsys::ScrollAction::LineUp) return;
  uint16_t error = 0;
  uint16_t entry = readEntryNumber(error);
  if (error) {
    state_.status = ui::kStatusSyntax;
    ui::ShowReport(dialog_, kReport, state_.status);
    return;
  }
  uint16_t last = rateOf(state_.rate).entries;
  if (up) {
    ++entry;
    if (entry > last) entry = 1;
  } else {
    entry = entry <= 1 ? last : static_cast<uint16_t>(entry - 1);  // an empty field reads 0
  }
  dialog_.setText(kEntry, ui::decimal(entry));
  goTo();
}

}  // namespace gdb
