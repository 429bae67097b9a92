#include "pages/gdb/gdb_rt_queue.h"

#include <array>
#include <cstdio>

#include "ui/gdb_fields.h"
#include "ui/queue_list.h"

namespace gdb {
namespace {

enum Control { kQuit = 1, kClear = 2, kUpdate = 3, kSnap = 5, kList = 6 };

constexpr int kPollTimer = 2;
constexpr int kPollMs = 1000;
constexpr uint16_t kNoResponse = 0xFFFF;

struct Flag {
  int bit;
  const char* text;
};
constexpr std::array<Flag, 4> kErrorFlags = {{{3, "Py "}, {2, "Mn "}, {1, "Lg "}, {0, "Sh "}}};

}  // namespace

// The data value in upper-case hexadecimal, 0 shown as "0".
std::string rtQueueLine(const GdbRtQueueEntry& e) {
  char fields[64];
  std::snprintf(fields, sizeof fields, "RT:%d\tCh:%d\tDt:%X\t", e.rtAddress, e.channel,
                e.dataValue);
  std::string line = e.response != kNoResponse ? " Resp:Yes\t" : " Resp:No\t";
  line += ui::syncText(e.sync);
  line += '\t';
  line += fields;
  if (e.errors == 0) return line + "NoErrs";
  for (const Flag& f : kErrorFlags) {
    if (e.errors >> f.bit & 1) line += f.text;
  }
  return line;
}

GRQdialog::GRQdialog(app::Station& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<RtQueueState>()) {}

void GRQdialog::init() {
  state_.snap = false;
  dialog_.listSetTabStops(kList, {20, 60, 100, 140, 180});
  dialog_.startTimer(kPollTimer, kPollMs);
  dialog_.listReset(kList);
  update();
}

void GRQdialog::command(int id) {
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
    default:
      break;
  }
}

uint16_t GRQdialog::read(uint16_t* index, uint16_t* endFlag) {
  return DUVEX_RdGdbRtQDLL(card(), index, endFlag, &state_.entry);
}

void GRQdialog::update() {
  state_.status = ui::listQueue(
      dialog_, kList, [this](uint16_t* i, uint16_t* e) { return read(i, e); },
      [this] { return rtQueueLine(state_.entry); });
}

void GRQdialog::clear() {
  state_.status = ui::clearQueue([this](uint16_t* i, uint16_t* e) { return read(i, e); });
  update();
}

void GRQdialog::timer(int id) {
  if (id == kPollTimer && state_.snap) update();
}

}  // namespace gdb
