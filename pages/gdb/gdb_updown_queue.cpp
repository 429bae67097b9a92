#include "pages/gdb/gdb_updown_queue.h"

#include <array>
#include <cstdio>

#include "ui/fields.h"
#include "ui/gdb_fields.h"

namespace gdb {
namespace {

constexpr int kUplink = 7;
constexpr int kDownlink = 8;
constexpr uint16_t kUplinkQueue = 0xC000;
constexpr uint16_t kDownlinkQueue = 0xD000;

// A first run with the tables as they come sends nothing, and commands put on the command queue
// go out only from a COMMAND entry: an empty listing says what the operator has to set up.
constexpr const char* kNothingConfigured =
    "No transfers: add MEASURE or COMMAND entries on TABLES, then RUNactive";

struct Source {
  uint16_t code;
  const char* text;
};
constexpr std::array<Source, 3> kSources = {
    {{0x0000, " Src:T\t"}, {0x8000, " Src:H\t"}, {0x4000, " Src:L\t"}}};

constexpr std::array<ui::FlagName, 4> kErrorFlags = {
    {{3, " Py"}, {2, " Mn"}, {1, " Lg"}, {0, " Sh"}}};

const char* sourceText(uint16_t source) {
  for (const Source& s : kSources) {
    if (s.code == source) return s.text;
  }
  return " Src:U\t";
}

const char* rateText(uint16_t rate) {
  switch (rate) {
    case 0:
      return "Tb:Pasve\t";
    case 100:
      return "Tb:100Hz\t";
    case 10:
      return "Tb:10Hz\t";
    default:
      return "Tb:1Hz\t";
  }
}

std::string errorsText(const GdbQueueEntry& e) {
  if (e.noResponse == 0 && e.errorFlags == 0) return "NoErrs\t";
  if (e.noResponse != 0) return "NoResp\t";
  return ui::flagNames(e.errorFlags, kErrorFlags) + "\t";
}

}  // namespace

std::string upDownQueueLine(const GdbQueueEntry& e) {
  char fields[64];
  std::snprintf(fields, sizeof fields, "RT:%d\tCh:%d\tDt:%X\t", e.rtAddress, e.channel,
                e.dataValue);
  std::string line = sourceText(e.source);
  line += ui::syncText(e.sync);
  line += '\t';
  line += fields;
  line += errorsText(e);
  line += rateText(e.tableRate);
  line += "Ix:" + std::to_string(e.index);
  return line;
}

void UDQdialog::init() {
  dialog_.setChecked(kUplink, true);
  dialog_.setChecked(kDownlink, false);
  open({30, 60, 90, 120, 150, 230, 270});
}

// With Snap on the choice of queue is locked.
void UDQdialog::otherCommand(int id) {
  if ((id != kUplink && id != kDownlink) || snap()) return;
  bool uplink = dialog_.isChecked(kUplink);
  dialog_.setChecked(kUplink, !uplink);
  dialog_.setChecked(kDownlink, uplink);
}

uint16_t UDQdialog::selector() const {
  return dialog_.isChecked(kUplink) ? kUplinkQueue : kDownlinkQueue;
}

uint16_t UDQdialog::read(uint16_t* position, uint16_t* endFlag) {
  return DUVEX_RdGdbUpDownQDLL(card(), selector(), position, endFlag, &entry_);
}

std::string UDQdialog::line() const { return upDownQueueLine(entry_); }

void UDQdialog::update() {
  PositionQueuePage::update();
  if (lastStatus_ == 0 && dialog_.listCount(kList) == 1 && dialog_.listLine(kList, 0) == "EMPTY") {
    dialog_.listAdd(kList, kNothingConfigured);
  }
}

void UDQdialog::clear() {
  dialog_.listReset(kList);
  PositionQueuePage::clear();
}

}  // namespace gdb
