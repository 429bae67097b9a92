// The station's part number and revision, as the about box and both programs' --version show
// them.
#pragma once

namespace base {

inline constexpr const char* kStationRevision = "7K20419M03 Rev 1.1";

}  // namespace base
