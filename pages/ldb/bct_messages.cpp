#include "pages/ldb/bct_messages.h"

#include <array>

#include "ui/fields.h"
#include "ui/ldb_fields.h"
#include "ui/snap.h"

namespace ldb {
namespace {

enum Control {
  kQuit = 1,
  kUpdate = 2,
  kGet = 3,
  kReport = 4,
  kMessageSpin = 5,
  kMessageNumber = 6,
  kBusToggle = 7,
  kBus = 8,
  kRtSpin = 9,
  kRt = 10,
  kGapTime = 11,
  kCommandSpin = 12,
  kCommandCode = 13,
  kWordCount = 14,
  kSnap = 15,
  kStatus = 16,
  kTimeTag = 17,
  kData = 18,
  kErrorTypeCycle = 19,
  kErrorType = 20,
  kErrorWord = 21,
  kErrorSize = 22,
  kSevToggle = 23,
  kSev = 24,
  kDirectionToggle = 25,
  kDirection = 26,
  kCommandBits = 27,
  kPageSpin = 28,
  kPage = 29,
  kInitTxData = 30,
};

constexpr int kFieldLimit = 10;
constexpr uint16_t kWordLimitRead = 1024;
constexpr uint16_t kWordsWritten = 512;
constexpr int kPageWords = 64;
constexpr int kLastPageOffset = 448;
constexpr uint16_t kLastMessage = 99;
constexpr uint16_t kBusPrimary = 0x8000;
constexpr uint16_t kBusSecondary = 0x4000;
constexpr uint32_t kCommandBitsMask = 0x7FFF;

constexpr std::array<const char*, 16> kCommandCodeNames = {
    "0000", "0001", " SRQ", " IND", "0100", " GAH", "0110", "0111",
    "1000", " HCD", " STA", "1011", "1100", " IWD", "1110", "1111",
};

const char* busText(uint16_t bus) { return bus == kBusSecondary ? "SEC" : "PRI"; }
const char* sevText(uint16_t sev) { return sev == 0 ? "ON " : "OFF"; }
const char* directionText(uint16_t direction) { return direction == 1 ? "TX" : "RX"; }

}  // namespace

BCTmessages::BCTmessages(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog),
      state_(station.pageState<BctMessagesState>()),
      words_(station.pageState<ui::SharedDataWords>().words),
      snap_(dialog_, kSnap, state_.snap) {}

void BCTmessages::init() {
  snap_.start();
  state_.pageOffset = 0;
  state_.messageNumber = 1;
  state_.record.messageNumber = 1;
  state_.record.errorInjection = &state_.error;
  state_.record.buffer = &state_.buffer;
  state_.buffer.wordLimit = kWordLimitRead;
  state_.buffer.data = words_.data();
  dialog_.setText(kMessageNumber, "1");
  command(kGet);
}

void BCTmessages::command(int id) {
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
    case kInitTxData:
      initTxData();
      break;
    case kBusToggle:
      toggleBus();
      break;
    case kSevToggle:
      toggleSev();
      break;
    case kDirectionToggle:
      toggleDirection();
      break;
    case kErrorTypeCycle:
      cycleErrorType();
      break;
    case kSnap:
      snap_.toggle();
      break;
    default:
      break;
  }
}

uint32_t BCTmessages::readDecimal(int id) {
  return ui::DecToNum(ui::FieldText(dialog_, id, kFieldLimit, &error_), &error_);
}

// ---- Get

void BCTmessages::get() {
  error_ = 0;
  uint32_t number = readDecimal(kMessageNumber);
  uint16_t status = ui::kStatusSyntax;
  if (!error_ && number != 0) {
    state_.record.messageNumber = static_cast<uint16_t>(number);
    state_.buffer.wordLimit = kWordLimitRead;
    status = DUVEX_RdMsgDLL(card(), &state_.record);
  }
  ui::ShowReport(dialog_, kReport, status);
  if (status != ui::kStatusDone) return;
  showRecord();
  showData();
}

void BCTmessages::showRecord() {
  const BcMessageRecord& r = state_.record;
  state_.messageNumber = r.messageNumber;
  state_.commandCode = static_cast<uint16_t>(r.commandWord >> 15 & 15);
  state_.rt = static_cast<uint16_t>(r.commandWord >> 19 & 31);
  dialog_.setText(kMessageNumber, ui::decimal(r.messageNumber));
  dialog_.setText(kRt, ui::decimal(state_.rt));
  dialog_.setText(kGapTime, ui::decimal(r.gapTime));
  dialog_.setText(kCommandCode, kCommandCodeNames[state_.commandCode]);
  dialog_.setText(kWordCount, ui::decimal(r.wordCount));
  dialog_.setText(kErrorWord, ui::decimal(state_.error.wordNumber));
  dialog_.setText(kCommandBits, ui::hex(r.commandWord & kCommandBitsMask, 4));

  state_.sev = r.sev == 0 ? 0 : 1;
  dialog_.setText(kSev, sevText(state_.sev));
  state_.direction = r.direction == 1 ? 1 : 0;
  dialog_.setText(kDirection, directionText(state_.direction));
  state_.bus = r.bus == kBusSecondary ? kBusSecondary : kBusPrimary;
  dialog_.setText(kBus, busText(state_.bus));

  state_.errorTypeIndex = ui::ldbErrorTypeIndex(state_.error.errorType);
  const ui::ErrorTypeEntry& type = ui::kLdbErrorTypes[static_cast<size_t>(state_.errorTypeIndex)];
  dialog_.setText(kErrorType, type.name);
  dialog_.setText(kErrorSize, ui::NumToErrField(type.code, state_.error.sizePosition));

  dialog_.setText(kTimeTag, ui::formatTimeTag(state_.buffer.timeTag));
  dialog_.setText(kStatus, ui::hex(state_.buffer.status, 4));
}

