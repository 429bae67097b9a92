#include "app/mode_menus.h"

#include <span>

#include "app/modes.h"

namespace app {
namespace {

enum class Action {
  Modeless,    // open page procedure `page` modeless
  Modal,       // open `page` modal
  Command,     // DUVEX_CommandDLL with `code`
  Help,        // the help file at its index
  Quit,        // "Are you sure?"; Yes leaves the mode
  RunMonitor,  // clear the stack (PCI card only), then run the monitor
  GdbActive,   // run the GDB bus controller active
  GdbPassive,  // ... or passive
  GdbHalt,     // halt and clear the command queues
};

struct Item {
  int id;
  Action action;
  const char* page = nullptr;
  uint16_t code = 0;
};

constexpr uint16_t kRun = 10;
constexpr uint16_t kHalt = 11;

constexpr Item kLdbBct[] = {
    {1, Action::Modeless, "BCTmessages"},
    {2, Action::Modeless, "BCTframe"},
    {3, Action::Modeless, "BCTrun"},
    {4, Action::Command, nullptr, kHalt},
    {5, Action::Modeless, "QUEdialog"},
    {6, Action::Modal, "SUPdialog"},
    {7, Action::Help},
    {8, Action::Quit},
    {9, Action::Modal, "BUGdisp"},
    {10, Action::Modal, "BGCdialog"},
};
constexpr Item kLdbMrt[] = {
    {1, Action::Modeless, "RTPdialog"},
    {2, Action::Command, nullptr, kRun},
    {3, Action::Command, nullptr, kHalt},
    {4, Action::Modeless, "QUEdialog"},
    {5, Action::Modal, "SUPdialog"},
    {6, Action::Help},
    {7, Action::Quit},
    {9, Action::Modal, "BUGdisp"},
    {10, Action::Modal, "BGCdialog"},
};
constexpr Item kBusMon[] = {
    {1, Action::Modeless, "MTGdialog"},
    {2, Action::Modeless, "MSKdialog"},
    {3, Action::Modeless, "MSPdialog"},
    {4, Action::RunMonitor},
    {5, Action::Command, nullptr, kHalt},
    {6, Action::Modal, "SUPdialog"},
    {7, Action::Help},
    {8, Action::Quit},
    {9, Action::Modal, "BUGdisp"},
    {10, Action::Modal, "BGCdialog"},
};
constexpr Item kGdbBct[] = {
    {1, Action::Modeless, "GBTdialog"},
    {2, Action::GdbActive},
    {12, Action::GdbPassive},
    {3, Action::GdbHalt},
    {4, Action::Modeless, "GCQdialog"},
    {10, Action::Modeless, "UDQdialog"},
    {5, Action::Modal, "SUPdialog"},
    {6, Action::Help},
    {7, Action::Quit},
    {8, Action::Modal, "BUGdisp"},
    {9, Action::Modal, "BGCdialog"},
};
constexpr Item kGdbMrt[] = {
    {1, Action::Modeless, "GRRdialog"},
    {2, Action::Command, nullptr, kRun},
    {3, Action::Command, nullptr, kHalt},
    {4, Action::Modal, "GRQdialog"},
    {5, Action::Modal, "SUPdialog"},
    {6, Action::Help},
    {7, Action::Quit},
    {8, Action::Modal, "BUGdisp"},
    {9, Action::Modal, "BGCdialog"},
};
constexpr Item kMdmMrt[] = {
    {1, Action::Modal, "MDRdialog"},
    {2, Action::Modal, "MDBdialog"},
    {3, Action::Modal, "MDPdialog"},
    {4, Action::Command, nullptr, kRun},
    {5, Action::Command, nullptr, kHalt},
    {6, Action::Modal, "MDQdialog"},
    {7, Action::Modal, "SUPdialog"},
    {8, Action::Help},
    {9, Action::Quit},
    {10, Action::Modal, "BUGdisp"},
    {11, Action::Modal, "BGCdialog"},
};

std::span<const Item> itemsOf(Mode mode) {
  switch (mode) {
    case Mode::LdbBct:
      return kLdbBct;
    case Mode::LdbMrt:
      return kLdbMrt;
    case Mode::BusMon:
      return kBusMon;
    case Mode::GdbBct:
      return kGdbBct;
    case Mode::GdbMrt:
      return kGdbMrt;
    case Mode::MdmMrt:
      return kMdmMrt;
    case Mode::None:
      break;
  }
  return {};
}

// The GDB bus controller's area of card memory that HALT clears: the two command queues.
constexpr uint32_t kGdbQueueAreas[][2] = {{0x0E00, 0x0FFE}, {0x1000, 0x11FE}};
constexpr uint16_t kGdbRunningCode = 0x41;
constexpr uint16_t kPassiveBit = 0x8000;

void runGdb(Station& station, bool passive) {
  CardContext* card = &station.card();
  uint16_t modeWord = 0;
  station.shell().lastCardResult = DUVEX_RdGdbBcModeDLL(card, &modeWord);
  modeWord = passive ? static_cast<uint16_t>(modeWord | kPassiveBit)
                     : static_cast<uint16_t>(modeWord & ~kPassiveBit);
  station.shell().lastCardResult = DUVEX_WrGdbBcModeDLL(card, modeWord);
  uint16_t state = 0;
  station.shell().lastCardResult = DUVEX_RdStatusDLL(card, &state);
  if ((state & 0x00FF) != kGdbRunningCode) {
    station.shell().lastCardResult = DUVEX_CommandDLL(card, kRun);
  }
}

void haltGdb(Station& station) {
  CardContext* card = &station.card();
  station.shell().lastCardResult = DUVEX_CommandDLL(card, kHalt);
  station.gdbQueueCounters() = GdbQueueCounters{};
  for (const auto& area : kGdbQueueAreas) {
    for (uint32_t address = area[0]; address <= area[1]; address += 2) wWDLL(card, address, 0);
  }
}

uint16_t perform(Station& station, Mode mode, const Item& item) {
  CardContext* card = &station.card();
  switch (item.action) {
    case Action::Modeless:
      station.openPage(item.page, false);
      break;
    case Action::Modal:
      station.openPage(item.page, true);
      break;
    case Action::Command:
      station.shell().lastCardResult = DUVEX_CommandDLL(card, item.code);
      break;
    case Action::Help:
      station.windows().openHelp(kHelpFile, modeInfo(mode)->help);
      break;
    case Action::Quit: {
      std::string caption = std::string("Quit ") + modeInfo(mode)->name + " mode";
      auto answer = station.windows().messageBox("Are you sure?", caption, winsys::Buttons::YesNo,
                                                 winsys::Icon::Question);
      return answer == winsys::Answer::Yes ? 1 : 0;
    }
    case Action::RunMonitor:
      if (card->cardType != setup::kCardTorb) {
        station.shell().lastCardResult = DUVEX_ClrMonStackDLL(card);
      }
      station.shell().lastCardResult = DUVEX_RunMonDLL(card);
      break;
    case Action::GdbActive:
      runGdb(station, false);
      break;
    case Action::GdbPassive:
      runGdb(station, true);
      break;
    case Action::GdbHalt:
      haltGdb(station);
      break;
  }
  return 0;
}

}  // namespace

uint16_t runModeMenu(Station& station, Mode mode, int id) {
  for (const Item& item : itemsOf(mode)) {
    if (item.id == id) return perform(station, mode, item);
  }
  return 0;  // the blank first item, and ids the menu does not know
}

uint16_t LDBBCTmenu(Station& station, int id) { return runModeMenu(station, Mode::LdbBct, id); }
uint16_t LDBMRTmenu(Station& station, int id) { return runModeMenu(station, Mode::LdbMrt, id); }
uint16_t BUSMONmenu(Station& station, int id) { return runModeMenu(station, Mode::BusMon, id); }
uint16_t GDBBCTmenu(Station& station, int id) { return runModeMenu(station, Mode::GdbBct, id); }
uint16_t GDBMRTmenu(Station& station, int id) { return runModeMenu(station, Mode::GdbMrt, id); }
uint16_t MDMMRTmenu(Station& station, int id) { return runModeMenu(station, Mode::MdmMrt, id); }

}  // namespace app
