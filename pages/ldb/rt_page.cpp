#include "pages/ldb/rt_page.h"

#include "ui/fields.h"
#include "ui/record_page.h"
#include "ui/snap.h"

namespace ldb {
namespace {

enum Control {
  kQuit = 1,
  kUpdate = 2,
  kGet = 3,
  kReport = 4,
  kRtSpin = 5,
  kRtNumber = 6,
  kRtState = 7,
  kLastTime = 8,
  kLastCommand = 9,
  kLastResponse = 10,
  kBusSelectCycle = 11,
  kStore = 12,
  kCategoryCycle = 13,
  kCategory = 14,
  kErrorTypeCycle = 15,
  kErrorType = 16,
  kErrorWord = 17,
  kErrorSize = 18,
  kTxTime = 19,
  kSnap = 20,
  kPageSpin = 21,
  kPage = 22,
  kTxStatus = 23,
  kInitTxData = 24,
  kTxData = 25,
  kRxData = 26,
  kBusSelect = 27,
  kActionCycle = 28,
  kAction = 29,
  kModeToggle = 30,
  kMode = 31,
  kDttCount = 32,
  kRxTime = 33,
  kRxStatus = 34,
  kRtStateCycle = 35,
  kStateUpdate = 36,
};

constexpr int kFieldLimit = 10;
constexpr uint16_t kWordLimit = 1024;
constexpr int kPageWords = 32;
constexpr int kLastPageOffset = 480;
constexpr uint16_t kModeOn = 0x8000;
constexpr uint16_t kDttMask = 0x3FF;
constexpr uint32_t kBusWordMask = 0xFFFFFF;

struct Named {
  const char* name;
  uint16_t code;
};

constexpr std::array<Named, 7> kRtStates = {{{"WFI", 0x0001},
                                             {"WFGAH", 0x0002},
                                             {"WFHCD", 0x0004},
                                             {"WFS", 0x0008},
                                             {"WFSR", 0x0010},
                                             {"WFSRE", 0x0020},
                                             {"FORCED", 0x0040}}};
constexpr std::array<Named, 5> kActions = {{{"NO DATA - READY", 0x0000},
                                            {"NO DATA - NOT READY", 0x1000},
                                            {"CRITICAL", 0x0800},
                                            {"NON CRITICAL - READY", 0x0C00},
                                            {"NON CRITICAL - NOT READY", 0x1C00}}};
constexpr std::array<const char*, kRtErrorCategories> kCategories = {
    " GAH Errors", " IND Errors", " IWD Errors", " SRQ Errors", " FRC Errors"};

// The last state whose code equals `code`, 0 (WFI) if none does.
int stateIndex(uint16_t code) {
  int index = 0;
  for (int i = 0; i < static_cast<int>(kRtStates.size()); ++i) {
    if (kRtStates[static_cast<size_t>(i)].code == code) index = i;
  }
  return index;
}

// An exact match of the first four actions; anything else is the last one.
int actionIndex(uint16_t code) {
  for (int i = 0; i < 4; ++i) {
    if (kActions[static_cast<size_t>(i)].code == code) return i;
  }
  return 4;
}

const char* busSelectText(uint16_t select) {
  return select == 2 ? "PRI" : select == 1 ? "SEC" : "BOTH";
}

}  // namespace

RTPdialog::RTPdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog),
      state_(station.pageState<RtPageState>()),
      txWords_(station.pageState<ui::SharedDataWords>().words),
      snap_(dialog_, kSnap, state_.snap) {}

void RTPdialog::init() {
  LdbRtRecord& r = state_.record;
  snap_.start();
  state_.pageOffset = 0;
  r.cleared = 0;
  for (int c = 0; c < kRtErrorCategories; ++c) r.errorInjection[c] = &state_.errors[c];
  r.txBuffer = &state_.tx;
  r.rxBuffer = &state_.rx;
  state_.tx.data = txWords_.data();
  state_.rx.data = state_.rxWords.data();
  state_.tx.wordLimit = state_.rx.wordLimit = kWordLimit;
  r.stateUpdate = 0;
  dialog_.setChecked(kStateUpdate, false);
  get();
}

