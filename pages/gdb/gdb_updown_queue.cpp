#include "pages/gdb/gdb_updown_queue.h"

#include <array>
#include <cstdio>

#include "ui/gdb_fields.h"
#include "ui/queue_list.h"

namespace gdb {
namespace {

enum Control {
  kQuit = 1,
  kClear = 2,
  kUpdate = 3,
  kSnap = 5,
  kList = 6,
  kUplink = 7,
  kDownlink = 8,
};

constexpr int kPollTimer = 2;
constexpr int kPollMs = 1000;
constexpr uint16_t kUplinkQueue = 0xC000;
constexpr uint16_t kDownlinkQueue = 0xD000;

struct Source {
  uint16_t code;
  const char* text;
};
constexpr std::array<Source, 3> kSources = {
    {{0x0000, " Src:T\t"}, {0x8000, " Src:H\t"}, {0x4000, " Src:L\t"}}};

struct Flag {
  int bit;
  const char* text;
};
constexpr std::array<Flag, 4> kErrorFlags = {{{3, " Py"}, {2, " Mn"}, {1, " Lg"}, {0, " Sh"}}};

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
  std::string text;
  for (const Flag& f : kErrorFlags) {
    if (e.errorFlags >> f.bit & 1) text += f.text;
  }
  return text + "\t";
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

UDQdialog::UDQdialog(app::Station& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<UpDownQueueState>()) {}

void UDQdialog::init() {
  state_.snap = false;
  dialog_.listSetTabStops(kList, {30, 60, 90, 120, 150, 230, 270});
  dialog_.setChecked(kUplink, true);
  dialog_.setChecked(kDownlink, false);
  dialog_.startTimer(kPollTimer, kPollMs);
  dialog_.listReset(kList);
  update();
}

void UDQdialog::command(int id) {
  switch (id) {
    case kQuit:
      dialog_.stopTimer(kPollTimer);
      dialog_.end(0);
      break;
    case kClear:
      clear();
      break;
    case kUpdate:
      update();
      break;
    case kSnap:
      state_.snap = !state_.snap;
      break;
    case kUplink:
    case kDownlink:
      if (!state_.snap) swapChoice();
      break;
    default:
      break;
  }
}

uint16_t UDQdialog::selector() const {
  return dialog_.isChecked(kUplink) ? kUplinkQueue : kDownlinkQueue;
}

uint16_t UDQdialog::read(uint16_t* position, uint16_t* endFlag) {
  return DUVEX_RdGdbUpDownQDLL(card(), selector(), position, endFlag, &state_.entry);
}

void UDQdialog::update() {
  state_.status = ui::listQueue(
      dialog_, kList, [this](uint16_t* p, uint16_t* e) { return read(p, e); },
      [this] { return upDownQueueLine(state_.entry); });
}

void UDQdialog::clear() {
  dialog_.listReset(kList);
  state_.status = ui::clearQueue([this](uint16_t* p, uint16_t* e) { return read(p, e); });
  update();
}

void UDQdialog::swapChoice() {
  bool uplink = dialog_.isChecked(kUplink);
  dialog_.setChecked(kUplink, !uplink);
  dialog_.setChecked(kDownlink, uplink);
}

void UDQdialog::timer(int id) {
  if (id == kPollTimer && state_.snap) update();
}

}  // namespace gdb
