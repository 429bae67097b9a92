#include "console/list_file.h"

#include <unistd.h>

#include <filesystem>

#include "setup/atomic_file.h"
#include "winsys/list_capture.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Why the writer could not start on `path`: looked at again here, since the writer only says
// that it could not.
std::string whyNotWritable(const std::string& path) {
  std::error_code ec;
  const fs::file_status target = fs::status(path, ec);  // through links
  if (fs::is_directory(target)) return "it is a directory";
  if (fs::exists(target) && !fs::is_regular_file(target)) return "it is not a regular file";
  if (fs::exists(target) && (target.permissions() & fs::perms::owner_write) == fs::perms::none) {
    return "it is write-protected";
  }
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    folder = fs::weakly_canonical(path, ec).parent_path();
  }
  if (!fs::is_directory(folder, ec)) return "no such directory " + folder.string();
  return "the directory " + folder.string() + " cannot be written";
}

}  // namespace

std::string saveListAsCsv(const std::string& path, const std::vector<std::string>& columns,
                          const std::vector<std::string>& lines) {
  if (path.empty()) return "no file name given";
  const std::string prefix = "cannot write " + path + ": ";
  switch (setup::writeFileAtomically(path, winsys::listAsCsv(columns, lines))) {
    case setup::WriteOutcome::Written:
      return {};
    case setup::WriteOutcome::CannotOpen:
      return prefix + whyNotWritable(path);
    case setup::WriteOutcome::WriteFailed:
      return prefix + "the write failed (is the disk full?); nothing was changed";
  }
  return prefix + "unknown failure";
}

}  // namespace cli
