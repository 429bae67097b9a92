#include "pages/gdb/gdb_rt_page.h"

#include <string>

#include "ui/fields.h"
#include "ui/gdb_fields.h"
#include "ui/ldb_fields.h"
#include "ui/record_page.h"

namespace gdb {
namespace {

enum Control {
  kRead = 1,
  kRtSpin = 2,
  kRtNumber = 3,
  kRtEnable = 4,
  kChannelSpin = 6,
  kChannel = 7,
  kChannelEnable = 8,
  kIntermediate = 9,
  kErrorStep = 10,
  kErrorType = 11,
  kErrorSize = 12,
  kCommandAddress = 13,
  kResponseRt = 14,
  kResponseChannel = 15,
  kResponseSyncToggle = 16,
  kResponseSync = 17,
  kResponseData = 18,
  kUnsolicited = 19,
  kUnsolicitedRt = 20,
  kUnsolicitedChannel = 21,
  kUnsolicitedSyncToggle = 22,
  kUnsolicitedSync = 23,
  kUnsolicitedData = 24,
  kResponseTypeStep = 25,
  kResponseType = 26,
  kResponseTime = 27,
  kNotAndMask = 28,
  kOrMask = 29,
  kReport = 30,
  kUpdate = 31,
  kQuit = 32,
};

constexpr int kFieldLimit = 10;
constexpr uint32_t kTerminals = 256;
constexpr uint16_t kEnabled = 0x8000;
constexpr uint32_t kMarker = 0xFFFFFFFF;

// Up: the limit wraps to 0; down: 0 wraps to the limit. A number past the limit (typed) steps
// on without a wrap.
uint32_t stepped(uint32_t value, Step step, uint32_t limit) {
  switch (step) {
    case Step::Up:
      return value == limit ? 0 : value + 1;
    case Step::Down:
      return value == 0 ? limit : value - 1;
    case Step::None:
      break;
  }
  return value;
}

}  // namespace

GRRdialog::GRRdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<RtPageState>()) {}

void GRRdialog::init() {
  state_.rt = 0;
  state_.channel = 0;
  state_.rtStep = state_.channelStep = Step::None;
  state_.errorTypeIndex = 0;
  state_.responseTypeIndex = 0;
  dialog_.setText(kRtNumber, "0");
  dialog_.setText(kChannel, "0");
  read();
}

void GRRdialog::command(int id) {
  switch (id) {
    case kRead:
      read();
      break;
    case kUpdate:
      update();
      break;
    case kQuit:
      dialog_.end(0);
      break;
    case kErrorStep:
      stepErrorType();
      break;
    case kResponseTypeStep:
      stepResponseType();
      break;
    case kResponseSyncToggle:
      ui::toggleSync(dialog_, kResponseSync, state_.record.responseSync);
      break;
    case kUnsolicitedSyncToggle:
      ui::toggleSync(dialog_, kUnsolicitedSync, state_.terminal.unsolicitedSync);
      break;
    default:
      break;
  }
}

// The top arrow steps up, the bottom arrow down; then the page reads.
void GRRdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  Step step = action == winsys::ScrollAction::LineUp     ? Step::Up
              : action == winsys::ScrollAction::LineDown ? Step::Down
                                                         : Step::None;
  if (step == Step::None) return;
  if (ui::ScrollBarID(dialog_, param) == kRtSpin)
    state_.rtStep = step;
  else
    state_.channelStep = step;
  read();
}

// ---- Read

void GRRdialog::read() {
  Step rtStep = state_.rtStep;
  Step channelStep = state_.channelStep;
  state_.rtStep = state_.channelStep = Step::None;
  uint16_t error = 0;
  auto readTerminal = [&](GdbRtSimRecord& terminal) {
    uint32_t rt = ui::DecField(dialog_, kRtNumber, kFieldLimit, 0xFFFFFFFF, &error);
    if (error || rt >= kTerminals) return ui::kStatusSyntax;
    state_.rt = static_cast<uint16_t>(stepped(rt, rtStep, kTerminals - 1));
    dialog_.setText(kRtNumber, ui::decimal(state_.rt));
    return DUVEX_RdGdbRtSimDLL(card(), state_.rt, &terminal);
  };
  auto readChannel = [&](GdbRtChanRecord& record) {
    uint32_t channel = ui::DecField(dialog_, kChannel, kFieldLimit, 0xFFFFFFFF, &error);
    uint32_t limit = card()->extendedChannels ? 0xFFFF : 0xFF;
    channel = ui::field16(stepped(channel, channelStep, limit), &error);
    if (error) return ui::kStatusSyntax;
    state_.channel = static_cast<uint16_t>(channel);
    dialog_.setText(kChannel, ui::decimal(state_.channel));
    return DUVEX_RdGdbRtChanDLL(card(), state_.rt, state_.channel, &record);
  };
  uint16_t status = ui::readBoth(state_.terminal, state_.record, readTerminal, readChannel);
  if (status == ui::kStatusDone) {
    showTerminal();
    showChannel();
  }
  ui::ShowReport(dialog_, kReport, status);
}

