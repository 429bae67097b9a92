// Writing a file so that a failure never destroys the file that was there: the bytes go to a
// temporary file in the same directory, which replaces the target only once all are written.
// And reading a file whole, with the same view of write-protected files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

enum class WriteOutcome {
  Written,
  CannotOpen,   // the target is write-protected, or no temporary file could be made
  WriteFailed,  // a write (or the final replace) failed; the target is untouched
};

WriteOutcome writeFileAtomically(const std::string& path, std::string_view bytes);

// Reading a whole file (or its first `limit` bytes) at once. A file opened for update must also
// be writable by its owner, so a write-protected file is refused as the writer above refuses it.
// nullopt when the path is no regular file or cannot be opened so.
enum class OpenFor { Reading, Update };
std::optional<std::string> readFileStart(const std::string& path, OpenFor mode,
                                         size_t limit = std::numeric_limits<size_t>::max());

}  // namespace setup
