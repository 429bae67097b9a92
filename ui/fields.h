// Field helpers shared by every page: operator text to card values and back, word arrays in
// multi-line hex boxes, and the Report field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "card/records.h"
#include "winsys/winsys.h"

namespace ui {

// Status codes the station itself produces.
inline constexpr uint16_t kStatusDone = 0;
inline constexpr uint16_t kStatusSyntax = 999;

// Error-type codes that change how an error-injection size/position field is written.
inline constexpr uint16_t kErrorTypeSync = 0x0040;  // six binary digits
inline constexpr uint16_t kErrorTypeSev = 0x1100;   // three binary digits

// The control id of the scroll bar that sent a scroll notification, 0 if none.
uint16_t ScrollBarID(const winsys::Dialog& page, uint32_t param);

// Decimal digits only; the first other character sets *errorFlag and ends the scan. Wraps
// modulo 2^32.
uint32_t DecToNum(std::string_view text, uint16_t* errorFlag);

// Hexadecimal digits; lower-case letters are turned upper-case in the text itself.
uint32_t HexToNum(std::string& text, uint16_t* errorFlag);

uint16_t ErrFieldToNum(uint16_t errorType, std::string_view text, uint16_t* errorFlag);
std::string NumToErrField(uint16_t errorType, uint16_t value);

// The text of a field as a page reads it into a buffer of `limit` characters, terminator
// included. A longer text sets *errorFlag: cutting it would change the number the operator
// typed (0000070000 read as 7000).
std::string FieldText(const winsys::Dialog& page, int id, int limit, uint16_t* errorFlag);

// A number field of a card record: FieldText, then decimal or hexadecimal digits whose value
// must not pass `max`. The check sees the whole number before it could wrap modulo 2^32, so a
// hex 10000ABCD is refused, not taken as ABCD. Returns the value cut to `max`'s width.
uint32_t DecField(const winsys::Dialog& page, int id, int limit, uint32_t max, uint16_t* errorFlag);
uint32_t HexField(const winsys::Dialog& page, int id, int limit, uint32_t max, uint16_t* errorFlag);

// A Size/Posn field: FieldText, then ErrFieldToNum; a decimal size past 16 bits is refused.
uint16_t ErrField(const winsys::Dialog& page, int id, int limit, uint16_t errorType,
                  uint16_t* errorFlag);

// Word arrays in multi-line boxes: 16-bit words, or 32-bit elements holding 24-bit words when
// `wide` is set. A null `words` shows the test pattern 0 to 31.
uint16_t ReadHexLines(const winsys::Dialog& page, int control, bool wide, void* words, int count);
void ShowHexLines(winsys::Dialog& page, int control, bool wide, const void* words, int count);

// The next index of a cycle of `size` entries.
inline int nextIndex(int index, std::size_t size) {
  return index + 1 >= static_cast<int>(size) ? 0 : index + 1;
}

// The spins of the pages: the line-up arrow adds one and the line-down arrow takes one, wrapping
// within 0 to count - 1. False, with the value as it was, for every other action.
bool spinWrapped(uint16_t& value, winsys::ScrollAction action, uint16_t count);

// "Done" for 0, "SYNTAX" for 999, else the number; beeps for everything but 0. The field's tool
// tip says what the status means ("251: a value the card refuses (out of range)").
void ShowReport(winsys::Dialog& page, int control, uint16_t status);

// A flag word as the queue lines show it: the text of every set bit, in the table's order.
struct FlagName {
  int bit;
  const char* text;
};
template <std::size_t N>
std::string flagNames(uint32_t value, const std::array<FlagName, N>& table) {
  std::string text;
  for (const FlagName& f : table) {
    if (value >> f.bit & 1) text += f.text;
  }
  return text;
}

// A card time tag as "ddd:hh:mm:ss.mmmuuu".
std::string formatTimeTag(const TimeTag& t);

// Small conveniences the pages share.
std::string decimal(uint32_t value);
std::string hex(uint32_t value, int digits);  // upper case, zero-padded

}  // namespace ui
