// The Snap button of the pages that can follow the card live: while it is down the page reads
// the card again once a second. The page keeps the flag where it keeps its state (for the run,
// or for its window).
#pragma once

#include "winsys/winsys.h"

namespace ui {

class Snap {
 public:
  Snap(winsys::Dialog& page, int button, bool& on) : page_(page), button_(button), on_(on) {}

  // The opening: Snap up, and the poll timer running.
  void start() {
    on_ = false;
    page_.setChecked(button_, false);
    page_.startTimer(kTimer, kPeriodMs);
  }
  // The button stays down while the page is live.
  void toggle() {
    on_ = !on_;
    page_.setChecked(button_, on_);
  }
  // Quit: the timer ends with the page.
  void quit() {
    page_.stopTimer(kTimer);
    page_.end(0);
  }
  // A timer message that asks the page to read again.
  bool due(int timerId) const { return timerId == kTimer && on_; }

 private:
  static constexpr int kTimer = 2;
  static constexpr int kPeriodMs = 1000;
  winsys::Dialog& page_;
  int button_;
  bool& on_;
};

}  // namespace ui
