#include "setup/ini_file.h"

#include <filesystem>

#include "base/atomic_file.h"

namespace setup {

// A file that is there but no regular file (a directory, a named pipe) cannot be opened: 900,
// at once. A short file keeps the settings it gave and the defaults after them: 902.
uint16_t loadSettings(CardSettings& settings, const std::string& path) {
  settings = CardSettings();
  uint16_t status = 0;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    constexpr size_t kBytes = 2 * static_cast<size_t>(CardSettings::kCount);
    std::optional<std::string> bytes = base::readFileStart(path, base::OpenFor::Reading, kBytes);
    if (!bytes) {
      status = kFileCannotOpen;
    } else {
      for (size_t i = 0; i < static_cast<size_t>(CardSettings::kCount); ++i) {
        if (2 * i + 1 >= bytes->size()) {
          status = kFileReadFailed;
          break;
        }
        auto low = static_cast<unsigned char>((*bytes)[2 * i]);
        auto high = static_cast<unsigned char>((*bytes)[2 * i + 1]);
        settings.word(static_cast<int>(i)) = static_cast<uint16_t>(low | high << 8);
      }
    }
  }
  if (status == 0) status = saveSettings(settings, path);
  return status;
}

uint16_t saveSettings(const CardSettings& settings, const std::string& path) {
  std::string bytes;
  for (int i = 0; i < CardSettings::kCount; ++i) {
    bytes += static_cast<char>(settings.word(i) & 0xFF);
    bytes += static_cast<char>(settings.word(i) >> 8);
  }
  return saveFile(path, bytes);
}

}  // namespace setup
