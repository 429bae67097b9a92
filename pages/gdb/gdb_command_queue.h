// The GDB_BCT command-queue page: builds one bus command and inserts it into the HI or LO
// command queue.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "ui/page.h"

namespace gdb {

// What the page keeps for the life of the program.
struct CommandQueueState {
  uint16_t status = 0;
  uint16_t priority = 1;  // 1 HI, 0 LO
  int errorTypeIndex = 0;
  GdbCommandRecord record{};
};

class GCQdialog final : public ui::Page {
 public:
  GCQdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;

 private:
  uint16_t* counter();  // the shell's counter word of the chosen priority
  void insert();
  void togglePriority();
  void toggleSync();
  void stepErrorType();

  CommandQueueState& state_;
};

}  // namespace gdb
