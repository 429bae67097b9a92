#include "ui/fields.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ui/status_texts.h"

namespace ui {
namespace {

constexpr int kLineBuffer = 100;  // characters a hex line is read into, terminator included

// Reads a binary pattern of `positions` characters, most significant bit first.
uint16_t bitsFromPattern(std::string_view text, int positions, uint16_t* errorFlag) {
  uint16_t value = 0;
  for (int i = 0; i < positions; ++i) {
    char c = i < static_cast<int>(text.size()) ? text[static_cast<size_t>(i)] : '\0';
    uint16_t bit = static_cast<uint16_t>(1u << (positions - 1 - i));
    if (c == '1') {
      value |= bit;
    } else if (c != '0') {
      *errorFlag |= 1;
    }
  }
  return value;
}

std::string patternFromBits(uint16_t value, int positions) {
  std::string text;
  for (int i = positions - 1; i >= 0; --i) text += (value >> i) & 1 ? '1' : '0';
  return text;
}

int patternPositions(uint16_t errorType) {
  if (errorType == kErrorTypeSync) return 6;
  if (errorType == kErrorTypeSev) return 3;
  return 0;
}

constexpr uint64_t kPast32Bits = uint64_t{1} << 32;

}  // namespace

uint16_t ScrollBarID(const winsys::Dialog& page, uint32_t param) {
  // The older message layout carries the handle in the high half; try that first.
  int id = page.controlIdOfHandle(static_cast<uint16_t>(param >> 16));
  if (id == 0) id = page.controlIdOfHandle(static_cast<uint16_t>(param & 0xFFFF));
  return static_cast<uint16_t>(id);
}

namespace {

// The digit scans behind DecToNum and HexToNum. The value wraps modulo 2^32 as the helpers
// promise; `whole` follows it without wrapping, held at 2^32 once it gets there, for the field
// readers that refuse a number too large for their field.
uint32_t scanDecimal(std::string_view text, uint16_t* errorFlag, uint64_t& whole) {
  uint32_t value = 0;
  whole = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      *errorFlag |= 1;
      break;
    }
    auto digit = static_cast<uint32_t>(c - '0');
    value = value * 10u + digit;
    whole = std::min<uint64_t>(whole * 10u + digit, kPast32Bits);
  }
  return value;
}

uint32_t scanHex(std::string& text, uint16_t* errorFlag, uint64_t& whole) {
  uint32_t value = 0;
  whole = 0;
  for (char& c : text) {
    if (static_cast<unsigned char>(c) > '9') c = static_cast<char>(c & ~0x20);
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      *errorFlag |= 1;
      break;
    }
    value = value * 16u + digit;
    whole = std::min<uint64_t>(whole * 16u + digit, kPast32Bits);
  }
  return value;
}

// A number read whole (`whole`) or as the helpers wrap it (`value`): flagged past `max`, and
// given to the page cut to `max`'s width as a cast would cut it.
uint32_t checked(uint64_t whole, uint32_t value, uint32_t max, uint16_t* errorFlag) {
  if (whole > max) *errorFlag |= 1;
  return value & max;
}

}  // namespace

uint32_t DecToNum(std::string_view text, uint16_t* errorFlag) {
  uint64_t whole = 0;
  return scanDecimal(text, errorFlag, whole);
}

uint32_t HexToNum(std::string& text, uint16_t* errorFlag) {
  uint64_t whole = 0;
  return scanHex(text, errorFlag, whole);
}

uint16_t ErrFieldToNum(uint16_t errorType, std::string_view text, uint16_t* errorFlag) {
  if (int positions = patternPositions(errorType)) {
    return bitsFromPattern(text, positions, errorFlag);
  }
  return static_cast<uint16_t>(DecToNum(text, errorFlag));
}

std::string FieldText(const winsys::Dialog& page, int id, int limit, uint16_t* errorFlag) {
  // One character more than the buffer takes tells whether the text was longer.
  std::string text = page.text(id, limit + 1);
  if (limit > 0 && text.size() > static_cast<size_t>(limit - 1)) {
    *errorFlag |= 1;
    text.resize(static_cast<size_t>(limit - 1));
  }
  return text;
}

uint32_t DecField(const winsys::Dialog& page, int id, int limit, uint32_t max,
                  uint16_t* errorFlag) {
  uint64_t whole = 0;
  uint32_t value = scanDecimal(FieldText(page, id, limit, errorFlag), errorFlag, whole);
  return checked(whole, value, max, errorFlag);
}

