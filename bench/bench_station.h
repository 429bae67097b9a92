// A headless station for the benchmarks: in a scratch directory of its own, on virtual time,
// with the card set up (SETUP, OK) and a mode entered (LDB_BCT unless told otherwise); and the
// loads several of them run: the saturated LDB_BCT frame, all LDB_MRT terminals, the monitor.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "app/station.h"
#include "card/xarndll.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

// A card initialised and set up in `mode` as the SETUP page's defaults would, on a clock that
// moves only when `now` does.
struct VirtualCard {
  explicit VirtualCard(uint16_t mode) {
    xarnsim::setTimeSource(&context, [this] { return now; });
    DUVEX_InitDLL(&context, 1, 1, 0);
    SetupRecord setup{};
    setup.marker = 0xFFFFFFFF;
    setup.interWordTxGap = 11;
    setup.rtResponseTime = 15;
    setup.rtResponseTimeout = 50;
    DUVEX_SetupDLL(&context, mode, &setup);
  }
  ~VirtualCard() { xarnsim::release(&context); }
  VirtualCard(const VirtualCard&) = delete;
  VirtualCard& operator=(const VirtualCard&) = delete;

  // Card time moves `micros` on, and the status poll brings the card up to it; the state word.
  uint16_t step(uint64_t micros) {
    now += micros;
    uint16_t word = 0;
    DUVEX_RdStatusDLL(&context, &word);
    return word;
  }

  CardContext context{};
  uint64_t now = 0;
};

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

// LDB_MRT with all 32 terminals on, every other one with data to send, and the card running:
// the terminals answer whatever controller the bus has.
inline void runAllLdbTerminals(CardContext* card) {
  std::array<ErrorInjectionRecord, 5> errors{};
  for (auto& e : errors) e.errorType = 0x0100;
  for (uint16_t rt = 0; rt < 32; ++rt) {
    LdbRtRecord r{};
    r.rtNumber = rt;
    r.mode = 0x8000;
    r.busSelect = 3;
    r.action = rt % 2 ? 0x0800 : 0x0000;
    for (int c = 0; c < 5; ++c) r.errorInjection[c] = &errors[static_cast<size_t>(c)];
    DUVEX_WrLdbRTDLL(card, &r);
  }
  DUVEX_CommandDLL(card, 10);
}

// BUS_MON listening to all four connectors, armed with its trigger disabled: it records every
// word and never stops.
inline void armMonitorUntriggered(CardContext* card) {
  wWDLL(card, 0x0020, 0x000F);  // bus select: J1 to J4
  MonTrigger trigger{};
  trigger.triggerBus = 0x8000;
  std::fill(std::begin(trigger.pattern), std::end(trigger.pattern), 'X');
  trigger.control = 0x0030 | 0x8000;  // any sync, disabled
  DUVEX_WrMonTriggerDLL(card, &trigger);
  DUVEX_ClrMonStackDLL(card);
  DUVEX_RunMonDLL(card);
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
