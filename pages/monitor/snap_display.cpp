#include "pages/monitor/snap_display.h"

#include "setup/card_settings.h"
#include "ui/list_values.h"
#include "ui/monitor_fields.h"

namespace monitor {

using namespace ui::monstack;

namespace {

constexpr uint32_t kSnapCount = kPageEntries;
constexpr int kTicksWithoutTrigger = 2;

}  // namespace

MSPdialog::MSPdialog(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), snap_(station.pageState<SnapState>()) {}

// The results of the card calls are not shown.
void MSPdialog::init() {
  dialog_.setChecked(kSnapMode, true);
  ui::setMonStackTabStops(dialog_);
  ticks_ = 1;
  waitingMessage_ = true;
  DUVEX_RdMonTriggerDLL(card(), &trigger_);
  if (snap_.open++ == 0) snap_.savedCount = trigger_.postTriggerCount;
  trigger_.postTriggerCount = kSnapCount;
  DUVEX_WrMonTriggerDLL(card(), &trigger_);
  rearm();
  dialog_.startTimer(kPollTimer, kPollMs);
}

void MSPdialog::command(int id) {
  if (id == kQuit) quit();
}

void MSPdialog::timer(int id) {
  if (id != kPollTimer) return;
  uint16_t state = 0;
  DUVEX_RdStatusDLL(card(), &state);
  if (state == kStateIdle) {
    snapshot();
    rearm();
    return;
  }
  // A snapshot stays until the second tick without a new trigger.
  if (++ticks_ < kTicksWithoutTrigger) return;
  dialog_.listReset(kList);
  if (waitingMessage_) {
    ui::showAlert(dialog_, kReport, " WAITING FOR TRIGGER");
    waitingMessage_ = false;
  }
  ticks_ = 0;
}

// The snapshot ends at the first entry the card cannot give (a halt before the trigger, a
// shorter count loaded meanwhile), as the stack display's page does: a failed read leaves the
// record as it was, and formatting it would show a word that was never captured.
void MSPdialog::snapshot() {
  dialog_.setText(kReport, "");
  ticks_ = 0;
  waitingMessage_ = true;
  dialog_.listReset(kList);
  for (int32_t position = 0; position < kPageEntries; ++position) {
    if (DUVEX_RdMonMsgDLL(card(), position, &entry_) != 0) {
      if (position == 0) ui::showAlert(dialog_, kReport, " NO STACK DATA");
      return;
    }
    dialog_.listAdd(kList, ui::FormatMonEntry(position, entry_));
  }
}

// The TORB BOX's stack is never cleared.
void MSPdialog::rearm() {
  if (card()->cardType != setup::kCardTorb) DUVEX_ClrMonStackDLL(card());
  DUVEX_RunMonDLL(card());
}

// The trigger is read again before the count goes back, so that a trigger loaded on the trigger
// page meanwhile is kept.
void MSPdialog::quit() {
  dialog_.stopTimer(kPollTimer);
  DUVEX_CommandDLL(card(), kHaltCommand);
  if (--snap_.open == 0) {
    DUVEX_RdMonTriggerDLL(card(), &trigger_);
    trigger_.postTriggerCount = snap_.savedCount;
    DUVEX_WrMonTriggerDLL(card(), &trigger_);
  }
  dialog_.end(0);
}

std::string MSPdialog::captureCsv() { return ui::monitorCaptureCsv(card()); }

}  // namespace monitor
