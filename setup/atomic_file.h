// Writing a file so that a failure never destroys the file that was there: the bytes go to a
// temporary file in the same directory, which replaces the target only once all are written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

enum class WriteOutcome {
  Written,
  CannotOpen,   // the target is write-protected, or no temporary file could be made
  WriteFailed,  // a write (or the final replace) failed; the target is untouched
};

WriteOutcome writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace setup
