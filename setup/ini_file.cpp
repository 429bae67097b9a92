#include "setup/ini_file.h"

#include <filesystem>
#include <fstream>

namespace setup {

uint16_t loadSettings(CardSettings& settings, const std::string& path) {
  settings = CardSettings();
  uint16_t status = 0;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::ifstream file(path, std::ios::binary);
    if (!file || !std::filesystem::is_regular_file(path, ec)) {
      status = kFileCannotOpen;
    } else {
      for (int i = 0; i < CardSettings::kCount; ++i) {
        unsigned char bytes[2];
        if (!file.read(reinterpret_cast<char*>(bytes), 2)) {
          status = kFileReadFailed;
          break;
        }
        settings.word(i) = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
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
