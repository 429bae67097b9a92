#include "pages/mdm/prom_setup.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "ui/fields.h"
#include "ui/record_page.h"

namespace mdm {
namespace {

enum Control {
  kRtSpin = 1,
  kRtNumber = 2,
  kUpdate = 3,
  kQuit = 4,
  kReport = 5,
  kLeftGet = 6,
  kLeftReplace = 7,
  kBits15to8 = 8,
  kBits1to3 = 9,
  kIomTypeStep = 10,
  kIomType = 11,
  kLeftParityToggle = 12,
  kLeftParity = 13,
  kRightGet = 14,
  kRightReplace = 15,
  kModeStep = 16,
  kMode = 17,
  kIomAddressStep = 18,
  kIomAddress = 19,
  kStartStep = 20,
  kStart = 21,
  kChannelsStep = 22,
  kChannels = 23,
  kRightParityToggle = 24,
  kRightParity = 25,
  kListScroll = 26,
  kLeftList = 27,
  kRightList = 28,
  kRefresh = 29,  // the page's own command; no control has it
  kScrollStepButton = 30,
  kScrollStep = 31,
};

constexpr int kFieldLimit = 10;
constexpr int kFirstCommand = kMdmPromIomEntries;
constexpr int kLines = 16;
constexpr int kLastTop = kFirstCommand + kMdmPromCommandEntries - kLines;  // 496

constexpr std::array<const char*, 8> kIomTypeNames = {" NO_IOM  ", " DI_IOM  ", " AI16_IOM",
                                                      " AI32_IOM", " DO_IOM  ", " SIO_IOM ",
                                                      " TAC_IOM ", " AO_IOM  "};
constexpr std::array<const char*, 4> kPromModeNames = {" Output to IOM", " Input to IOM ",
                                                       " Return BSR   ", " Execute BITE4"};

// A name from a table; an index the page never writes (from the card) shows as its number.
template <size_t N>
std::string nameOf(const std::array<const char*, N>& names, uint16_t index) {
  if (index < N) return names[index];
  std::string text = " ?";
  return text += ui::decimal(index);
}

const char* parityText(uint16_t parity) { return parity ? "ODD" : "EVEN"; }

std::string twoDigits(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%.02d", value);
  return text;
}

// Each editor button steps its working value, wrapping at the end, and shows it.
struct Stepper {
  int button;
  int field;
  uint16_t PromSetupState::*value;
  uint16_t modulo;
};
constexpr std::array<Stepper, 4> kRightSteppers = {{
    {kIomAddressStep, kIomAddress, &PromSetupState::iomAddress, 16},
    {kStartStep, kStart, &PromSetupState::startAddress, 32},
    {kChannelsStep, kChannels, &PromSetupState::channels, 16},
    {kModeStep, kMode, &PromSetupState::mode, 4},
}};

}  // namespace

// ---- Binary text

std::string NumToBin(uint16_t value, int digits) {
  digits = std::clamp(digits, 1, 16);
  std::string text;
  for (int bit = digits - 1; bit >= 0; --bit) text += (value >> bit & 1) ? '1' : '0';
  return text;
}

uint16_t BinToNum(const std::string& text, uint16_t* errorFlag) {
  uint16_t value = 0;
  for (char c : text) {
    if (c != '0' && c != '1') {
      *errorFlag |= 1;
      break;
    }
    value = static_cast<uint16_t>(value << 1 | (c - '0'));
  }
  return value;
}

// ---- Lines

std::string iomDefinitionLine(int number, const MdmPromIomEntry& e) {
  std::string line = twoDigits(static_cast<uint16_t>(number)) + "\t";
  line += nameOf(kIomTypeNames, e.iomType) + "\t";
  line += e.parity ? "Py:ODD\t" : "Py:EVEN\t";
  line += " {";
  line += NumToBin(e.bits15to8, 8);
  line += "} {";
  line += NumToBin(e.bits1to3, 3);
  line += '}';
  return line;
}

std::string commandEntryLine(int number, const MdmPromCommandEntry& e) {
  char text[64];
  std::snprintf(text, sizeof text, "%.03d  ", number);
  std::string line = text;
  line += nameOf(kPromModeNames, e.mode) + "\t";
  std::snprintf(text, sizeof text, "Addr:%.02d Start:%.02d Ch:%.02d", e.iomAddress, e.startAddress,
                e.channelCount);
  line += text;
  line += e.parity ? " Py:ODD" : " Py:EVEN";
  return line;
}

// ---- The page

MDPdialog::MDPdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<PromSetupState>()) {}

