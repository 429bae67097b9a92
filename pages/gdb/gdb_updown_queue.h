// The GDB_BCT uplink/downlink queue page: the transfers the controller made (uplink) or the
// answers its terminals gave (downlink), one entry a line.
#pragma once

#include <cstdint>
#include <string>

#include "card/records.h"
#include "ui/queue_page.h"

namespace gdb {

class UDQdialog final : public ui::PositionQueuePage {
 public:
  using PositionQueuePage::PositionQueuePage;
  void init() override;

 private:
  uint16_t selector() const;
  uint16_t read(uint16_t* position, uint16_t* endFlag) override;
  std::string line() const override;
  void clear() override;
  void update() override;
  void otherCommand(int id) override;

  GdbQueueEntry entry_{};
};

// The text of one entry.
std::string upDownQueueLine(const GdbQueueEntry& entry);

}  // namespace gdb