void BCTmessages::showData() {
  if (state_.snap) {
    ui::ShowHexLines(dialog_, kData, true, words_.data() + state_.pageOffset, kPageWords);
    shownOffset_ = state_.pageOffset;
    shownCount_ = kPageWords;
    return;
  }
  ui::ShowHexLines(dialog_, kData, true, words_.data(), ui::kDataWordsShown);
  shownOffset_ = 0;
  shownCount_ = ui::kDataWordsShown;
  state_.pageOffset = 0;
  dialog_.setText(kPage, ui::pageText(0, kPageWords));
}

// The box holds the words of the last read: all of them, or one page. A page goes back to its
// own place, so that the other words keep what the card gave.
uint16_t BCTmessages::readBox() {
  return ui::ReadHexLines(dialog_, kData, true, words_.data() + shownOffset_, shownCount_);
}

// ---- Update

void BCTmessages::update() {
  BcMessageRecord& r = state_.record;
  error_ = 0;
  state_.messageNumber = static_cast<uint16_t>(readDecimal(kMessageNumber));
  r.messageNumber = state_.messageNumber;
  r.gapTime = readDecimal(kGapTime) & 0xFFFF;
  r.wordCount = static_cast<uint16_t>(readDecimal(kWordCount));
  state_.error.wordNumber = static_cast<uint16_t>(readDecimal(kErrorWord));
  uint16_t code = ui::kLdbErrorTypes[static_cast<size_t>(state_.errorTypeIndex)].code;
  state_.error.errorType = code;
  state_.error.sizePosition = ui::ErrField(dialog_, kErrorSize, kFieldLimit, code, &error_);
  std::string bits = ui::FieldText(dialog_, kCommandBits, kFieldLimit, &error_);
  uint32_t commandBits = ui::HexToNum(bits, &error_) & kCommandBitsMask;
  r.commandWord = commandBits | static_cast<uint32_t>(state_.rt) << 19 |
                  static_cast<uint32_t>(state_.commandCode) << 15;
  r.sev = state_.sev;
  r.direction = state_.direction;
  r.bus = state_.bus;
  error_ |= readBox();
  state_.buffer.suppliedWords = kWordsWritten;
  state_.buffer.wordLimit = kWordsWritten;
  uint16_t status = error_ ? ui::kStatusSyntax : DUVEX_WrMsgDLL(card(), &r);
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Init TX Data: stamps the words in the box; Update sends them.

void BCTmessages::initTxData() {
  uint16_t status = ui::kStatusSyntax;
  if (readBox() == 0) {
    ui::stampTxData(words_, state_.rt);
    ui::ShowHexLines(dialog_, kData, true, words_.data(), ui::kDataWordsShown);
    shownOffset_ = 0;
    shownCount_ = ui::kDataWordsShown;
    status = ui::kStatusDone;
  }
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Toggles and cycles: the page's record only; the card sees them on Update.

void BCTmessages::toggleBus() {
  state_.bus = state_.bus == kBusSecondary ? kBusPrimary : kBusSecondary;
  dialog_.setText(kBus, busText(state_.bus));
}

void BCTmessages::toggleSev() {
  state_.sev = state_.sev == 0 ? 1 : 0;
  dialog_.setText(kSev, sevText(state_.sev));
}

void BCTmessages::toggleDirection() {
  state_.direction = state_.direction == 1 ? 0 : 1;
  dialog_.setText(kDirection, directionText(state_.direction));
}

void BCTmessages::cycleErrorType() {
  ui::stepErrorType(dialog_, kErrorType, state_.errorTypeIndex);
}

// ---- Spins

void BCTmessages::scroll(uint32_t param, winsys::ScrollAction action) {
  bool up = action == winsys::ScrollAction::LineUp;
  bool down = action == winsys::ScrollAction::LineDown;
  switch (ui::ScrollBarID(dialog_, param)) {
    case kCommandSpin:
      if (!up && !down) return;
      state_.commandCode = static_cast<uint16_t>((state_.commandCode + (up ? 1 : 15)) % 16);
      dialog_.setText(kCommandCode, kCommandCodeNames[state_.commandCode]);
      break;
    case kRtSpin:
      ui::spinWrapped(state_.rt, action, 32);
      dialog_.setText(kRt, ui::decimal(state_.rt));
      break;
    case kMessageSpin:
      stepMessageNumber(action);
      break;
    default:
      stepPage(action);
      break;
  }
}

// Steps from whatever the field holds, so a typed number is the starting point. Stepping down
// from 0 wraps to 99 like stepping down from 1.
void BCTmessages::stepMessageNumber(winsys::ScrollAction action) {
  bool up = action == winsys::ScrollAction::LineUp;
  if (!up && action != winsys::ScrollAction::LineDown) return;
  error_ = 0;
  uint32_t n = readDecimal(kMessageNumber);
  if (up) {
    n = error_ || n == kLastMessage ? 1 : n + 1;
  } else {
    n = error_ ? 1 : n <= 1 ? kLastMessage : n - 1;
  }
  dialog_.setText(kMessageNumber, ui::decimal(static_cast<uint16_t>(n)));
  get();
}

void BCTmessages::stepPage(winsys::ScrollAction action) {
  if (ui::stepPageOffset(state_.pageOffset, action, kPageWords, kLastPageOffset)) {
    dialog_.setText(kPage, ui::pageText(state_.pageOffset, kPageWords));
  }
}

void BCTmessages::timer(int id) {
  if (snap_.due(id)) get();
}

}  // namespace ldb
