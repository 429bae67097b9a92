// The six mode menu handlers, one table each.
#pragma once

#include <cstdint>

#include "app/station.h"

namespace app {

// Runs menu command `id` of mode `mode`'s menu. 1 when the operator confirmed QUIT, else 0.
uint16_t runModeMenu(Station& station, Mode mode, int id);

// The named handlers, as the operator's manual names them.
uint16_t LDBBCTmenu(Station& station, int id);
uint16_t LDBMRTmenu(Station& station, int id);
uint16_t BUSMONmenu(Station& station, int id);
uint16_t GDBBCTmenu(Station& station, int id);
uint16_t GDBMRTmenu(Station& station, int id);
uint16_t MDMMRTmenu(Station& station, int id);

}  // namespace app
