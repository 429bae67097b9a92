#include "pages/mdm/rt_setup.h"

#include <array>
#include <cstdio>

#include "ui/fields.h"
#include "ui/mdm_fields.h"
#include "ui/record_page.h"
#include "ui/snap.h"

namespace mdm {
namespace {

enum Control {
  kRead = 1,
  kUpdate = 2,
  kQuit = 3,
  kReport = 4,
  kRtSpin = 5,
  kRtNumber = 6,
  kRtEnable = 7,
  kPowerInterrupt = 8,
  kSimulateSrb = 9,
  kEnhanced = 10,
  kPriBsr = 11,
  kSecBsr = 12,
  kMessageTypeStep = 13,
  kMessageType = 14,
  kErrorTypeStep = 15,
  kErrorType = 16,
  kSizePosition = 17,
  kLastTime = 18,
  kLastCommand = 19,
  kIomSpin = 20,
  kIomNumber = 21,
  kIomData = 22,
  kSioSpin = 23,
  kSioChannel = 24,
  kSioTransmit = 25,
  kSnap = 26,
  kSioType = 27,
  kStore = 28,
  kSioReceive = 29,
};

constexpr int kFieldLimit = 10;
constexpr uint16_t kEnabled = 0x8000;
constexpr uint16_t kNoErrorsIndex = 4;  // what a code the table does not know is shown as

// The message types whose error injection the page edits, in the order of its button.
struct Offered {
  const char* name;
  uint16_t code;
};
constexpr std::array<Offered, 7> kOfferedTypes = {
    {{"RCP", 0}, {"EPS", 1}, {"BT2", 9}, {"BT4", 11}, {"IFI", 3}, {"RBT", 4}, {"RCW", 6}}};

// "%#2d": right-aligned in two places.
std::string twoPlaces(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%2d", value);
  return text;
}

}  // namespace

MDRdialog::MDRdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog),
      state_(station.pageState<RtSetupState>()),
      snap_(dialog_, kSnap, state_.snap) {}

void MDRdialog::init() {
  snap_.start();
  state_.rt = state_.iom = state_.sio = 0;
  state_.messageTypeIndex = 0;
  state_.status = 0;
  dialog_.setText(kRtNumber, "0");
  read();
}

void MDRdialog::command(int id) {
  switch (id) {
    case kRead:
      read();
      break;
    case kUpdate:
      update();
      break;
    case kStore:
      store();
      break;
    case kMessageTypeStep:
      stepMessageType();
      break;
    case kErrorTypeStep:
      stepErrorType();
      break;
    case kSnap:
      snap_.toggle();
      break;
    case kQuit:
      snap_.quit();
      break;
    default:
      break;
  }
}

// ---- Read: both records, or neither.

void MDRdialog::read() {
  state_.status = ui::readBoth(
      state_.unit, state_.module,
      [&](MdmRtSimRecord& unit) { return DUVEX_RdMdmRtSimDLL(card(), state_.rt, &unit, 0, 0); },
      [&](MdmIomRecord& module) {
        return DUVEX_RdMdmIOMDLL(card(), state_.rt, state_.iom, &module);
      });
  if (state_.status == ui::kStatusDone) {
    const MdmRtSimRecord& u = state_.unit;
    dialog_.setChecked(kRtEnable, u.rtEnable != 0);
    dialog_.setChecked(kEnhanced, u.simulateEnhancedMdm != 0);
    dialog_.setChecked(kPowerInterrupt, u.powerInterrupt != 0);
    dialog_.setChecked(kSimulateSrb, u.simulateSrb != 0);
    dialog_.setChecked(kSioType, state_.module.sioType != 0);
    showErrorInjection();
    dialog_.setText(kPriBsr, ui::hex(u.primaryBsr, 4));
    dialog_.setText(kSecBsr, ui::hex(u.secondaryBsr, 4));
    dialog_.setText(kLastTime, ui::formatTimeTag(u.lastCommandTime));
    dialog_.setText(kLastCommand, ui::hex(u.lastCommand, 6));
    dialog_.setText(kIomNumber, twoPlaces(state_.iom));
    dialog_.setText(kSioChannel, twoPlaces(state_.sio));
    showSio();
    ui::ShowHexLines(dialog_, kIomData, false, state_.module.iomData, kMdmIomDataWords);
  }
  ui::ShowReport(dialog_, kReport, state_.status);
}

