// The GDB_MRT queue page: what the simulated terminals were asked and what they answered, one
// word a line.
#pragma once

#include <cstdint>
#include <string>

#include "card/records.h"
#include "ui/queue_page.h"

namespace gdb {

class GRQdialog final : public ui::PositionQueuePage {
 public:
  using PositionQueuePage::PositionQueuePage;
  void init() override;

 private:
  uint16_t read(uint16_t* index, uint16_t* endFlag) override;
  std::string line() const override;

  GdbRtQueueEntry entry_{};
};

// The text of one entry.
std::string rtQueueLine(const GdbRtQueueEntry& entry);

}  // namespace gdb
