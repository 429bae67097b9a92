#include "debug/memory_display.h"

#include <array>
#include <cstdio>
#include <vector>

#include "ui/fields.h"

namespace debug {
namespace {

enum Control {
  kGoto = 1,
  kEdit = 2,
  kQuit = 3,
  kLines = 4,
  kAddress = 5,
  kReport = 6,
  kWord = 7,
  kScrollBar = 8,
};

constexpr int kAddressLimit = 9;  // at most 8 characters are read
constexpr int kWordLimit = 5;     // at most 4
constexpr uint32_t kAddressMask = 0x1FFFFE;
constexpr int kLineCount = 8;
constexpr int kWordsPerLine = 8;
const std::vector<int> kTabStops = {35, 60, 85, 110, 135, 160, 185, 210};

// What each scroll action does to the page address: the step, and the condition under which it
// is taken. Thumb actions move nothing.
struct ScrollStep {
  winsys::ScrollAction action;
  bool (*allowed)(uint32_t address);
  uint32_t (*move)(uint32_t address);
};
const std::array<ScrollStep, 6> kScrollSteps = {{
    {winsys::ScrollAction::LineUp, [](uint32_t a) { return a >= 0x2; },
     [](uint32_t a) { return a - 0x2; }},
    {winsys::ScrollAction::LineDown, [](uint32_t a) { return a <= 0x1FFF7E; },
     [](uint32_t a) { return a + 0x2; }},
    {winsys::ScrollAction::PageUp, [](uint32_t a) { return a >= 0x80; },
     [](uint32_t a) { return a - 0x80; }},
    {winsys::ScrollAction::PageDown, [](uint32_t a) { return a <= 0x1FFEFE; },
     [](uint32_t a) { return a + 0x80; }},
    {winsys::ScrollAction::Top, [](uint32_t) { return true; }, [](uint32_t) { return 0u; }},
    {winsys::ScrollAction::Bottom, [](uint32_t) { return true; },
     [](uint32_t) { return kLastPageAddress; }},
}};

// "AAAAAA:\tWWWW\tWWWW..." for the eight words from `address`.
std::string memoryLine(CardContext* card, uint32_t address) {
  char text[8 + kWordsPerLine * 5 + 1];
  int length = std::snprintf(text, sizeof text, "%06X:", address);
  for (int i = 0; i < kWordsPerLine; ++i) {
    uint16_t word = rWDLL(card, address + 2 * static_cast<uint32_t>(i));
    length +=
        std::snprintf(text + length, sizeof text - static_cast<size_t>(length), "\t%04X", word);
  }
  return text;
}

}  // namespace

void BUGdisp::init() {
  address_ = 0;
  dialog_.listSetTabStops(kLines, kTabStops);
  showPage();
}

void BUGdisp::showPage() {
  dialog_.listReset(kLines);
  for (int line = 0; line < kLineCount; ++line)
    dialog_.listAdd(kLines, memoryLine(card(), address_ + 16 * static_cast<uint32_t>(line)));
  dialog_.setText(kWord, ui::hex(rWDLL(card(), address_), 4));
  dialog_.setText(kAddress, ui::hex(address_, 6));
}

void BUGdisp::command(int id) {
  if (id == kGoto) {
    gotoAddress();
  } else if (id == kEdit) {
    editWord();
  } else if (id == kQuit) {
    dialog_.end(0);
  }
}

void BUGdisp::scroll(uint32_t param, winsys::ScrollAction action) {
  if (ui::ScrollBarID(dialog_, param) != kScrollBar) return;
  for (const ScrollStep& step : kScrollSteps) {
    if (step.action != action) continue;
    if (!step.allowed(address_)) return;
    address_ = step.move(address_);
    showPage();
    return;
  }
}

// Bits above bit 20 and bit 0 are dropped before the range test.
void BUGdisp::gotoAddress() {
  uint16_t error = 0;
  std::string text = ui::FieldText(dialog_, kAddress, kAddressLimit, &error);
  uint32_t address = ui::HexToNum(text, &error) & kAddressMask;
  uint16_t status = ui::kStatusSyntax;
  if (!error && address <= kLastPageAddress) {
    address_ = address;
    status = ui::kStatusDone;
  }
  showPage();
  ui::ShowReport(dialog_, kReport, status);
}

void BUGdisp::editWord() {
  uint16_t error = 0;
  std::string text = ui::FieldText(dialog_, kWord, kWordLimit, &error);
  uint32_t value = ui::HexToNum(text, &error);
  uint16_t status = ui::kStatusSyntax;
  if (!error) {
    wWDLL(card(), address_, static_cast<uint16_t>(value));
    status = ui::kStatusDone;
  }
  showPage();
  ui::ShowReport(dialog_, kReport, status);
}

}  // namespace debug
