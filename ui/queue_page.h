// What the queue pages share (the LDB queue, the GDB uplink/downlink and RT queues, the MDM
// queue): a list of entries, Update, Clear, Snap and Quit on the same controls, and a poll timer
// that updates the list once a second while Snap is on. Each page says how it updates and clears
// its queue; the pages whose card reads take a position and an end flag need only say how to
// read one entry and how to show it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/page.h"
#include "ui/snap.h"

namespace ui {

class QueuePage : public Page {
 public:
  using Page::Page;
  void command(int id) final;
  void timer(int id) final;

 protected:
  static constexpr int kQuit = 1;
  static constexpr int kClear = 2;
  static constexpr int kUpdate = 3;
  static constexpr int kSnap = 5;
  static constexpr int kList = 6;

  // The opening every queue page shares: Snap off and the poll timer running, the list's tab
  // stops, the list emptied and updated.
  void open(const std::vector<int>& tabStops);
  bool snap() const { return live_; }

  virtual void update() = 0;
  virtual void clear() = 0;
  // A click on a control of the page's own (a queue choice).
  virtual void otherCommand(int /*id*/) {}

 private:
  bool live_ = false;
  Snap snap_{dialog_, kSnap, live_};
};

// A queue read one entry a call with a position and an end flag: at most 256 lines, "EMPTY"
// when there is nothing, Clear one call with the end flag 2.
class PositionQueuePage : public QueuePage {
 public:
  using QueuePage::QueuePage;

 protected:
  // One card call that fills the page's entry.
  virtual uint16_t read(uint16_t* position, uint16_t* endFlag) = 0;
  // The line of the entry the last call filled.
  virtual std::string line() const = 0;

  void update() override;
  void clear() override;

  uint16_t lastStatus_ = 0;  // a failed read shows as the list's last line: no Report field
};

}  // namespace ui
