// The STACK display of BUS_MON: waits while the monitor runs, then shows the eleven entries from
// the trigger on and lets the operator move through the capture by lines and pages.
#pragma once

#include <cstdint>
#include <string>

#include "ui/page.h"

namespace monitor {

class MSKdialog final : public ui::Page {
 public:
  using Page::Page;
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;
  void timer(int id) override;
  // Every entry of the stack, for "Save capture as CSV...".
  bool hasCapture() const override { return true; }
  std::string captureCsv() override;

 private:
  void home();
  // Whether the stack holds a non-empty entry at `position`.
  bool holds(int64_t position);

  int32_t top_ = 0;
  bool pollingStopped_ = false;
  bool home_ = true;
  bool waitingMessage_ = true;
};

}  // namespace monitor