void MDRdialog::showErrorInjection() {
  const Offered& type = kOfferedTypes[static_cast<size_t>(state_.messageTypeIndex)];
  const MdmErrorInjection& e = state_.unit.errorInjection[type.code];
  dialog_.setText(kMessageType, type.name);
  int index = ui::mdmErrorTypeIndex(e.errorType);
  state_.errorTypeIndex = index < 0 ? kNoErrorsIndex : index;
  dialog_.setText(kErrorType, ui::kMdmErrorTypes[static_cast<size_t>(state_.errorTypeIndex)].name);
  dialog_.setText(kSizePosition, ui::NumToErrField(e.errorType, e.sizePosition));
}

void MDRdialog::showSio() {
  ui::ShowHexLines(dialog_, kSioTransmit, false, state_.module.sioTransmit[state_.sio],
                   kMdmSioWords);
  ui::ShowHexLines(dialog_, kSioReceive, false, state_.module.sioReceive[state_.sio], kMdmSioWords);
}

// ---- Update: the switches and the BSR words, then both records.

void MDRdialog::update() {
  MdmRtSimRecord& u = state_.unit;
  uint16_t error = 0;
  u.rtEnable = dialog_.isChecked(kRtEnable) ? kEnabled : 0;
  u.powerInterrupt = dialog_.isChecked(kPowerInterrupt) ? 1 : 0;
  u.simulateSrb = dialog_.isChecked(kSimulateSrb) ? 1 : 0;
  u.simulateEnhancedMdm = dialog_.isChecked(kEnhanced) ? 1 : 0;
  state_.module.sioType = dialog_.isChecked(kSioType) ? 1 : 0;
  std::string pri = ui::FieldText(dialog_, kPriBsr, kFieldLimit, &error);
  u.primaryBsr = static_cast<uint16_t>(ui::HexToNum(pri, &error));
  std::string sec = ui::FieldText(dialog_, kSecBsr, kFieldLimit, &error);
  u.secondaryBsr = static_cast<uint16_t>(ui::HexToNum(sec, &error));
  uint16_t status = ui::kStatusSyntax;
  if (!error) {
    status = DUVEX_WrMdmRtSimDLL(card(), state_.rt, &u, 0, 0);
    if (status == ui::kStatusDone)
      status = DUVEX_WrMdmIOMDLL(card(), state_.rt, state_.iom, &state_.module);
  }
  state_.status = status;
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Store: the three data boxes and the error injection into the working copies, all or
// nothing.

void MDRdialog::store() {
  auto parse = [&](MdmIomRecord& module, MdmErrorInjection& injection) {
    uint16_t error = 0;
    error |= ui::ReadHexLines(dialog_, kIomData, false, module.iomData, kMdmIomDataWords);
    error |= ui::ReadHexLines(dialog_, kSioTransmit, false, module.sioTransmit[state_.sio],
                              kMdmSioWords);
    error |=
        ui::ReadHexLines(dialog_, kSioReceive, false, module.sioReceive[state_.sio], kMdmSioWords);
    if (!error) {
      injection.errorType = ui::kMdmErrorTypes[static_cast<size_t>(state_.errorTypeIndex)].code;
      injection.sizePosition =
          ui::ErrField(dialog_, kSizePosition, kFieldLimit, injection.errorType, &error);
    }
    return error;
  };
  MdmErrorInjection& injection =
      state_.unit.errorInjection[kOfferedTypes[static_cast<size_t>(state_.messageTypeIndex)].code];
  state_.status = ui::storeAll(parse, state_.module, injection);
  ui::ShowReport(dialog_, kReport, state_.status);
}

// ---- Buttons that change only the page

void MDRdialog::stepMessageType() {
  state_.messageTypeIndex = (state_.messageTypeIndex + 1) % static_cast<int>(kOfferedTypes.size());
  showErrorInjection();
}

void MDRdialog::stepErrorType() {
  state_.errorTypeIndex = (state_.errorTypeIndex + 1) % static_cast<int>(ui::kMdmErrorTypes.size());
  dialog_.setText(kErrorType, ui::kMdmErrorTypes[static_cast<size_t>(state_.errorTypeIndex)].name);
}

// ---- Spins: the RT and the IOM read the card; the SIO channel shows the working copy.

void MDRdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  switch (ui::ScrollBarID(dialog_, param)) {
    case kRtSpin:
      if (ui::spinNumber(dialog_, kRtNumber, state_.rt, action, 32)) read();
      break;
    case kIomSpin:
      if (ui::spinNumber(dialog_, kIomNumber, state_.iom, action, 16)) read();
      break;
    default:
      if (!ui::spinWrapped(state_.sio, action, 4)) return;
      dialog_.setText(kSioChannel, twoPlaces(state_.sio));
      showSio();
      break;
  }
}

void MDRdialog::timer(int id) {
  if (snap_.due(id)) read();
}

}  // namespace mdm
