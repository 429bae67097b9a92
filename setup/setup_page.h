// The card setup page: the card settings, and OK, which initialises the card, sets it up,
// saves the settings and lets the modes be entered.
#pragma once

#include "app/page.h"

namespace setup {

class SETUPdialog final : public app::Page {
 public:
  using Page::Page;
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  void showAll();
  void ok();
  uint16_t readFields();
};

// Applies the settings to the card: mode 1 and the setup record. The status of the setup call.
uint16_t applySettings(app::Station& station);

}  // namespace setup
