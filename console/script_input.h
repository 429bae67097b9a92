// Reading the console's script a line at a time: lines have a bound, and a read that fails is
// told apart from the end of the script.
#pragma once

#include <cstddef>
#include <istream>
#include <streambuf>
#include <string>

namespace console {

// The longest script line, in characters, not counting its end of line. Nothing a script does
// needs more; past it the line is an error and the rest of it is never read, so that an endless
// line (a device that never ends one) costs no more memory than this.
inline constexpr std::size_t kLongestLine = std::size_t{1} << 20;

enum class LineRead {
  Line,     // `line` holds the next line, without its end of line
  End,      // the script has ended
  TooLong,  // the line runs past kLongestLine
  Failed,   // the script could not be read (`why` says how)
};

// The next line of `script`. A last line without an end of line is still a line.
LineRead readScriptLine(std::istream& script, std::string& line, std::string& why);

// Standard input (or any open descriptor) as a stream whose read errors are errors: a read that
// fails throws, which readScriptLine reports as Failed, where the C library's standard input
// would end the script as if it were complete.
class DescriptorBuf final : public std::streambuf {
 public:
  explicit DescriptorBuf(int fd) : fd_(fd) {}

 protected:
  int_type underflow() override;

 private:
  int fd_;
  char buffer_[1 << 16];
};

}  // namespace console
