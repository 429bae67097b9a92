// The card memory display: 64 words as eight lines of eight, moved through the whole card
// memory by the scroll bar or Goto, with Edit writing the first word of the page.
#pragma once

#include <cstdint>

#include "ui/page.h"

namespace debug {

inline constexpr uint32_t kLastPageAddress = 0x1FFF80;

class BUGdisp final : public ui::Page {
 public:
  using Page::Page;
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

  uint32_t pageAddress() const { return address_; }

 private:
  void showPage();
  void gotoAddress();
  void editWord();

  uint32_t address_ = 0;  // even, 0 to kLastPageAddress; every opening starts at 0
};

}  // namespace debug
