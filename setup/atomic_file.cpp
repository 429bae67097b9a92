#include "setup/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace setup {
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

}  // namespace

WriteOutcome writeFileAtomically(const std::string& linkOrPath, std::string_view bytes) {
  const std::optional<std::string> target = resolveLinks(linkOrPath);
  if (!target) return WriteOutcome::CannotOpen;
  const std::string& path = *target;
  // A target the operator has write-protected stays protected, even for a privileged user.
  struct stat existing {};
  bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)) {
    return WriteOutcome::CannotOpen;
  }
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return WriteOutcome::CannotOpen;
  ::fchmod(fd, exists ? (existing.st_mode & 07777) : 0644);

  size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(name.data(), path.c_str()) == 0;
  if (!ok) {
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

}  // namespace setup
