#include "setup/about_page.h"

#include <cstring>
#include <string>

#include "base/version.h"
#include "ui/fields.h"

namespace setup {
namespace {

enum Control {
  kQuit = 1,
  kStation = 2,
  kDriver = 3,
  kFirmware = 4,
  kChecksumHigh = 5,
  kChecksumLow = 6,
  kSerial = 7,
};

// What the driver last reported; zeros until its first answer.
struct AboutState {
  CardIdRecord id{};
  uint16_t status = 0;  // kept, never shown
};

// "Rev %X" of the revision number plus 9: 1 shows Rev A.
std::string showFirmwareRevision(uint16_t revision) {
  return "Rev " + ui::hex(static_cast<uint32_t>(revision) + 9, 1);
}

}  // namespace

// The fields are filled whatever the driver answered.
void ABOUTdialog::init() {
  AboutState& state = station_.pageState<AboutState>();
  state.status = DUVEX_GetCardIDDLL(card(), &state.id);
  const CardIdRecord& id = state.id;
  dialog_.setText(kStation, base::kStationRevision);
  dialog_.setText(kDriver, std::string(id.driverRevision,
                                       strnlen(id.driverRevision, sizeof id.driverRevision)));
  dialog_.setText(kFirmware, showFirmwareRevision(id.firmwareRevision));
  dialog_.setText(kChecksumHigh, ui::hex(id.checksumHigh, 4));
  dialog_.setText(kChecksumLow, ui::hex(id.checksumLow, 4));
  dialog_.setText(kSerial, ui::hex(id.serialNumber, 5));
}

void ABOUTdialog::command(int id) {
  if (id == kQuit) dialog_.end(0);
}

}  // namespace setup
