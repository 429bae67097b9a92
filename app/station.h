// The station's shell: owns the card context, the shell state, the card settings and setup
// record, and every page's program-lifetime state; handles the main window's messages.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "card/xarndll.h"
#include "setup/card_settings.h"
#include "setup/setup_page.h"
#include "ui/page.h"
#include "winsys/winsys.h"

namespace app {

enum class Mode : int16_t {
  None = 0,
  LdbBct = 1,
  LdbMrt = 2,
  BusMon = 3,
  GdbBct = 4,
  GdbMrt = 5,
  MdmMrt = 6,
};

inline constexpr const char* kMainTitle = "XARN TRAVINE-BUS simulation station";
inline constexpr int kStatusTimer = 1;
inline constexpr int kStatusPeriodMs = 1000;
using ui::kHelpFile;
inline constexpr uint32_t kBusSelectAddress = 0x0020;

struct ShellState {
  Mode mode = Mode::None;
  uint16_t hardwareInitialised = 0;
  uint16_t previousStateWord = 0;
  uint16_t currentStateWord = 0;
  uint16_t savedBusSelect = 0;
  uint16_t lastCardResult = 0;
  std::string statusText;  // empty until the first tick
};

// The pages see the station through the narrow contexts it implements: what every page has
// (ui::PageContext), and what the setup page has besides (setup::SetupContext).
class Station final : public winsys::MainWindowProc, public setup::SetupContext {
 public:
  explicit Station(winsys::WindowSystem& windows);
  ~Station() override;
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // The create steps: shell state, desktop colours, card context, menus, INI load.
  void create();

  // MainWindowProc
  void menuCommand(int id) override;
  void timer(int id) override;
  void destroy() override;

  // Opens the page whose dialog procedure is `procedure` (an entry of the page table) on its
  // template, and repaints the main window as a page opening does. False when it could not be
  // created, or a modal page returned 0.
  bool openPage(const std::string& procedure, bool modal);

  // Top-menu QUIT: asks, and on Yes restores the colours and ends the run.
  void quit();

  winsys::WindowSystem& windows() override { return windows_; }
  CardContext& card() override { return card_; }
  ShellState& shell() { return shell_; }
  setup::CardSettings& settings() override { return settings_; }
  SetupRecord& setupRecord() override { return setupRecord_; }
  GdbQueueCounters& gdbQueueCounters() override { return gdbQueueCounters_; }
  void markHardwareInitialised() override { shell_.hardwareInitialised = 1; }

  // Told of what has no window of its own yet (a page this build does not have).
  void setNoticeSink(std::function<void(const std::string&)> sink) { notices_ = std::move(sink); }
  void notice(const std::string& text) const {
    if (notices_) notices_(text);
  }

 private:
  ui::PageStates& pageStates() override { return pageStates_; }
  void endRun();

  winsys::WindowSystem& windows_;
  CardContext card_{};
  ShellState shell_;
  setup::CardSettings settings_;
  SetupRecord setupRecord_{};
  GdbQueueCounters gdbQueueCounters_{};
  winsys::WindowSystem::Colours savedColours_;
  bool ended_ = false;
  ui::PageStates pageStates_;
  std::function<void(const std::string&)> notices_;
};

}  // namespace app
