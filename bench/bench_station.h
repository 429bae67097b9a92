// A headless station for the benchmarks: in a scratch directory of its own, on virtual time,
// with the card set up (SETUP, OK) and a mode entered (LDB_BCT unless told otherwise).
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/station.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

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
