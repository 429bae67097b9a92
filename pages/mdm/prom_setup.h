// The MDM_MRT PROM setup page: one MDM unit's PROM image, the sixteen IOM definitions on the
// left and sixteen command entries at a time on the right, edited in the page's working copy
// and written whole with Update.
#pragma once

#include <cstdint>
#include <string>

#include "card/records.h"
#include "ui/page.h"

namespace mdm {

struct PromSetupState {
  uint16_t status = 0;
  uint16_t rt = 0;
  int top = 16;  // entry number of the right list's first line, 16 to 496
  int scrollStep = 1;
  bool leftChanged = false;
  bool rightChanged = false;
  bool firstRefresh = true;
  // The editors' working values.
  uint16_t iomType = 0;
  uint16_t leftParity = 0;
  uint16_t mode = 0;
  uint16_t iomAddress = 0;
  uint16_t startAddress = 0;
  uint16_t channels = 0;
  uint16_t rightParity = 0;
  MdmPromRecord image{};
};

class MDPdialog final : public ui::Page {
 public:
  MDPdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  void refresh();
  void refresh(int rightEntry);
  void drawLeft();
  void drawRight(int chosenEntry);
  int chosenEntry() const;
  void askForLine();
  void getLeft();
  void replaceLeft();
  void getRight();
  void replaceRight();
  void update();
  void stepTop(winsys::ScrollAction action);
  void stepScrollStep();
  void showLeftEditor();
  void showRightEditor();

  PromSetupState& state_;
};

// The n binary digits of bits n-1..0 of `value`, most significant first (n from 1 to 16).
std::string NumToBin(uint16_t value, int digits);
// "0" and "1" shift in from the right; any other character sets *errorFlag and ends the reading.
// An empty text is 0; past 16 digits the higher bits are lost.
uint16_t BinToNum(const std::string& text, uint16_t* errorFlag);

// The list lines of an IOM definition and of command entry `number`.
std::string iomDefinitionLine(int number, const MdmPromIomEntry& entry);
std::string commandEntryLine(int number, const MdmPromCommandEntry& entry);

}  // namespace mdm
