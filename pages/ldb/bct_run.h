// The run page: starts the bus controller for a number of frames, or without end.
#pragma once

#include <cstdint>

#include "ui/page.h"

namespace ldb {

struct BctRunState {
  uint16_t frameCount = 0;
};

class BCTrun final : public ui::Page {
 public:
  BCTrun(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;

 private:
  void run();

  BctRunState& state_;
};

}  // namespace ldb
