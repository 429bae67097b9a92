#include "app/modes.h"

#include <array>

#include "app/mode_menus.h"
#include "resources/resources.h"

namespace app {
namespace {

constexpr std::array<ModeInfo, 6> kModes = {{
    {Mode::LdbBct, "LDB_BCT", 1, "LDB_BCT_MENU", "road"},
    {Mode::LdbMrt, "LDB_MRT", 2, "LDB_MRT_MENU", "ldbterminals"},
    {Mode::BusMon, "BUS_MON", 3, "BUS_MON_MENU", "monitor"},
    {Mode::GdbBct, "GDB_BCT", 10, "GDB_BCT_MENU", "gdb"},
    {Mode::GdbMrt, "GDB_MRT", 11, "GDB_MRT_MENU", "gdb"},
    {Mode::MdmMrt, "MDM_MRT", 12, "MDM_MRT_MENU", "mdm"},
}};

struct StatusEntry {
  uint16_t stateWord;
  const char* text;
};

constexpr std::array<StatusEntry, 20> kStatusTexts = {{
    {0x000F, "SELFTEST        "}, {0x0010, "LDB_BCT IDLE    "}, {0x0011, "LDB_BCT RUNNING "},
    {0x0020, "LDB_MRT IDLE    "}, {0x0021, "LDB_MRT RUNNING "}, {0x0030, "BUS_MON IDLE    "},
    {0x0031, "BUS_MON RUNNING "}, {0x0040, "GDB_BCT IDLE    "}, {0x0041, "GDB_BCT ACTIVE  "},
    {0x0050, "GDB_MRT IDLE    "}, {0x0051, "GDB_MRT RUNNING "}, {0x0060, "MDM_MRT IDLE    "},
    {0x0061, "MDM_MRT RUNNING "}, {0x800A, "WRAPTEST PASSED "}, {0x800F, "SELFTEST PASSED "},
    {0x80FA, "LOCALWRAP PASSED"}, {0x9011, "LDB_BCT RUNNING "}, {0x9041, "GDB_BCT PASSIVE "},
    {0xA011, "LDB_BCT RUNNING "}, {0xA041, "GDB_BCT ACTIVE  "},
}};
constexpr const char* kUndefinedStatus = "UNDEFINED       ";

constexpr int kDebugEditId = 4;
constexpr int kDebugCmndId = 9;
constexpr uint16_t kTorbAllowedMode = 3;  // BUS_MON's top-menu id

void showMenu(Station& station, const char* name) {
  if (const winsys::Menu* menu = resources::menu(name)) station.windows().setMenu(*menu);
}

}  // namespace

const ModeInfo* modeInfo(Mode mode) {
  for (const ModeInfo& m : kModes) {
    if (m.mode == mode) return &m;
  }
  return nullptr;
}

const ModeInfo* modeByTopMenuId(int id) {
  for (const ModeInfo& m : kModes) {
    if (m.topMenuId == id) return &m;
  }
  return nullptr;
}

std::string modeTitle(Mode mode) {
  const ModeInfo* info = modeInfo(mode);
  return info ? std::string(kMainTitle) + " - " + info->name + " mode" : kMainTitle;
}

const char* statusText(uint16_t stateWord) {
  for (const StatusEntry& e : kStatusTexts) {
    if (e.stateWord == stateWord) return e.text;
  }
  return kUndefinedStatus;
}

bool CheckCardReady(Station& station, int commandId) {
  if (station.shell().hardwareInitialised == 0) {
    station.windows().messageBox("Hardware not initialised", "ERROR", winsys::Buttons::Ok,
                                 winsys::Icon::Exclamation);
    return false;
  }
  if (station.card().cardType == setup::kCardTorb && commandId != kTorbAllowedMode &&
      commandId != kDebugEditId && commandId != kDebugCmndId) {
    station.windows().messageBox("Invalid mode for Torb Box", "INVALID MODE", winsys::Buttons::Ok,
                                 winsys::Icon::Exclamation);
    return false;
  }
  return true;
}

void enterMode(Station& station, const ModeInfo& mode) {
  if (!CheckCardReady(station, mode.topMenuId)) return;
  CardContext& card = station.card();
  ShellState& shell = station.shell();
  const auto number = static_cast<uint16_t>(mode.mode);
  card.operatingMode = number;
  shell.lastCardResult = DUVEX_SetupDLL(&card, number, &station.setupRecord());
  if (mode.mode == Mode::BusMon) {
    // Select all four buses for the monitor; leaving the mode puts the operator's choice back.
    shell.savedBusSelect = rWDLL(&card, kBusSelectAddress);
    wWDLL(&card, kBusSelectAddress, static_cast<uint16_t>(shell.savedBusSelect | 0x000F));
  }
  station.windows().startMainTimer(kStatusTimer, kStatusPeriodMs);
  station.windows().setTitle(modeTitle(mode.mode));
  showMenu(station, mode.menu);
  shell.mode = mode.mode;
  shell.previousStateWord = 0;
}

void routeCommand(Station& station, int commandId) {
  if (station.shell().mode == Mode::GdbBct) station.gdbQueueCounters() = GdbQueueCounters{};
  uint16_t leave = runModeMenu(station, station.shell().mode, commandId);
  if (leave != 0) leaveMode(station);
}

void leaveMode(Station& station) {
  ShellState& shell = station.shell();
  if (shell.mode == Mode::BusMon) wWDLL(&station.card(), kBusSelectAddress, shell.savedBusSelect);
  station.windows().setTitle(kMainTitle);
  showMenu(station, "TOP_MENU");
  shell.mode = Mode::None;
  shell.previousStateWord = 0;
}

void statusTick(Station& station) {
  ShellState& shell = station.shell();
  shell.lastCardResult = DUVEX_RdStatusDLL(&station.card(), &shell.currentStateWord);
  if (shell.currentStateWord != shell.previousStateWord) station.windows().beep();
  shell.previousStateWord = shell.currentStateWord;
  shell.statusText = statusText(shell.currentStateWord);
  station.windows().paintStatus(shell.statusText);
}

}  // namespace app
