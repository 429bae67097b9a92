#include "setup/setup_files.h"

#include <algorithm>
#include <filesystem>

#include "base/atomic_file.h"
#include "setup/card_settings.h"
#include "ui/fields.h"

namespace setup {
namespace {

enum Control {
  kReport = 1,
  kFile = 2,
  kGet = 3,
  kSave = 4,
  kQuit = 6,
  kFiles = 7,
};

constexpr int kNameLimit = 60;  // at most 59 characters are read
constexpr std::string_view kExtension = ".SUP";
constexpr size_t kMinimumName = 5;
// What a load needs: the header and every image word; the trailer is not read.
constexpr size_t kLoadBytes = 2 * (1 + static_cast<size_t>(kImageWords));

void putWord(std::string& bytes, uint16_t word) {
  bytes += static_cast<char>(word & 0xFF);
  bytes += static_cast<char>(word >> 8);
}

uint16_t wordAt(const std::string& bytes, size_t index) {
  auto low = static_cast<unsigned char>(bytes[2 * index]);
  auto high = static_cast<unsigned char>(bytes[2 * index + 1]);
  return static_cast<uint16_t>(low | high << 8);
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool endsWithSup(const std::string& name) {
  if (name.size() < kExtension.size()) return false;
  std::string tail = name.substr(name.size() - kExtension.size());
  std::transform(tail.begin(), tail.end(), tail.begin(), upper);
  return tail == kExtension;
}

}  // namespace

uint16_t SaveSetup(CardContext* card, const std::string& name) {
  std::string bytes;
  bytes.reserve(kSetupFileBytes);
  putWord(bytes, card->operatingMode);
  uint16_t word = 0;
  for (uint32_t address = kImageFirst; address <= kImageLast; address += 2) {
    word = rWDLL(card, address);
    putWord(bytes, word);
  }
  putWord(bytes, word);  // the trailer: the last image word once more
  return saveFile(name, bytes);
}

uint16_t LoadSetup(CardContext* card, const std::string& name) {
  std::optional<std::string> bytes = base::readFileStart(name, base::OpenFor::Reading, kLoadBytes);
  if (!bytes) return kFileCannotOpen;
  if (bytes->size() < 2) return kFileReadFailed;
  if (wordAt(*bytes, 0) != card->operatingMode) return kFileRefused;
  if (bytes->size() < kLoadBytes) return kFileReadFailed;
  for (uint32_t i = 0; i < kImageWords; ++i)
    wWDLL(card, kImageFirst + 2 * i, wordAt(*bytes, 1 + i));
  return 0;
}

std::optional<std::string> setupFileName(std::string_view typed) {
  std::string name(typed);
  std::transform(name.begin(), name.end(), name.begin(), upper);
  if (name.size() < kMinimumName || !name.ends_with(kExtension)) return std::nullopt;
  return name;
}

std::vector<std::string> listSetupFiles() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(".", ec)) {
    std::string name = entry.path().filename().string();
    if (endsWithSup(name) && entry.is_regular_file(ec)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// ---- The page

void SUPdialog::init() {
  dialog_.listReset(kFiles);
  for (const std::string& name : listSetupFiles()) dialog_.listAdd(kFiles, name);
}

void SUPdialog::command(int id) {
  if (id == kGet) {
    getSetup();
  } else if (id == kSave) {
    saveSetup();
  } else if (id == kQuit) {
    dialog_.end(0);
  }
}

// A listed file is loaded under its name exactly as listed; a typed one as setupFileName makes it.
void SUPdialog::getSetup() {
  uint16_t status = kFileRefused;
  int selected = dialog_.listSelection(kFiles);
  if (selected >= 0) {
    std::string name = dialog_.listLine(kFiles, selected);
    dialog_.setText(kFile, name);
    status = LoadSetup(card(), name);
  } else if (auto name = setupFileName(dialog_.text(kFile, kNameLimit))) {
    status = LoadSetup(card(), *name);
  }
  ui::ShowReport(dialog_, kReport, status);
}

void SUPdialog::saveSetup() {
  uint16_t status = kFileRefused;
  if (auto name = setupFileName(dialog_.text(kFile, kNameLimit))) status = SaveSetup(card(), *name);
  ui::ShowReport(dialog_, kReport, status);
}

}  // namespace setup
