// The about box: the station's part number and revision beside what the card driver reports
// about itself and the card.
#pragma once

#include "ui/page.h"

namespace setup {

class ABOUTdialog final : public ui::Page {
 public:
  using Page::Page;
  void init() override;
  void command(int id) override;
};

}  // namespace setup
