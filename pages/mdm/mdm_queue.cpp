#include "pages/mdm/mdm_queue.h"

#include <array>
#include <cstdio>

#include "ui/mdm_fields.h"
#include "ui/queue_list.h"

namespace mdm {
namespace {

enum Control {
  kQuit = 1,
  kClear = 2,
  kUpdate = 3,
  kSnap = 5,
  kList = 6,
};

constexpr int kPollTimer = 2;
constexpr int kPollMs = 1000;
constexpr uint16_t kQueueNumber = 1;

// MdmErrorFlagNames, bit 11 first.
constexpr std::array<const char*, 12> kErrorFlagNames = {"Ig ", "Bh ", "Ic ", "Id ", "Pp ", "Ta ",
                                                         "Wc ", "Sy ", "Py ", "Mn ", "Lg ", "Sh "};

std::string field(const char* pattern, uint16_t value) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

std::string mdmQueueLine(const MdmQueueEntry& e) {
  std::string line = field(" RtNo:%.02d\t", e.rtNumber);
  line += "Type:";
  line += ui::mdmMessageTypeName(e.messageType);
  line += '\t';
  line += e.messageType <= 1 ? std::string("Iom:N/A\t") : field("Iom:%.02d\t", e.iom);
  line += field("Start:%.02d\t", e.start);
  line += field("Count:%.02d\t", e.count);
  if (e.errorFlags == 0) return line + "Errors:[ None ]";
  line += "Errors:[ ";
  for (int bit = 11; bit >= 0; --bit) {
    if (e.errorFlags >> bit & 1) line += kErrorFlagNames[static_cast<size_t>(11 - bit)];
  }
  return line + "]";
}

MDQdialog::MDQdialog(app::Station& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<MdmQueueState>()) {}

void MDQdialog::init() {
  state_.position = 0;
  state_.endFlag = 0;
  state_.live = false;
  dialog_.listSetTabStops(kList, {38});
  dialog_.startTimer(kPollTimer, kPollMs);
  dialog_.listReset(kList);
  update();
}

void MDQdialog::command(int id) {
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
      state_.live = !state_.live;
      break;
    default:
      break;
  }
}

uint16_t MDQdialog::read(uint16_t* position, uint16_t* endFlag) {
  state_.position = *position;
  state_.endFlag = *endFlag;
  uint16_t status =
      DUVEX_RdMdmQDLL(card(), kQueueNumber, &state_.position, &state_.endFlag, &state_.entry);
  *position = state_.position;
  *endFlag = state_.endFlag;
  return status;
}

void MDQdialog::update() {
  state_.status = ui::listQueue(
      dialog_, kList, [this](uint16_t* p, uint16_t* e) { return read(p, e); },
      [this] { return mdmQueueLine(state_.entry); });
  state_.position = 0;
}

void MDQdialog::clear() {
  state_.status = ui::clearQueue([this](uint16_t* p, uint16_t* e) { return read(p, e); });
  state_.endFlag = 0;
  update();
}

void MDQdialog::timer(int id) {
  if (id == kPollTimer && state_.live) update();
}

}  // namespace mdm
