// A headless station for the benchmarks: in a scratch directory of its own, on virtual time,
// with the card set up (SETUP, OK) and a mode entered (LDB_BCT unless told otherwise); and the
// saturated LDB_BCT frame several of them run.
#pragma once

#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "app/station.h"
#include "card/xarndll.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

// Messages 1..50 to RTs 0..31, 32 data words each, half TX and half RX, in one frame of no
// set duration: each frame starts as the last one ends.
inline void saturateLdbFrame(CardContext* card) {
  std::vector<uint32_t> data(512, 0x123455);
  ErrorInjectionRecord error{0, 0x0100, 0};
  MessageBufferRecord buffer{};
  buffer.wordLimit = 512;
  buffer.data = data.data();
  std::array<uint16_t, 100> list{};
  for (uint16_t n = 1; n <= 50; ++n) {
    BcMessageRecord m{};
    m.messageNumber = n;
    m.direction = n % 2;
    m.wordCount = 32;
    m.bus = n % 3 ? 0x8000 : 0x4000;
    m.commandWord = static_cast<uint32_t>(n % 32) << 19 | 5u << 15 | 32;
    m.errorInjection = &error;
    m.buffer = &buffer;
    DUVEX_WrMsgDLL(card, &m);
    list[n - 1] = n;
  }
  FrameRecord frame{0, 0, 50, list.data()};
  DUVEX_WrProgDLL(card, &frame);
  DUVEX_RunLdbBcDLL(card, 0);
}

class BenchStation {
 public:
  // `modeItem`: the top-menu item of the mode to enter.
  explicit BenchStation(int modeItem = 1) {
    std::string pattern = (std::filesystem::temp_directory_path() / "xarn-bench-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    dir_ = ::mkdtemp(name.data());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    station_.create();
    xarnsim::setTimeSource(card(), [this] { return windows_.nowMs() * 1000; });
    std::string why;
    windows_.menuCommand(5, why);  // SETUP
    windows_.page("XARN_SETUP")->click(1);
    windows_.menuCommand(modeItem, why);
  }
  ~BenchStation() {
    CardContext context = station_.card();
    xarnsim::release(&context);
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }
  BenchStation(const BenchStation&) = delete;
  BenchStation& operator=(const BenchStation&) = delete;

  CardContext* card() { return &station_.card(); }
  app::Station& station() { return station_; }
  winsys::HeadlessWindowSystem& windows() { return windows_; }
  // The newest page `name`, opened with menu item `item` of the mode's menu.
  winsys::HeadlessDialog& open(int item, const std::string& name) {
    std::string why;
    windows_.menuCommand(item, why);
    return *windows_.page(name);
  }

 private:
  std::filesystem::path dir_, previous_;
  winsys::HeadlessWindowSystem windows_;
  app::Station station_{windows_};
};
