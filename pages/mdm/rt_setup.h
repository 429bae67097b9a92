// The MDM_MRT RT setup page: one MDM unit's simulation settings, the error injection of each
// message type, its last command, and one of its I/O modules with one of four SIO channels.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "ui/page.h"
#include "ui/snap.h"

namespace mdm {

// What the page keeps for the life of the program: the working copies and the selections.
struct RtSetupState {
  uint16_t status = 0;
  uint16_t rt = 0;
  uint16_t iom = 0;
  uint16_t sio = 0;
  bool snap = false;
  int messageTypeIndex = 0;
  int errorTypeIndex = 0;
  MdmRtSimRecord unit{};
  MdmIomRecord module{};
};

class MDRdialog final : public ui::Page {
 public:
  MDRdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;
  void timer(int id) override;

 private:
  void read();
  void update();
  void store();
  void showErrorInjection();
  void showSio();
  void stepMessageType();
  void stepErrorType();

  RtSetupState& state_;
  ui::Snap snap_;
};

}  // namespace mdm
