// Live bus activity as the front ends show it (the console's `stats`, the window's activity view):
// for each bus connector the share of each of the last 60 seconds of card time that words
// occupied it, and for each terminal address the messages and the messages with errors of the last
// whole second. Plain data: the front ends read it through xarndll/control.h.
#pragma once

#include <array>
#include <cstdint>

namespace xarncap {

inline constexpr int kHistorySeconds = 60;
inline constexpr int kAddresses = 256;  // the global bus's; the local bus uses 0 to 31

// The bus connectors of every recording and of the activity, in this order: the local bus's two
// buses, the monitor's four connectors, the global bus's two buses.
inline constexpr uint32_t kInterfaceLdb = 0;
inline constexpr uint32_t kInterfaceMonitor = 2;
inline constexpr uint32_t kInterfaceGdb = 6;
inline constexpr uint32_t kInterfaces = 8;
inline constexpr std::array<const char*, kInterfaces> kInterfaceNames = {
    "ldb-primary", "ldb-secondary", "J1", "J2", "J3", "J4", "gdb-a", "gdb-b"};

struct Activity {
  uint64_t second = 0;  // the last whole second of card time (since initialisation)
  // Bus load in percent per interface, oldest second first; the last entry is `second`.
  std::array<std::array<double, kHistorySeconds>, kInterfaces> load{};
  std::array<uint32_t, kAddresses> messages{};  // in `second`
  std::array<uint32_t, kAddresses> errors{};
};

}  // namespace xarncap
