// The MDM_MRT queue page: the MDM queue, one entry a line, at most 256, read with a position and
// an end flag.
#pragma once

#include <cstdint>
#include <string>

#include "card/records.h"
#include "ui/queue_page.h"

namespace mdm {

class MDQdialog final : public ui::PositionQueuePage {
 public:
  using PositionQueuePage::PositionQueuePage;
  void init() override;

 private:
  uint16_t read(uint16_t* position, uint16_t* endFlag) override;
  std::string line() const override;

  MdmQueueEntry entry_{};
};

// " RtNo:03\tType:IFI\tIom:02\tStart:00\tCount:04\tErrors:[ None ]"
std::string mdmQueueLine(const MdmQueueEntry& entry);

}  // namespace mdm
