// The operating modes: entering, routing, leaving, and the once-a-second status line.
#pragma once

#include <cstdint>
#include <string>

#include "app/station.h"

namespace app {

struct ModeInfo {
  Mode mode;
  const char* name;  // "LDB_BCT"
  int topMenuId;     // the top-menu item that enters it
  const char* menu;  // its menu resource
  const char* help;  // the help file's section for the mode
};

// The six modes in top-menu order.
const ModeInfo* modeInfo(Mode mode);
const ModeInfo* modeByTopMenuId(int id);
std::string modeTitle(Mode mode);

// The 16-character status text of a card state word.
const char* statusText(uint16_t stateWord);

// Guards the top-menu items that need the card; shows its own box when it refuses.
bool CheckCardReady(Station& station, int commandId);

void enterMode(Station& station, const ModeInfo& mode);
void routeCommand(Station& station, int commandId);
void leaveMode(Station& station);
void statusTick(Station& station);

}  // namespace app
