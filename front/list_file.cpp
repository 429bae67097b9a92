#include "front/list_file.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "base/atomic_file.h"
#include "ui/list_values.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Why the writer could not start on `path`, from the system's reason `error` and, where that
// names no culprit, a second look at the path.
std::string whyNotWritable(const std::string& path, int error) {
  switch (error) {
    case ELOOP:
      return "its symbolic links go round in a loop";
    case ENAMETOOLONG:
      return "the name is too long";
    case EISDIR:
      return "it is a directory";
    case EINVAL:
      return "it is not a regular file";
    default:
      break;
  }
  std::error_code ec;
  const fs::file_status target = fs::status(path, ec);  // through links
  if (fs::exists(target) && (target.permissions() & fs::perms::owner_write) == fs::perms::none) {
    return "it is write-protected";
  }
  fs::path folder = fs::path(path).parent_path();
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) folder = resolved.parent_path();
  }
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec)) return "no such directory " + folder.string();
  return "the directory " + folder.string() + " cannot be written";
}

}  // namespace

std::string saveCsv(const std::string& path, const std::string& csv) {
  if (path.empty()) return "no file name given";
  const std::string prefix = "cannot write " + path + ": ";
  int error = 0;
  switch (base::writeFileAtomically(path, csv, &error)) {
    case base::WriteOutcome::Written:
      return {};
    case base::WriteOutcome::CannotOpen:
      return prefix + whyNotWritable(path, error);
    case base::WriteOutcome::WriteFailed:
      return prefix + "the write failed (is the disk full?); nothing was changed";
  }
  return prefix + "unknown failure";
}

std::string saveListAsCsv(const std::string& path, const std::string& page, int listId,
                          const std::vector<std::string>& columns,
                          const std::vector<std::string>& lines) {
  return saveCsv(path, ui::listCsv(page, listId, columns, lines));
}

}  // namespace cli
