// Live bus activity (bus_activity.h), counted from the card's traffic as the wire tap offers it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "xarndll/capture/bus_activity.h"
#include "xarndll/capture/recorder.h"
#include "xarndll/sim/sim_card.h"
#include "xarndll/sim/wire_tap.h"

namespace xarncap {

class ActivityMeter {
 public:
  explicit ActivityMeter(const xarnsim::SimCard& card) : card_(card) {}

  void word(const xarnsim::WireWord& word);
  void transfer(const xarnsim::WireTransfer& transfer);
  // The activity up to the card's "now".
  Activity snapshot();

 private:
  struct Second {
    std::array<uint64_t, kInterfaces> busyTicks{};
    std::array<uint32_t, kAddresses> messages{};
    std::array<uint32_t, kAddresses> errors{};
  };
  void roll(uint64_t second);
  void restartOnInit();
  uint64_t secondOf(xarnsim::Tick tick) const;
  xarnsim::Tick wordTicks(uint16_t mode) const;

  const xarnsim::SimCard& card_;
  std::array<Second, kHistorySeconds + 1> ring_{};  // by second modulo the size
  uint64_t current_ = 0;                            // the second being counted
  uint64_t epoch_ = 0;                              // the card's initialisation it counts from
  std::vector<xarnsim::WireWord> words_;
};

}  // namespace xarncap
