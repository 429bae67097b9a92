// The GDB_BCT tables page: one entry of the 100 Hz, 10 Hz or 1 Hz table at a time, its
// operation and, for MEASURE, the command it sends.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "ui/page.h"

namespace gdb {

// What the page keeps for the life of the program.
struct TablesState {
  uint16_t status = 0;
  uint16_t rate = 100;
  uint16_t entry = 1;
  uint16_t operation = 0;
  int operationIndex = 0;
  int errorTypeIndex = 0;
  GdbCommandRecord record{};
};

class GBTdialog final : public ui::Page {
 public:
  GBTdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  uint16_t readEntryNumber(uint16_t& error);
  void goTo();
  void showMeasure();
  void showOther();
  void modify();
  void stepRate();
  void stepOperation();
  void toggleTrigger();
  void toggleSync();
  void stepErrorType();

  TablesState& state_;
};

}  // namespace gdb
