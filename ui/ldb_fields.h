// What the local-bus pages share: the error-type table, the data pages, the data-word buffer
// that the message page and the terminal page both edit, and the "Init TX Data" stamp.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "card/records.h"
#include "winsys/winsys.h"

namespace ui {

struct ErrorTypeEntry {
  const char* name;  // ten characters, blank-filled
  uint16_t code;
};
inline constexpr std::array<ErrorTypeEntry, 5> kLdbErrorTypes = {{
    {"No Errors", 0x0100},
    {"Parity    ", 0x0000},
    {"Manchester", 0x0080},
    {"Sync      ", 0x0040},
    {"Bit Count ", 0x00C0},
}};

// The last entry whose code equals `code`, 0 if none does.
int ldbErrorTypeIndex(uint16_t code);

// An Error button: the next error type, its name shown in `field`; returns its code.
uint16_t stepErrorType(winsys::Dialog& page, int field, int& index);

// The data words of a message or a terminal buffer, one 24-bit word per entry. The card is told
// a word limit of 1024, so the buffers have room for that many even though 512 are shown.
inline constexpr int kDataWordsShown = 512;
inline constexpr int kDataWordRoom = 1024;
using DataWords = std::array<uint32_t, kDataWordRoom>;

// The data-word buffer of the station, shared by the message page and the terminal page's TX box.
struct SharedDataWords {
  DataWords words{};
};

// The data spin of both pages: one page of `pageWords` up (the last wrapping to 0) or down (0
// wrapping to `lastOffset`). False for the actions that step nothing.
bool stepPageOffset(int& offset, winsys::ScrollAction action, int pageWords, int lastOffset);
std::string pageText(int offset, int pageWords);  // "Page: N"

// Keeps each word's data bits 18..3, puts `rt` in bits 23..19 and the code 101 in bits 2..0.
void stampTxData(DataWords& words, uint16_t rt);

}  // namespace ui