void RTPdialog::command(int id) {
  switch (id) {
    case kQuit:
      snap_.quit();
      break;
    case kUpdate:
      update();
      break;
    case kGet:
      get();
      break;
    case kStore:
      store();
      break;
    case kInitTxData:
      initTxData();
      break;
    case kCategoryCycle:
      stepCategory();
      break;
    case kModeToggle:
      toggleMode();
      break;
    case kBusSelectCycle:
      cycleBusSelect();
      break;
    case kActionCycle:
      cycleAction();
      break;
    case kRtStateCycle:
      cycleState();
      break;
    case kErrorTypeCycle:
      cycleErrorType();
      break;
    case kStateUpdate:
      toggleStateUpdate();
      break;
    case kSnap:
      snap_.toggle();
      break;
    default:
      break;
  }
}

// ---- Get

void RTPdialog::get() {
  uint16_t status = DUVEX_RdLdbRTDLL(card(), &state_.record);
  ui::ShowReport(dialog_, kReport, status);
  if (status != ui::kStatusDone) return;
  showRecord();
  showData();
  state_.category = kRtErrorCategories - 1;
  stepCategory();  // a read always ends showing the first category
}

void RTPdialog::showRecord() {
  const LdbRtRecord& r = state_.record;
  dialog_.setText(kMode, r.mode == kModeOn ? "ON" : "OFF");
  dialog_.setText(kBusSelect, busSelectText(r.busSelect));
  state_.actionIndex = actionIndex(r.action);
  dialog_.setText(kAction, kActions[static_cast<size_t>(state_.actionIndex)].name);
  dialog_.setText(kDttCount, ui::hex(r.dttCount, 3));
  dialog_.setText(kRtNumber, ui::decimal(r.rtNumber));
  state_.stateIndex = stateIndex(r.rtState);
  dialog_.setText(kRtState, kRtStates[static_cast<size_t>(state_.stateIndex)].name);
  dialog_.setText(kLastTime, ui::formatTimeTag(r.lastTimeTag));
  dialog_.setText(kLastCommand, ui::hex(r.lastCommand & kBusWordMask, 6));
  dialog_.setText(kLastResponse, ui::hex(r.lastResponse & kBusWordMask, 6));
  dialog_.setText(kTxTime, ui::formatTimeTag(state_.tx.timeTag));
  dialog_.setText(kTxStatus, ui::hex(state_.tx.status, 4));
  dialog_.setText(kRxTime, ui::formatTimeTag(state_.rx.timeTag));
  dialog_.setText(kRxStatus, ui::hex(state_.rx.status, 4));
}

void RTPdialog::showData() {
  bool page = state_.snap;
  Shown shown{page ? state_.pageOffset : 0, page ? kPageWords : ui::kDataWordsShown};
  auto offset = static_cast<size_t>(shown.offset);
  ui::ShowHexLines(dialog_, kTxData, true, txWords_.data() + offset, shown.count);
  ui::ShowHexLines(dialog_, kRxData, true, state_.rxWords.data() + offset, shown.count);
  shownTx_ = shownRx_ = shown;
  if (page) return;
  state_.pageOffset = 0;
  dialog_.setText(kPage, ui::pageText(0, kPageWords));
}

// A box holds the words of the last read: all of them, or one page. A page goes back to its
// own place, so that the other words keep what the card gave.
uint16_t RTPdialog::readBox(int id, ui::DataWords& words, const Shown& shown) {
  auto offset = static_cast<size_t>(shown.offset);
  return ui::ReadHexLines(dialog_, id, true, words.data() + offset, shown.count);
}

// ---- Error injection: the categories, and Store into the page's record.

void RTPdialog::stepCategory() {
  state_.category = (state_.category + 1) % kRtErrorCategories;
  const ErrorInjectionRecord& e = state_.errors[static_cast<size_t>(state_.category)];
  dialog_.setText(kCategory, kCategories[static_cast<size_t>(state_.category)]);
  state_.errorTypeIndex = ui::ldbErrorTypeIndex(e.errorType);
  const ui::ErrorTypeEntry& type = ui::kLdbErrorTypes[static_cast<size_t>(state_.errorTypeIndex)];
  dialog_.setText(kErrorType, type.name);
  dialog_.setText(kErrorSize, ui::NumToErrField(type.code, e.sizePosition));
  dialog_.setText(kErrorWord, ui::decimal(e.wordNumber));
}

