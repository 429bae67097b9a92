#include "pages/monitor/stack_display.h"

#include <cstdint>

#include "ui/fields.h"
#include "ui/list_values.h"
#include "ui/monitor_fields.h"

namespace monitor {

using namespace ui::monstack;

namespace {

constexpr int kLineStep = 1;
constexpr int kPageStep = 10;

bool empty(const MonMsg& e) {
  const TimeTag t = e.timeTag;
  return t.days == 0 && t.hours == 0 && t.minutes == 0 && t.seconds == 0 && t.milliseconds == 0 &&
         t.microseconds == 0;
}

}  // namespace

void MSKdialog::init() {
  top_ = 0;
  pollingStopped_ = false;
  home_ = true;
  waitingMessage_ = true;
  dialog_.setChecked(kSnapMode, false);
  ui::setMonStackTabStops(dialog_);
  dialog_.startTimer(kPollTimer, kPollMs);
}

void MSKdialog::command(int id) {
  switch (id) {
    case kQuit:
      dialog_.stopTimer(kPollTimer);
      dialog_.end(0);
      break;
    case kHome:
      home();
      break;
    default:
      break;
  }
}

// While the monitor runs the page waits; the first other state word ends the polling for good.
void MSKdialog::timer(int id) {
  if (id != kPollTimer || pollingStopped_) return;
  uint16_t state = 0;
  DUVEX_RdStatusDLL(card(), &state);
  if (state == kStateRunning) {
    if (!waitingMessage_) return;
    dialog_.listReset(kList);
    ui::showAlert(dialog_, kReport, " WAITING FOR TRIGGER");
    waitingMessage_ = false;
    return;
  }
  pollingStopped_ = true;
  home_ = true;
  dialog_.setText(kReport, "");
  home();
}

// Redraws the page from the top position; with the home flag set, from the trigger.
void MSKdialog::home() {
  dialog_.listReset(kList);
  if (home_) {
    top_ = 0;
    dialog_.setText(kReport, "");
  }
  home_ = true;
  MonMsg entry{};
  for (int line = 0; line < kPageEntries; ++line) {
    int32_t position = top_ + line;
    if (DUVEX_RdMonMsgDLL(card(), position, &entry) != 0) {
      if (line == 0) ui::showAlert(dialog_, kReport, " NO STACK DATA");
      return;
    }
    dialog_.listAdd(kList, ui::FormatMonEntry(position, entry));
  }
}

bool MSKdialog::holds(int64_t position) {
  if (position < INT32_MIN || position > INT32_MAX) return false;
  MonMsg entry{};
  return DUVEX_RdMonMsgDLL(card(), static_cast<int32_t>(position), &entry) == 0 && !empty(entry);
}

// A step shrinks until the entry it would bring on screen exists: towards earlier entries the
// new top line, towards later ones the new last line.
void MSKdialog::scroll(uint32_t param, winsys::ScrollAction action) {
  uint16_t bar = ui::ScrollBarID(dialog_, param);
  int size = bar == kLine ? kLineStep : bar == kPage ? kPageStep : 0;
  int step = action == winsys::ScrollAction::LineUp     ? size
             : action == winsys::ScrollAction::LineDown ? -size
                                                        : 0;
  if (step == 0) return;
  bool endReached = false;
  int64_t last = kPageEntries - 1;
  while (step < 0 && !holds(int64_t{top_} + step)) {
    ++step;
    endReached = true;
  }
  while (step > 0 && !holds(int64_t{top_} + step + last)) {
    --step;
    endReached = true;
  }
  bool later = action == winsys::ScrollAction::LineUp;
  top_ += step;
  if (endReached) {
    ui::showAlert(dialog_, kReport,
                  later ? " END OF POST-TRIGGER DATA" : " END OF PRE-TRIGGER DATA");
  } else {
    dialog_.setText(kReport, "");
  }
  home_ = false;
  home();
}

std::string MSKdialog::captureCsv() { return ui::monitorCaptureCsv(card()); }

}  // namespace monitor
