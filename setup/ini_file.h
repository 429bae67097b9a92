// XARN_WIN.INI: the eighteen settings as 36 bytes, little-endian words, nothing else.
#pragma once

#include <cstdint>
#include <string>

#include "setup/card_settings.h"

namespace setup {

// Defaults, then the file's words; a complete (or missing) file is written back at once as
// exactly 36 bytes. 0, 900 (cannot open), 902 (short file), or the save's status.
uint16_t loadSettings(CardSettings& settings, const std::string& path = kIniFileName);

// 0, 900 (cannot create or write-protected) or 901 (a write failed). The file that was there
// stays intact on any failure.
uint16_t saveSettings(const CardSettings& settings, const std::string& path = kIniFileName);

}  // namespace setup