void GRRdialog::showTerminal() {
  const GdbRtSimRecord& t = state_.terminal;
  dialog_.setChecked(kRtEnable, t.rtEnable == kEnabled);
  state_.errorTypeIndex = ui::firstIndexOf(ui::kLdbErrorTypes, t.errorType);
  dialog_.setText(kErrorType,
                  ui::kLdbErrorTypes[static_cast<std::size_t>(state_.errorTypeIndex)].name);
  dialog_.setText(kErrorSize, ui::NumToErrField(t.errorType, t.sizePosition));
  dialog_.setText(kUnsolicitedSync, ui::syncText(t.unsolicitedSync));
  dialog_.setText(kUnsolicitedRt, ui::decimal(t.unsolicitedRtAddress));
  dialog_.setText(kUnsolicitedChannel, ui::decimal(t.unsolicitedChannel));
  dialog_.setText(kUnsolicitedData, ui::hex(t.unsolicitedDataValue, 1));
}

void GRRdialog::showChannel() {
  const GdbRtChanRecord& c = state_.record;
  dialog_.setChecked(kIntermediate, c.intermediateEnable != 0);
  dialog_.setChecked(kChannelEnable, c.channelEnable != 0);
  dialog_.setChecked(kUnsolicited, c.unsolicitedEnable != 0);
  dialog_.setChecked(kCommandAddress, c.respondWithCommandAddress != 0);
  dialog_.setText(kResponseSync, ui::syncText(c.responseSync));
  dialog_.setText(kResponseRt, ui::decimal(c.responseRtAddress));
  dialog_.setText(kResponseChannel, ui::decimal(c.responseChannel));
  dialog_.setText(kResponseData, ui::hex(c.responseDataValue, 1));
  dialog_.setText(kNotAndMask, ui::hex(c.notAndMask, 4));
  dialog_.setText(kOrMask, ui::hex(c.orMask, 4));
  dialog_.setText(kResponseTime, ui::decimal(c.responseTime));
  state_.responseTypeIndex = ui::firstIndexOf(ui::kGdbResponseTypes, c.responseType);
  dialog_.setText(kResponseType,
                  ui::kGdbResponseTypes[static_cast<std::size_t>(state_.responseTypeIndex)].text);
}

// ---- Update

void GRRdialog::update() {
  GdbRtSimRecord& t = state_.terminal;
  GdbRtChanRecord& c = state_.record;
  t.writeMarker = c.writeMarker = kMarker;
  uint16_t error = 0;
  auto decimal = [&](int id) {
    return static_cast<uint16_t>(ui::DecField(dialog_, id, kFieldLimit, 0xFFFF, &error));
  };
  auto hex = [&](int id) {
    return static_cast<uint16_t>(ui::HexField(dialog_, id, kFieldLimit, 0xFFFF, &error));
  };
  state_.rt = decimal(kRtNumber);
  state_.channel = decimal(kChannel);
  t.rtEnable = dialog_.isChecked(kRtEnable) ? kEnabled : 0;
  t.errorType = ui::kLdbErrorTypes[static_cast<std::size_t>(state_.errorTypeIndex)].code;
  t.sizePosition = ui::ErrField(dialog_, kErrorSize, kFieldLimit, t.errorType, &error);
  t.unsolicitedRtAddress = decimal(kUnsolicitedRt);
  t.unsolicitedChannel = decimal(kUnsolicitedChannel);
  t.unsolicitedDataValue = hex(kUnsolicitedData);
  c.intermediateEnable = dialog_.isChecked(kIntermediate) ? 1 : 0;
  c.channelEnable = dialog_.isChecked(kChannelEnable) ? 1 : 0;
  c.unsolicitedEnable = dialog_.isChecked(kUnsolicited) ? 1 : 0;
  c.respondWithCommandAddress = dialog_.isChecked(kCommandAddress) ? 1 : 0;
  c.responseType = ui::kGdbResponseTypes[static_cast<std::size_t>(state_.responseTypeIndex)].code;
  c.responseRtAddress = decimal(kResponseRt);
  c.responseChannel = decimal(kResponseChannel);
  c.responseDataValue = hex(kResponseData);
  c.notAndMask = hex(kNotAndMask);
  c.orMask = hex(kOrMask);
  c.responseTime = decimal(kResponseTime);
  uint16_t status = ui::kStatusSyntax;
  if (!error) {
    status = DUVEX_WrGdbRtChanDLL(card(), state_.rt, state_.channel, &c);
    if (status == ui::kStatusDone) status = DUVEX_WrGdbRtSimDLL(card(), state_.rt, &t);
  }
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Page-only buttons

void GRRdialog::stepErrorType() { ui::stepErrorType(dialog_, kErrorType, state_.errorTypeIndex); }

void GRRdialog::stepResponseType() {
  state_.responseTypeIndex = ui::nextIndex(state_.responseTypeIndex, ui::kGdbResponseTypes.size());
  const ui::GdbResponseType& type =
      ui::kGdbResponseTypes[static_cast<std::size_t>(state_.responseTypeIndex)];
  state_.record.responseType = type.code;
  dialog_.setText(kResponseType, type.text);
}

}  // namespace gdb
