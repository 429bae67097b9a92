// The 43 driver functions by their C names: the keys of the call counts, the failure hooks and
// the trace.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace xarnsim {

enum class Fn : uint8_t {
  InitDLL,
  SetupDLL,
  RdStatusDLL,
  CommandDLL,
  RdClockDLL,
  GetCardIDDLL,
  rWDLL,
  wWDLL,
  RdGdbBcModeDLL,
  WrGdbBcModeDLL,
  ClrMonStackDLL,
  RunMonDLL,
  RdMsgDLL,
  WrMsgDLL,
  RdProgDLL,
  WrProgDLL,
  RunLdbBcDLL,
  RdLdbBcQDLL,
  RdLdbRtQDLL,
  RdBinQDLL,
  RdLdbRTDLL,
  WrLdbRTDLL,
  RdMonTriggerDLL,
  WrMonTriggerDLL,
  RdMonMsgDLL,
  RdGdbTableDLL,
  WrGdbTableDLL,
  GdbQcmndDLL,
  RdGdbUpDownQDLL,
  RdGdbRtSimDLL,
  WrGdbRtSimDLL,
  RdGdbRtChanDLL,
  WrGdbRtChanDLL,
  RdGdbRtQDLL,
  RdMdmRtSimDLL,
  WrMdmRtSimDLL,
  RdMdmIOMDLL,
  WrMdmIOMDLL,
  RdMdmBiteConfDLL,
  WrMdmBiteConfDLL,
  RdMdmPromDLL,
  WrMdmPromDLL,
  RdMdmQDLL,
  Count
};

inline constexpr std::size_t kFunctionCount = static_cast<std::size_t>(Fn::Count);

inline constexpr std::array<std::string_view, kFunctionCount> kFunctionNames{
    "DUVEX_InitDLL",
    "DUVEX_SetupDLL",
    "DUVEX_RdStatusDLL",
    "DUVEX_CommandDLL",
    "DUVEX_RdClockDLL",
    "DUVEX_GetCardIDDLL",
    "rWDLL",
    "wWDLL",
    "DUVEX_RdGdbBcModeDLL",
    "DUVEX_WrGdbBcModeDLL",
    "DUVEX_ClrMonStackDLL",
    "DUVEX_RunMonDLL",
    "DUVEX_RdMsgDLL",
    "DUVEX_WrMsgDLL",
    "DUVEX_RdProgDLL",
    "DUVEX_WrProgDLL",
    "DUVEX_RunLdbBcDLL",
    "DUVEX_RdLdbBcQDLL",
    "DUVEX_RdLdbRtQDLL",
    "DUVEX_RdBinQDLL",
    "DUVEX_RdLdbRTDLL",
    "DUVEX_WrLdbRTDLL",
    "DUVEX_RdMonTriggerDLL",
    "DUVEX_WrMonTriggerDLL",
    "DUVEX_RdMonMsgDLL",
    "DUVEX_RdGdbTableDLL",
    "DUVEX_WrGdbTableDLL",
    "DUVEX_GdbQcmndDLL",
    "DUVEX_RdGdbUpDownQDLL",
    "DUVEX_RdGdbRtSimDLL",
    "DUVEX_WrGdbRtSimDLL",
    "DUVEX_RdGdbRtChanDLL",
    "DUVEX_WrGdbRtChanDLL",
    "DUVEX_RdGdbRtQDLL",
    "DUVEX_RdMdmRtSimDLL",
    "DUVEX_WrMdmRtSimDLL",
    "DUVEX_RdMdmIOMDLL",
    "DUVEX_WrMdmIOMDLL",
    "DUVEX_RdMdmBiteConfDLL",
    "DUVEX_WrMdmBiteConfDLL",
    "DUVEX_RdMdmPromDLL",
    "DUVEX_WrMdmPromDLL",
    "DUVEX_RdMdmQDLL",
};

namespace detail {
constexpr bool namesComplete() {
  for (std::size_t i = 0; i < kFunctionCount; ++i) {
    if (kFunctionNames[i].empty()) return false;
    for (std::size_t j = 0; j < i; ++j)
      if (kFunctionNames[i] == kFunctionNames[j]) return false;
  }
  return true;
}
}  // namespace detail
static_assert(kFunctionCount == 43);
static_assert(detail::namesComplete(), "one distinct name per function");
static_assert(kFunctionNames[static_cast<std::size_t>(Fn::RdMdmQDLL)] == "DUVEX_RdMdmQDLL");

inline constexpr std::string_view functionName(Fn fn) {
  return kFunctionNames[static_cast<std::size_t>(fn)];
}

inline std::optional<Fn> functionByName(std::string_view name) {
  for (std::size_t i = 0; i < kFunctionCount; ++i)
    if (kFunctionNames[i] == name) return static_cast<Fn>(i);
  return std::nullopt;
}

}  // namespace xarnsim