void MDPdialog::init() {
  state_.scrollStep = 1;
  state_.rt = 0;
  state_.top = kFirstCommand;
  state_.leftChanged = state_.rightChanged = false;
  state_.firstRefresh = true;
  dialog_.listSetTabStops(kLeftList, {13, 50, 80});
  dialog_.listSetTabStops(kRightList, {35});
  dialog_.setText(kRtNumber, "0");
  dialog_.setText(kScrollStep, " x1");
  refresh();
}

void MDPdialog::command(int id) {
  auto right = std::find_if(kRightSteppers.begin(), kRightSteppers.end(),
                            [id](const Stepper& s) { return s.button == id; });
  if (right != kRightSteppers.end()) {
    uint16_t& value = state_.*right->value;
    value = static_cast<uint16_t>((value + 1) % right->modulo);
    showRightEditor();
    return;
  }
  switch (id) {
    case kRefresh:
      refresh();
      break;
    case kLeftGet:
      getLeft();
      break;
    case kLeftReplace:
      replaceLeft();
      break;
    case kRightGet:
      getRight();
      break;
    case kRightReplace:
      replaceRight();
      break;
    case kUpdate:
      update();
      break;
    case kIomTypeStep:
      state_.iomType = static_cast<uint16_t>((state_.iomType + 1) % kIomTypeNames.size());
      showLeftEditor();
      break;
    case kLeftParityToggle:
      state_.leftParity = state_.leftParity ? 0 : 1;
      showLeftEditor();
      break;
    case kRightParityToggle:
      state_.rightParity = state_.rightParity ? 0 : 1;
      showRightEditor();
      break;
    case kScrollStepButton:
      stepScrollStep();
      break;
    case kQuit:
      dialog_.end(0);
      break;
    default:
      break;
  }
}

// A refresh after a Replace or a scroll redraws only the list that changed, from the working
// copy; with neither changed it re-reads the card and discards unsent changes. The lines the
// operator chose stay chosen through the redraw; `rightEntry` is the command entry chosen
// before the right list moved (-1 for none).
void MDPdialog::refresh() { refresh(chosenEntry()); }

void MDPdialog::refresh(int rightEntry) {
  uint16_t status = ui::kStatusDone;
  if (!state_.leftChanged && !state_.rightChanged)
    status = DUVEX_RdMdmPromDLL(card(), state_.rt, &state_.image);
  if (status == ui::kStatusDone && !state_.rightChanged) drawLeft();
  if (status == ui::kStatusDone && !state_.leftChanged) drawRight(rightEntry);
  state_.leftChanged = state_.rightChanged = false;
  if (state_.firstRefresh) {
    state_.firstRefresh = false;
    dialog_.listSelect(kLeftList, 0);
    dialog_.listSelect(kRightList, 0);
    getLeft();
    getRight();
  }
  state_.status = status;
  ui::ShowReport(dialog_, kReport, status);
}

// Emptying a list box drops its selection; each redraw chooses the operator's line again.
void MDPdialog::drawLeft() {
  const int chosen = dialog_.listSelection(kLeftList);
  dialog_.listReset(kLeftList);
  for (int i = 0; i < kMdmPromIomEntries; ++i)
    dialog_.listAdd(kLeftList, iomDefinitionLine(i, state_.image.iom[i]));
  dialog_.listSelect(kLeftList, chosen);
}

// The chosen entry keeps its line as the list moves; once it has moved out of the list no line
// is chosen, so that Replace never edits an entry the operator cannot see.
void MDPdialog::drawRight(int chosenEntry) {
  dialog_.listReset(kRightList);
  for (int n = state_.top; n < state_.top + kLines; ++n)
    dialog_.listAdd(kRightList, commandEntryLine(n, state_.image.command[n - kFirstCommand]));
  const int line = chosenEntry - state_.top;
  dialog_.listSelect(kRightList, chosenEntry >= 0 && line >= 0 && line < kLines ? line : -1);
}

int MDPdialog::chosenEntry() const {
  const int line = dialog_.listSelection(kRightList);
  return line >= 0 && line < kLines ? state_.top + line : -1;
}

// Get or Replace with no line chosen: the Report asks for one instead of claiming "Done".
void MDPdialog::askForLine() {
  dialog_.setText(kReport, "Select a line");
  dialog_.setToolTip(kReport, "");  // no status number to explain
  dialog_.windows().beep();
}

void MDPdialog::showLeftEditor() {
  dialog_.setText(kIomType, nameOf(kIomTypeNames, state_.iomType));
  dialog_.setText(kLeftParity, parityText(state_.leftParity));
}

void MDPdialog::showRightEditor() {
  dialog_.setText(kMode, nameOf(kPromModeNames, state_.mode));
  dialog_.setText(kIomAddress, twoDigits(state_.iomAddress));
  dialog_.setText(kStart, twoDigits(state_.startAddress));
  dialog_.setText(kChannels, twoDigits(state_.channels));
  dialog_.setText(kRightParity, parityText(state_.rightParity));
}

