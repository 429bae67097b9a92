// The debug command page: the card's mode and run commands, self test, wrap test with its data
// word, the card clock, the state word once a second, and a firmware upgrade watched to its end.
#pragma once

#include "ui/page.h"

namespace debug {

class BGCdialog final : public ui::Page {
 public:
  using Page::Page;
  void init() override;
  void command(int id) override;
  void timer(int id) override;

 private:
  void showSync();
  void wrapTest();
  void readClock();
  void upgrade();
  void watchUpgrade();

  // Page state of this window: read again from the card at every opening.
  uint16_t sync_ = 0;  // 0 DATA, 0x4000 CMND
  bool watching_ = false;
  int countdown_ = 0;
};

}  // namespace debug