uint32_t HexField(const winsys::Dialog& page, int id, int limit, uint32_t max,
                  uint16_t* errorFlag) {
  std::string text = FieldText(page, id, limit, errorFlag);
  uint64_t whole = 0;
  uint32_t value = scanHex(text, errorFlag, whole);
  return checked(whole, value, max, errorFlag);
}

uint16_t ErrField(const winsys::Dialog& page, int id, int limit, uint16_t errorType,
                  uint16_t* errorFlag) {
  std::string text = FieldText(page, id, limit, errorFlag);
  if (patternPositions(errorType)) return ErrFieldToNum(errorType, text, errorFlag);
  uint64_t whole = 0;
  uint32_t value = scanDecimal(text, errorFlag, whole);
  return static_cast<uint16_t>(checked(whole, value, 0xFFFF, errorFlag));
}

std::string NumToErrField(uint16_t errorType, uint16_t value) {
  if (int positions = patternPositions(errorType)) return patternFromBits(value, positions);
  return decimal(value);
}

uint16_t ReadHexLines(const winsys::Dialog& page, int control, bool wide, void* words, int count) {
  auto* narrow = static_cast<uint16_t*>(words);
  auto* broad = static_cast<uint32_t*>(words);
  for (int i = 0; i < count; ++i) {
    if (wide) {
      broad[i] = 0;
    } else {
      narrow[i] = 0;
    }
  }
  uint16_t error = 0;
  int filled = 0;
  const std::vector<std::string> lines = page.editLines(control);
  for (size_t line = 0; line < lines.size() && filled < count && error == 0; ++line) {
    // A line longer than the buffer is cut to it, as the box's line copy would cut it.
    std::string text = lines[line].substr(0, kLineBuffer - 1);
    if (text.empty()) break;
    size_t pos = 0;
    while (filled < count) {
      pos = text.find_first_not_of(' ', pos);
      if (pos == std::string::npos) break;
      size_t end = text.find(' ', pos);
      std::string token = text.substr(pos, end == std::string::npos ? end : end - pos);
      pos = end;
      uint32_t value = HexToNum(token, &error);
      if (wide) {
        broad[filled] = value;
      } else {
        narrow[filled] = static_cast<uint16_t>(value);
      }
      ++filled;
      if (end == std::string::npos) break;
    }
  }
  return error;
}

void ShowHexLines(winsys::Dialog& page, int control, bool wide, const void* words, int count) {
  page.editClear(control);
  if (!words) count = 32;  // the test pattern: the words 0 to 31
  std::string text;
  text.reserve(static_cast<size_t>(count) * 7);
  char buffer[16];
  for (int i = 0; i < count; ++i) {
    uint32_t value = static_cast<uint32_t>(i);
    if (words) {
      value =
          wide ? static_cast<const uint32_t*>(words)[i] : static_cast<const uint16_t*>(words)[i];
    }
    std::snprintf(buffer, sizeof buffer, wide ? "%.06X " : "%.04X ",
                  wide ? value & 0xFFFFFF : value & 0xFFFF);
    text += buffer;
  }
  page.editAppend(control, text);
}

bool spinWrapped(uint16_t& value, winsys::ScrollAction action, uint16_t count) {
  if (action == winsys::ScrollAction::LineUp) {
    value = static_cast<uint16_t>((value + 1) % count);
  } else if (action == winsys::ScrollAction::LineDown) {
    value = static_cast<uint16_t>((value + count - 1) % count);
  } else {
    return false;
  }
  return true;
}

void ShowReport(winsys::Dialog& page, int control, uint16_t status) {
  if (status == kStatusDone) {
    page.setText(control, "Done");
  } else if (status == kStatusSyntax) {
    page.setText(control, "SYNTAX");
  } else {
    page.setText(control, decimal(status));
  }
  // The field keeps its short text; what the number means is a pointer's rest away.
  page.setToolTip(control, statusMeaning(status));
  if (status != kStatusDone) page.windows().beep();
}

std::string formatTimeTag(const TimeTag& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%.03d:%.02d:%.02d:%.02d.%.03d%.03d", t.days, t.hours, t.minutes,
                t.seconds, t.milliseconds, t.microseconds);
  return text;
}

std::string decimal(uint32_t value) { return std::to_string(value); }

std::string hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%.*X", digits, value);
  return buffer;
}

}  // namespace ui
