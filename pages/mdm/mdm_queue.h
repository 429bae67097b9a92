// The MDM_MRT queue page: the MDM queue, one entry a line, at most 256, read with a position and
// an end flag.
#pragma once

#include <cstdint>
#include <string>

#include "app/page.h"
#include "card/records.h"

namespace mdm {

struct MdmQueueState {
  uint16_t status = 0;  // kept, never shown: the page has no Report field
  uint16_t position = 0;
  uint16_t endFlag = 0;
  bool live = false;
  MdmQueueEntry entry{};
};

class MDQdialog final : public app::Page {
 public:
  MDQdialog(app::Station& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void timer(int id) override;

 private:
  void update();
  void clear();
  uint16_t read(uint16_t* position, uint16_t* endFlag);

  MdmQueueState& state_;
};

// " RtNo:03\tType:IFI\tIom:02\tStart:00\tCount:04\tErrors:[ None ]"
std::string mdmQueueLine(const MdmQueueEntry& entry);

}  // namespace mdm
