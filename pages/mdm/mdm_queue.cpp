#include "pages/mdm/mdm_queue.h"

#include <array>
#include <cstdio>

#include "ui/mdm_fields.h"

namespace mdm {
namespace {

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

void MDQdialog::init() { open({38}); }

uint16_t MDQdialog::read(uint16_t* position, uint16_t* endFlag) {
  return DUVEX_RdMdmQDLL(card(), kQueueNumber, position, endFlag, &entry_);
}

std::string MDQdialog::line() const { return mdmQueueLine(entry_); }

}  // namespace mdm
