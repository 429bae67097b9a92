// The SNAP display of BUS_MON: sets the post-trigger count to 11, arms the monitor, shows the
// eleven entries from the trigger on each time the monitor stops and re-arms it at once, so that
// the display follows successive triggers. Its Quit halts the card and puts the operator's
// post-trigger count back.
#pragma once

#include <cstdint>
#include <string>

#include "card/records.h"
#include "ui/page.h"

namespace monitor {

// The operator's post-trigger count while snapshot displays hold the card's: saved by the first
// that opens, put back by the last that closes.
struct SnapState {
  int open = 0;
  uint32_t savedCount = 0;
};

class MSPdialog final : public ui::Page {
 public:
  MSPdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void timer(int id) override;
  // Every entry of the stack, for "Save capture as CSV...".
  bool hasCapture() const override { return true; }
  std::string captureCsv() override;

 private:
  void snapshot();
  void rearm();
  void quit();

  SnapState& snap_;
  MonTrigger trigger_{};  // the page's own copy: its RT filter reference stays null
  MonMsg entry_{};
  int ticks_ = 1;
  bool waitingMessage_ = true;
};

}  // namespace monitor
