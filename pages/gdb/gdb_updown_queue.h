// The GDB_BCT uplink/downlink queue page: the transfers the controller made (uplink) or the
// answers its terminals gave (downlink), one entry a line.
#pragma once

#include <cstdint>
#include <string>

#include "app/page.h"
#include "card/records.h"

namespace gdb {

// What the page keeps for the life of the program.
struct UpDownQueueState {
  uint16_t status = 0;  // kept, never shown: the page has no Report field
  bool snap = false;
  GdbQueueEntry entry{};
};

class UDQdialog final : public app::Page {
 public:
  UDQdialog(app::Station& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void timer(int id) override;

 private:
  uint16_t selector() const;
  uint16_t read(uint16_t* position, uint16_t* endFlag);
  void update();
  void clear();
  void swapChoice();

  UpDownQueueState& state_;
};

// The text of one entry.
std::string upDownQueueLine(const GdbQueueEntry& entry);

}  // namespace gdb
