// What the MDM pages share: the MDM error types and message types.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ui/ldb_fields.h"

namespace ui {

// MdmErrorTypes: the name shown and the code the records carry.
inline constexpr std::array<ErrorTypeEntry, 10> kMdmErrorTypes = {{
    {"Parity   ", 0x0000},
    {"Sync      ", 0x0040},
    {"Manchester", 0x0080},
    {"Bit Count ", 0x00C0},
    {"No Errors ", 0x0100},
    {"No Resp  ", 0x0300},
    {"Wordcount+", 0x0500},
    {"Wordcount-", 0x0900},
    {"SEV error ", 0x1100},
    {"RT address", 0x2100},
}};

// The first entry whose code equals `code`; -1 when none does.
int mdmErrorTypeIndex(uint16_t code);

// MdmMessageTypes, by message type code.
inline constexpr std::array<const char*, 13> kMdmMessageTypes = {
    "RCP", "EPS", "OTI", "IFI", "RBT", "MRS", "RCW", "LBT", "BT1", "BT2", "BT3", "BT4", "ILL"};
inline constexpr uint16_t kMdmMessageIll = 12;

// The name of message type `code`; a code the table does not have is shown by its number.
std::string mdmMessageTypeName(uint16_t code);

}  // namespace ui
