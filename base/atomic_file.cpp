#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace base {
namespace {

// The file a path finally names: symbolic links are followed (a relative link from the link's
// own directory), so that a save replaces the link's target and the link stays. nullopt for a
// chain of links that does not end (a loop).
std::optional<std::string> resolveLinks(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr int kMostLinks = 40;
  fs::path at = path;
  std::error_code ec;
  for (int hop = 0; fs::is_symlink(at, ec); ++hop) {
    fs::path target = fs::read_symlink(at, ec);
    if (ec || hop == kMostLinks) return std::nullopt;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return at.string();
}

// Standard output or error when `file` is where one of them goes (/dev/stdout, or the file the
// program's transcript is redirected to), else -1. Such a file is being written by the program
// itself: renaming over it would throw away what it printed, and writing it from its start would
// overwrite it, so the bytes follow the output through the program's own descriptor.
int ownOutput(const struct stat& file) {
  for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat out {};
    if (::fstat(fd, &out) == 0 && out.st_dev == file.st_dev && out.st_ino == file.st_ino) return fd;
  }
  return -1;
}

// A character device (a terminal, /dev/null) takes the bytes where it is: it has no directory
// entry of its own to replace.
WriteOutcome writeToDevice(const std::string& path, std::string_view bytes, int& error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    error = errno;
    return WriteOutcome::CannotOpen;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);  // only the open must not wait
  bool ok = writeAll(fd, bytes);
  if (!ok) error = errno;
  ok = ::close(fd) == 0 && ok;
  return ok ? WriteOutcome::Written : WriteOutcome::WriteFailed;
}

// The temporary file's name beside `path`: the file's own name, cut short so that the name with
// its six random characters still fits where the file's own does.
std::string temporaryPattern(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr size_t kLongestStem = 200;
  const fs::path file = path;
  std::string stem = file.filename().string().substr(0, kLongestStem);
  return (file.parent_path() / (stem + ".XXXXXX")).string();
}

}  // namespace

bool writeAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

WriteOutcome writeFileAtomically(const std::string& linkOrPath, std::string_view bytes,
                                 int* errorNumber) {
  int ignored = 0;
  int& error = errorNumber ? *errorNumber : ignored;
  error = 0;
  auto refuse = [&error](int why) {
    error = why;
    return WriteOutcome::CannotOpen;
  };
  // What the path reaches once the system has followed every link, /dev/stdout's included.
  struct stat existing {};
  bool exists = ::stat(linkOrPath.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return refuse(errno);  // a loop, a name too long, ...
  if (exists) {
    if (int fd = ownOutput(existing); fd >= 0) {
      std::fflush(fd == STDOUT_FILENO ? stdout : stderr);
      if (writeAll(fd, bytes)) return WriteOutcome::Written;
      error = errno;
      return WriteOutcome::WriteFailed;
    }
    if (S_ISCHR(existing.st_mode)) return writeToDevice(linkOrPath, bytes, error);
    if (S_ISDIR(existing.st_mode)) return refuse(EISDIR);
    if (!S_ISREG(existing.st_mode)) return refuse(EINVAL);
    // A target the operator has write-protected stays protected, even for a privileged user.
    if ((existing.st_mode & S_IWUSR) == 0) return refuse(EACCES);
  }
  const std::optional<std::string> target = resolveLinks(linkOrPath);
  if (!target) return refuse(ELOOP);
  const std::string& path = *target;
  std::string pattern = temporaryPattern(path);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return refuse(errno);
  ::fchmod(fd, exists ? (existing.st_mode & 07777) : 0644);

  bool ok = writeAll(fd, bytes);
  ok = ok && ::fsync(fd) == 0;
  if (!ok) error = errno;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(name.data(), path.c_str()) == 0;
  if (!ok) {
    if (error == 0) error = errno;
    ::unlink(name.data());
    return WriteOutcome::WriteFailed;
  }
  return WriteOutcome::Written;
}

std::optional<std::string> readFileStart(const std::string& path, OpenFor mode, size_t limit) {
  // Opened without waiting, so that a named pipe or a device where a file is expected is refused
  // at once instead of blocking the station until something writes to it.
  int fd = ::open(path.c_str(), (mode == OpenFor::Update ? O_RDWR : O_RDONLY) | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  bool usable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                (mode == OpenFor::Reading || (info.st_mode & S_IWUSR) != 0);
  std::string bytes;
  if (usable) bytes.reserve(std::min(limit, static_cast<size_t>(info.st_size)));
  char chunk[1 << 16];
  while (usable && bytes.size() < limit) {
    size_t want = std::min(sizeof chunk, limit - bytes.size());
    ssize_t n = ::read(fd, chunk, want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  if (!usable) return std::nullopt;
  return bytes;
}

}  // namespace base
