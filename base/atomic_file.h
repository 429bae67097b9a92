// Writing a file so that a failure never destroys the file that was there: the bytes go to a
// temporary file in the target's directory, which replaces the target only once all are
// written. A symbolic link is followed: its target gets the bytes and the link stays. What is no
// file to replace is written where it is: a character device (a terminal, /dev/null), and the
// program's own standard output or error (/dev/stdout, or the file a transcript is redirected
// to), which get the bytes after what the program has printed. And reading the start of a file,
// with the same view of write-protected files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace base {

enum class WriteOutcome {
  Written,
  CannotOpen,   // the target is write-protected, or no temporary file could be made
  WriteFailed,  // a write (or the final replace) failed; the target is untouched
};

// Writes all of `bytes` to `fd`, going on after an interrupted or short write. False when a
// write fails (errno says why).
bool writeAll(int fd, std::string_view bytes);

// With `errorNumber`, a failure leaves there the system's reason (an errno value: ELOOP for
// links that go round, ENAMETOOLONG, EISDIR, EACCES for a write-protected target, EINVAL for
// another kind of file), 0 when it has none.
WriteOutcome writeFileAtomically(const std::string& path, std::string_view bytes,
                                 int* errorNumber = nullptr);

// Reading the first `limit` bytes of a file (all of it when it is shorter): every caller names
// the most it can use, so no file is ever read whole into memory whatever its size. A file
// opened for update must also be writable by its owner, so a write-protected file is refused as
// the writer above refuses it. nullopt when the path is no regular file (a directory, a named
// pipe, a device: refused at once, never waited on) or cannot be opened so.
enum class OpenFor { Reading, Update };
std::optional<std::string> readFileStart(const std::string& path, OpenFor mode, size_t limit);

}  // namespace base
