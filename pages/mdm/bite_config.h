// The MDM_MRT BITE configuration page: one MDM unit's BITE status words, BITE4 words and
// constants, RCW override, and the BITE2 words the partner last sent.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "ui/page.h"

namespace mdm {

struct BiteConfigState {
  uint16_t status = 0;
  uint16_t rt = 0;
  MdmBiteRecord record{};
};

class MDBdialog final : public ui::Page {
 public:
  MDBdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  void read();
  void update();

  BiteConfigState& state_;
};

// A BITE4 constant: bits 9..0 as a signed 10-bit number, and back. False when `text` holds a
// number outside -511..+511 (text without a leading number is 0).
int16_t constantValue(uint16_t word);
bool parseConstant(const std::string& text, uint16_t& word);

}  // namespace mdm
