// Setup files: the operating mode and an image of the card memory, saved to a ".SUP" file and
// loaded back in the same mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/xarndll.h"
#include "ui/page.h"

namespace setup {

inline constexpr uint16_t kFileRefused = 903;  // a bad name, or a file of another mode

// The image: the card words from 0x000008 to 0x1FFEFE; the file adds the mode before them and
// a second copy of the last word after them.
inline constexpr uint32_t kImageFirst = 0x000008;
inline constexpr uint32_t kImageLast = 0x1FFEFE;
inline constexpr uint32_t kImageWords = (kImageLast - kImageFirst) / 2 + 1;
inline constexpr uint32_t kSetupFileBytes = 2 * (1 + kImageWords + 1);
static_assert(kSetupFileBytes == 2096892);

// 0, 900 (cannot create, or the file is write-protected) or 901 (a write failed). The file is
// replaced only once it has been written whole: on a failure the one that was there is intact.
uint16_t SaveSetup(CardContext* card, const std::string& name);

// 0, 900 (cannot open), 902 (too short) or 903 (another mode). The card is written only from a
// whole image: a refused or short file leaves it untouched.
uint16_t LoadSetup(CardContext* card, const std::string& name);

// A typed name as it is used: upper-cased, at least 5 characters, ending in ".SUP"; nullopt for
// a name that is not acceptable.
std::optional<std::string> setupFileName(std::string_view typed);

// The files of the working directory whose names match "*.sup" in any case, sorted by name.
std::vector<std::string> listSetupFiles();

class SUPdialog final : public ui::Page {
 public:
  using Page::Page;
  void init() override;
  void command(int id) override;

 private:
  void getSetup();
  void saveSetup();
};

}  // namespace setup
