#include "pages/mdm/bite_config.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>

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
  kRcwWord = 9,
  kRcwOverride = 10,
  kPositive = 21,
  kNegative = 22,
  kBite2Rx = 23,
  kRead = 24,  // the page's own command; no control has it
};

constexpr int kFieldLimit = 10;
constexpr uint16_t kConstantBits = 0x3FF;
constexpr long kConstantLimit = 511;
constexpr uint16_t kRcwBit0 = 0xFFFE;

// The hexadecimal fields and the record words they edit.
struct HexField {
  int id;
  uint16_t MdmBiteRecord::*word;
};
constexpr std::array<HexField, 3> kBsrFields = {
    {{6, &MdmBiteRecord::bite1Bsr}, {7, &MdmBiteRecord::bite2Bsr}, {8, &MdmBiteRecord::bite3Bsr}}};
// BITE4: DI 0, DI 1, DI 2, SIO, TAC, the first word in the lower id.
struct PairField {
  int id;
  uint16_t (MdmBiteRecord::*pair)[2];
};
constexpr std::array<PairField, 5> kBite4Fields = {{{11, &MdmBiteRecord::bite4Di0},
                                                    {13, &MdmBiteRecord::bite4Di1},
                                                    {15, &MdmBiteRecord::bite4Di2},
                                                    {17, &MdmBiteRecord::bite4Sio},
                                                    {19, &MdmBiteRecord::bite4Tac}}};

std::string signedText(int16_t value) {
  std::string text = " ";
  return text += std::to_string(value);
}

}  // namespace

int16_t constantValue(uint16_t word) {
  word &= kConstantBits;
  return static_cast<int16_t>(word & 0x200 ? word | 0xFC00 : word);
}

// Taken as the number it is, not as its low 16 bits: 65537 is out of range, not 1.
bool parseConstant(const std::string& text, uint16_t& word) {
  errno = 0;
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (errno == ERANGE || value < -kConstantLimit || value > kConstantLimit) return false;
  word = static_cast<uint16_t>(value) & kConstantBits;
  return true;
}

MDBdialog::MDBdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<BiteConfigState>()) {}

void MDBdialog::init() {
  state_.rt = 0;
  dialog_.setText(kRtNumber, "0");
  read();
}

void MDBdialog::command(int id) {
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
    default:
      break;
  }
}

void MDBdialog::read() {
  state_.status = DUVEX_RdMdmBiteConfDLL(card(), state_.rt, &state_.record);
  if (state_.status == ui::kStatusDone) {
    MdmBiteRecord& r = state_.record;
    for (const HexField& f : kBsrFields) dialog_.setText(f.id, ui::hex(r.*f.word, 4));
    for (const PairField& f : kBite4Fields) {
      dialog_.setText(f.id, ui::hex((r.*f.pair)[0], 4));
      dialog_.setText(f.id + 1, ui::hex((r.*f.pair)[1], 4));
    }
    dialog_.setText(kRcwWord, ui::hex(r.rcwWord & kRcwBit0, 4));
    dialog_.setText(kPositive, signedText(constantValue(r.positiveConstant)));
    dialog_.setText(kNegative, signedText(constantValue(r.negativeConstant)));
    dialog_.listReset(kBite2Rx);
    for (uint16_t word : r.bite2RxData) dialog_.listAdd(kBite2Rx, ui::hex(word, 4));
    dialog_.setChecked(kRcwOverride, r.rcwOverride != 0);
  }
  ui::ShowReport(dialog_, kReport, state_.status);
}

void MDBdialog::update() {
  MdmBiteRecord& r = state_.record;
  uint16_t error = 0;
  auto hexWord = [&](int id) {
    std::string text = ui::FieldText(dialog_, id, kFieldLimit, &error);
    return static_cast<uint16_t>(ui::HexToNum(text, &error));
  };
  for (const HexField& f : kBsrFields) r.*f.word = hexWord(f.id);
  for (const PairField& f : kBite4Fields) {
    (r.*f.pair)[0] = hexWord(f.id);
    (r.*f.pair)[1] = hexWord(f.id + 1);
  }
  r.rcwWord = hexWord(kRcwWord) & kRcwBit0;
  for (auto [id, word] : {std::pair{kPositive, &MdmBiteRecord::positiveConstant},
                          std::pair{kNegative, &MdmBiteRecord::negativeConstant}}) {
    uint16_t value = r.*word;
    if (parseConstant(ui::FieldText(dialog_, id, kFieldLimit, &error), value))
      r.*word = value;
    else
      error |= 1;
  }
  r.rcwOverride = dialog_.isChecked(kRcwOverride) ? 1 : 0;
  state_.status = error ? ui::kStatusSyntax : DUVEX_WrMdmBiteConfDLL(card(), state_.rt, &r);
  ui::ShowReport(dialog_, kReport, state_.status);
}

// The only scroll bar: its identity is not checked.
void MDBdialog::scroll(uint32_t, winsys::ScrollAction action) {
  if (ui::spinNumber(dialog_, kRtNumber, state_.rt, action, 32)) read();
}

}  // namespace mdm