// ---- Left: the IOM definitions

void MDPdialog::getLeft() {
  int line = dialog_.listSelection(kLeftList);
  if (line < 0 || line >= kMdmPromIomEntries) return askForLine();
  const MdmPromIomEntry& e = state_.image.iom[line];
  dialog_.setText(kBits15to8, NumToBin(e.bits15to8, 8));
  dialog_.setText(kBits1to3, NumToBin(e.bits1to3, 3));
  state_.iomType = e.iomType;
  state_.leftParity = e.parity ? 1 : 0;
  showLeftEditor();
}

void MDPdialog::replaceLeft() {
  int line = dialog_.listSelection(kLeftList);
  if (line < 0 || line >= kMdmPromIomEntries) return askForLine();
  uint16_t error = 0;
  uint16_t high = BinToNum(ui::FieldText(dialog_, kBits15to8, kFieldLimit, &error), &error);
  uint16_t low = BinToNum(ui::FieldText(dialog_, kBits1to3, kFieldLimit, &error), &error);
  if (high > 255 || low > 7) error |= 1;
  uint16_t status = error ? ui::kStatusSyntax : ui::kStatusDone;
  if (status == ui::kStatusDone) {
    state_.image.iom[line] = MdmPromIomEntry{high, state_.iomType, low, state_.leftParity};
    state_.leftChanged = true;
    refresh();
  }
  state_.status = status;
  ui::ShowReport(dialog_, kReport, status);
}

// ---- Right: the command entries

void MDPdialog::getRight() {
  int line = dialog_.listSelection(kRightList);
  if (line < 0 || line >= kLines) return askForLine();
  const MdmPromCommandEntry& e = state_.image.command[state_.top + line - kFirstCommand];
  state_.mode = e.mode;
  state_.startAddress = e.startAddress;
  state_.iomAddress = e.iomAddress;
  state_.channels = e.channelCount;
  state_.rightParity = e.parity ? 1 : 0;
  showRightEditor();
}

void MDPdialog::replaceRight() {
  int line = dialog_.listSelection(kRightList);
  if (line < 0 || line >= kLines) return askForLine();
  state_.image.command[state_.top + line - kFirstCommand] = MdmPromCommandEntry{
      state_.mode, state_.startAddress, state_.iomAddress, state_.channels, state_.rightParity};
  state_.rightChanged = true;
  refresh();
  state_.status = ui::kStatusDone;
  ui::ShowReport(dialog_, kReport, ui::kStatusDone);
}

void MDPdialog::update() {
  state_.status = DUVEX_WrMdmPromDLL(card(), state_.rt, &state_.image);
  ui::ShowReport(dialog_, kReport, state_.status);
}

// ---- Scroll bars: the RT number re-reads the card; the right list's scroll redraws it.

void MDPdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  if (ui::ScrollBarID(dialog_, param) == kRtSpin) {
    if (ui::spinNumber(dialog_, kRtNumber, state_.rt, action, 32)) refresh();
    return;
  }
  const int chosen = chosenEntry();
  stepTop(action);
  state_.rightChanged = true;
  refresh(chosen);
}

void MDPdialog::stepScrollStep() {
  state_.scrollStep = state_.scrollStep == 1 ? 10 : state_.scrollStep == 10 ? 100 : 1;
  std::string text = " x";
  dialog_.setText(kScrollStep, text += ui::decimal(static_cast<uint32_t>(state_.scrollStep)));
}

// The top entry stays within 16 to 496. Each arrow step moves only from below (above) its own
// limit.
void MDPdialog::stepTop(winsys::ScrollAction action) {
  struct Arrow {
    int step, upBelow, downAbove;
  };
  constexpr std::array<Arrow, 3> kArrows = {{{100, 396, 115}, {10, 486, 25}, {1, 496, 16}}};
  const Arrow* arrow = &kArrows[2];
  for (const Arrow& a : kArrows)
    if (a.step == state_.scrollStep) arrow = &a;
  int& top = state_.top;
  switch (action) {
    case winsys::ScrollAction::LineUp:
      if (top < arrow->upBelow) top += arrow->step;
      break;
    case winsys::ScrollAction::LineDown:
      if (top > arrow->downAbove) top -= arrow->step;
      break;
    case winsys::ScrollAction::PageUp:
      top = top <= kLastTop - kLines ? top + kLines : kLastTop;
      break;
    case winsys::ScrollAction::PageDown:
      top = top >= kFirstCommand + kLines ? top - kLines : kFirstCommand;
      break;
    case winsys::ScrollAction::Top:
      top = kFirstCommand;
      break;
    case winsys::ScrollAction::Bottom:
      top = kLastTop;
      break;
    default:
      break;
  }
}

}  // namespace mdm