// A refused entry leaves the stored error as it was.
void RTPdialog::store() {
  auto parse = [this](ErrorInjectionRecord& e) {
    error_ = 0;
    e.wordNumber = static_cast<uint16_t>(
        ui::DecToNum(ui::FieldText(dialog_, kErrorWord, kFieldLimit, &error_), &error_));
    e.errorType = ui::kLdbErrorTypes[static_cast<size_t>(state_.errorTypeIndex)].code;
    e.sizePosition = ui::ErrField(dialog_, kErrorSize, kFieldLimit, e.errorType, &error_);
    return error_;
  };
  uint16_t status = ui::storeAll(parse, state_.errors[static_cast<size_t>(state_.category)]);
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Update

void RTPdialog::update() {
  LdbRtRecord& r = state_.record;
  error_ = 0;
  state_.tx.wordLimit = state_.rx.wordLimit = kWordLimit;
  error_ |= readBox(kTxData, txWords_, shownTx_);
  error_ |= readBox(kRxData, state_.rxWords, shownRx_);
  std::string dtt = ui::FieldText(dialog_, kDttCount, kFieldLimit, &error_);
  r.dttCount = static_cast<uint16_t>(ui::HexToNum(dtt, &error_) & kDttMask);
  r.cleared = 0;
  uint16_t status = error_ ? ui::kStatusSyntax : DUVEX_WrLdbRTDLL(card(), &r);
  ui::ShowReport(dialog_, kReport, status);
}

void RTPdialog::initTxData() {
  uint16_t status = ui::kStatusSyntax;
  if (readBox(kTxData, txWords_, shownTx_) == 0) {
    ui::stampTxData(txWords_, state_.record.rtNumber);
    ui::ShowHexLines(dialog_, kTxData, true, txWords_.data(), ui::kDataWordsShown);
    shownTx_ = Shown{0, ui::kDataWordsShown};
    status = ui::kStatusDone;
  }
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Toggles and cycles: the record only; the card sees them on Update.

void RTPdialog::toggleMode() {
  uint16_t& mode = state_.record.mode;
  mode = mode == kModeOn ? 0 : kModeOn;
  dialog_.setText(kMode, mode == kModeOn ? "ON" : "OFF");
}

void RTPdialog::cycleBusSelect() {
  uint16_t& select = state_.record.busSelect;
  select = select == 2 ? 1 : select == 1 ? 3 : 2;
  dialog_.setText(kBusSelect, busSelectText(select));
}

void RTPdialog::cycleAction() {
  state_.actionIndex = (state_.actionIndex + 1) % static_cast<int>(kActions.size());
  const Named& action = kActions[static_cast<size_t>(state_.actionIndex)];
  state_.record.action = action.code;
  dialog_.setText(kAction, action.name);
}

void RTPdialog::cycleState() {
  state_.stateIndex = (state_.stateIndex + 1) % static_cast<int>(kRtStates.size());
  const Named& rtState = kRtStates[static_cast<size_t>(state_.stateIndex)];
  state_.record.rtState = rtState.code;
  dialog_.setText(kRtState, rtState.name);
}

void RTPdialog::cycleErrorType() { ui::stepErrorType(dialog_, kErrorType, state_.errorTypeIndex); }

void RTPdialog::toggleStateUpdate() {
  bool ticked = dialog_.isChecked(kStateUpdate);
  dialog_.setChecked(kStateUpdate, !ticked);
  state_.record.stateUpdate = ticked ? 0 : 1;
}

// ---- Spins

void RTPdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  if (ui::ScrollBarID(dialog_, param) != kRtSpin) {
    stepPage(action);
    return;
  }
  uint16_t& rt = state_.record.rtNumber;
  ui::spinWrapped(rt, action, 32);
  dialog_.setText(kRtNumber, ui::decimal(rt));
}

void RTPdialog::stepPage(winsys::ScrollAction action) {
  if (ui::stepPageOffset(state_.pageOffset, action, kPageWords, kLastPageOffset)) {
    dialog_.setText(kPage, ui::pageText(state_.pageOffset, kPageWords));
  }
}

void RTPdialog::timer(int id) {
  if (snap_.due(id)) get();
}

}  // namespace ldb
