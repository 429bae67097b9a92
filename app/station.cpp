#include "app/station.h"

#include "app/modes.h"
#include "app/page_table.h"
#include "resources/resources.h"
#include "setup/ini_file.h"

namespace app {
namespace {

// The station's own text colours for its run: navy window text, green highlighted text.
constexpr winsys::WindowSystem::Colours kStationColours{0x800000, 0x008000};

constexpr int kTopSetup = 5;
constexpr int kTopDebugEdit = 4;
constexpr int kTopHelp = 6;
constexpr int kTopQuit = 7;
constexpr int kTopAbout = 8;
constexpr int kTopDebugCmnd = 9;

}  // namespace

Station::Station(winsys::WindowSystem& windows) : windows_(windows) {}

// The card goes with the station: nothing else frees a simulated card.
Station::~Station() {
  windows_.setMainWindowProc(nullptr);
  DUVEX_CloseDLL(&card_);
}

void Station::create() {
  windows_.setMainWindowProc(this);
  shell_ = ShellState();
  savedColours_ = windows_.colours();
  windows_.setColours(kStationColours);
  DUVEX_CloseDLL(&card_);  // a second create starts from a fresh card
  card_ = CardContext{};
  setupRecord_ = SetupRecord{};
  windows_.setTitle(kMainTitle);
  if (const winsys::Menu* top = resources::menu("TOP_MENU")) windows_.setMenu(*top);
  shell_.lastCardResult = setup::loadSettings(settings_);
}

bool Station::openPage(const std::string& procedure, bool modal) {
  const PageEntry* entry = findPage(procedure);
  const winsys::DialogTemplate* layout = entry ? resources::dialog(entry->layout) : nullptr;
  if (!entry || !entry->make || !layout) {
    notice("no page " + procedure + (entry ? std::string(" (") + entry->layout + ")" : "") +
           " in this build");
    return false;
  }
  auto factory = [this, make = entry->make](winsys::Dialog& dialog) { return make(*this, dialog); };
  bool repaint =
      modal ? windows_.openModal(*layout, factory) != 0 : windows_.openModeless(*layout, factory);
  if (repaint) windows_.invalidate();
  return repaint;
}

void Station::menuCommand(int id) {
  if (ended_) return;
  if (shell_.mode != Mode::None) {
    routeCommand(*this, id);
    return;
  }
  if (const ModeInfo* mode = modeByTopMenuId(id)) {
    enterMode(*this, *mode);
    return;
  }
  switch (id) {
    case kTopSetup:
      openPage("SETUPdialog", false);
      break;
    case kTopDebugEdit:
      if (CheckCardReady(*this, id)) openPage("BUGdisp", true);
      break;
    case kTopDebugCmnd:
      if (CheckCardReady(*this, id)) openPage("BGCdialog", true);
      break;
    case kTopHelp:
      windows_.openHelp(kHelpFile, "");
      break;
    case kTopAbout:
      openPage("ABOUTdialog", false);
      break;
    case kTopQuit:
      quit();
      break;
    default:
      break;  // the blank first item
  }
}

void Station::timer(int id) {
  if (id == kStatusTimer && !ended_) statusTick(*this);
}

void Station::destroy() { endRun(); }

void Station::quit() {
  auto answer = windows_.messageBox("Are you sure?", "Quit XARN_WIN", winsys::Buttons::YesNo,
                                    winsys::Icon::Question);
  if (answer == winsys::Answer::Yes) endRun();
}

void Station::endRun() {
  if (ended_) return;
  ended_ = true;
  windows_.setColours(savedColours_);
  windows_.stopMainTimer(kStatusTimer);
  windows_.quit(0);
}

}  // namespace app
