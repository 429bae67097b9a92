#include "ui/status_texts.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

// The driver's statuses are those of docs/simulated-card.md; the 900s are the setup pages'
// file statuses; 999 is the station's own for a field it cannot read.
constexpr std::array<StatusText, 14> kStatusTexts = {{
    {0, "done"},
    {2, "the card did not acknowledge the firmware upgrade"},
    {247, "the card failed inside (out of memory)"},
    {248, "no room: a card table or queue is full"},
    {249, "the card is busy (self test or firmware programming)"},
    {250, "the card is not initialised (card setup has not succeeded)"},
    {251, "a value the card refuses (out of range)"},
    {252, "the card is in another operating mode"},
    {253, "a command the card does not know"},
    {900, "the file cannot be opened"},
    {901, "writing the file failed"},
    {902, "the file could not be read (short or of another format)"},
    {903, "the file is refused (a bad name, or a file of another mode)"},
    {999, "a field holds text that is not a number it takes"},
}};

}  // namespace

std::span<const StatusText> statusTexts() { return kStatusTexts; }

std::string statusMeaning(uint16_t status) {
  auto found = std::lower_bound(kStatusTexts.begin(), kStatusTexts.end(), status,
                                [](const StatusText& t, uint16_t s) { return t.status < s; });
  const char* meaning = found != kStatusTexts.end() && found->status == status
                            ? found->meaning
                            : "a status this station does not know";
  return std::to_string(status) + ": " + meaning;
}

}  // namespace ui
