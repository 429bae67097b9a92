#include "ui/queue_page.h"

#include "ui/queue_list.h"

namespace ui {

void QueuePage::open(const std::vector<int>& tabStops) {
  snap_.start();
  dialog_.listSetTabStops(kList, tabStops);
  dialog_.listReset(kList);
  update();
}

void QueuePage::command(int id) {
  switch (id) {
    case kQuit:
      snap_.quit();
      break;
    case kClear:
      clear();
      break;
    case kUpdate:
      update();
      break;
    case kSnap:
      snap_.toggle();
      break;
    default:
      otherCommand(id);
      break;
  }
}

void QueuePage::timer(int id) {
  if (snap_.due(id)) update();
}

void PositionQueuePage::update() {
  lastStatus_ = ui::listQueue(
      dialog_, kList, [this](uint16_t* p, uint16_t* e) { return read(p, e); },
      [this] { return line(); });
}

void PositionQueuePage::clear() {
  lastStatus_ = ui::clearQueue([this](uint16_t* p, uint16_t* e) { return read(p, e); });
  update();
}

}  // namespace ui
