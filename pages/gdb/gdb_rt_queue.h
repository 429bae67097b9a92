// The GDB_MRT queue page: what the simulated terminals were asked and what they answered, one
// word a line.
#pragma once

#include <cstdint>
#include <string>

#include "app/page.h"
#include "card/records.h"

namespace gdb {

// What the page keeps for the life of the program.
struct RtQueueState {
  uint16_t status = 0;  // kept, never shown: the page has no Report field
  bool snap = false;
  GdbRtQueueEntry entry{};
};

class GRQdialog final : public app::Page {
 public:
  GRQdialog(app::Station& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void timer(int id) override;

 private:
  uint16_t read(uint16_t* index, uint16_t* endFlag);
  void update();
  void clear();

  RtQueueState& state_;
};

// The text of one entry.
std::string rtQueueLine(const GdbRtQueueEntry& entry);

}  // namespace gdb
