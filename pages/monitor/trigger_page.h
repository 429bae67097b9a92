// The trigger page of BUS_MON: which connectors J1 to J4 the monitor listens to, and its trigger
// (bus, word sync, the 24-position pattern, error conditions, the RT filter, the post-trigger
// count). Read from the card on open and on Get, written on Load.
#pragma once

#include <array>
#include <cstdint>

#include "card/records.h"
#include "ui/page.h"

namespace monitor {

// What the page keeps for the life of the program.
struct TriggerPageState {
  MonTrigger record{};
  std::array<uint16_t, kMonRtFilterEntries> rtFilter{};
  int busIndex = 0;   // J1, J2, J3, J4, ANY
  int syncIndex = 0;  // DATA, CMND, ANY
  int rtIndex = 0;    // the RT the filter box shows
};

class MTGdialog final : public ui::Page {
 public:
  MTGdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  void get();
  void load();
  void stepBus();
  void stepSync();
  void toggleEnabled();
  void showRt();

  TriggerPageState& state_;
  uint16_t error_ = 0;
};

}  // namespace monitor
