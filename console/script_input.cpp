#include "console/script_input.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace console {

LineRead readScriptLine(std::istream& script, std::string& line, std::string& why) {
  line.clear();
  std::streambuf* in = script.rdbuf();
  if (!in) return LineRead::End;
  bool any = false;
  try {
    for (;;) {
      const std::streambuf::int_type c = in->sbumpc();
      if (std::streambuf::traits_type::eq_int_type(c, std::streambuf::traits_type::eof()))
        return any ? LineRead::Line : LineRead::End;
      any = true;
      if (c == '\n') return LineRead::Line;
      // A "\r" before the "\n" is part of the end of line, not of the line.
      const bool endOfLine = c == '\r' && line.size() == kLongestLine;
      if (line.size() >= kLongestLine && !endOfLine) return LineRead::TooLong;
      line.push_back(std::streambuf::traits_type::to_char_type(c));
    }
  } catch (const std::system_error& e) {  // the file streams' read errors are these too
    why = e.code().message();
  } catch (...) {
    why = "read error";
  }
  return LineRead::Failed;
}

DescriptorBuf::int_type DescriptorBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  ssize_t n;
  do {
    n = ::read(fd_, buffer_, sizeof buffer_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw std::system_error(errno, std::generic_category());
  if (n == 0) return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + n);
  return traits_type::to_int_type(*gptr());
}

}  // namespace console
