#include "pages/ldb/bct_run.h"

#include "ui/fields.h"

namespace ldb {
namespace {

enum Control { kReport = 1, kRun = 2, kQuit = 3, kFrameCount = 4 };

constexpr int kFieldLimit = 10;

}  // namespace

BCTrun::BCTrun(ui::PageContext& station, winsys::Dialog& dialog)
    : Page(station, dialog), state_(station.pageState<BctRunState>()) {}

void BCTrun::init() {
  state_.frameCount = 0;
  dialog_.setText(kFrameCount, "Forever");
}

void BCTrun::command(int id) {
  if (id == kRun) {
    run();
  } else if (id == kQuit) {
    dialog_.end(0);
  }
}

// Text beginning with F runs without end; anything else is a count of frames (low 16 bits),
// refused when it is longer than the field reads.
void BCTrun::run() {
  uint16_t error = 0;
  uint16_t tooLong = 0;
  std::string text = ui::FieldText(dialog_, kFrameCount, kFieldLimit, &tooLong);
  bool forever = !text.empty() && (text[0] == 'F' || text[0] == 'f');
  if (!forever) error = tooLong;
  state_.frameCount = forever ? 0 : static_cast<uint16_t>(ui::DecToNum(text, &error));
  uint16_t status = error ? ui::kStatusSyntax : DUVEX_RunLdbBcDLL(card(), state_.frameCount);
  ui::ShowReport(dialog_, kReport, status);
}

}  // namespace ldb
