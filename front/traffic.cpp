#include "front/traffic.h"

#include <charconv>
#include <cstdio>

#include "base/version.h"
#include "winsys/list_capture.h"

namespace cli {
namespace {

constexpr uint64_t kBytesPerMegabyte = 1'000'000;
constexpr uint64_t kLargestLimitMegabytes = 1'000'000;  // a terabyte
constexpr uint32_t kLargestRing = 100'000;

std::optional<uint64_t> count(const std::string& word, uint64_t min, uint64_t max) {
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::string oneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

std::string recordingApplication(const std::string& program) {
  return program + " " + XARN_VERSION + " (station " + base::kStationRevision + ")";
}

std::optional<xarnsim::RecordSettings> parseRecordArguments(const std::vector<std::string>& args,
                                                            std::string& why) {
  xarnsim::RecordSettings s;
  why = "record FILE [--limit MB] [--ring N]: MB 1 to " + std::to_string(kLargestLimitMegabytes) +
        ", N 2 to " + std::to_string(kLargestRing) + " with a limit";
  if (args.empty()) return std::nullopt;
  s.path = args[0];
  for (size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return std::nullopt;
    if (args[i] == "--limit") {
      auto mb = count(args[i + 1], 1, kLargestLimitMegabytes);
      if (!mb) return std::nullopt;
      s.limitBytes = *mb * kBytesPerMegabyte;
    } else if (args[i] == "--ring") {
      auto n = count(args[i + 1], 2, kLargestRing);
      if (!n) return std::nullopt;
      s.ring = static_cast<uint32_t>(*n);
    } else {
      return std::nullopt;
    }
  }
  if (s.ring && !s.limitBytes) return std::nullopt;
  why.clear();
  return s;
}

std::string megabytes(uint64_t bytes) {
  return oneDecimal(static_cast<double>(bytes) / kBytesPerMegabyte) + " MB";
}

std::string recordingSize(uint64_t bytes) { return "REC " + megabytes(bytes); }

std::vector<uint32_t> modeInterfaces(int mode) {
  switch (mode) {
    case 1:
    case 2:
    case 6:
      return {xarncap::kInterfaceLdb, xarncap::kInterfaceLdb + 1};
    case 3:
      return {xarncap::kInterfaceMonitor, xarncap::kInterfaceMonitor + 1,
              xarncap::kInterfaceMonitor + 2, xarncap::kInterfaceMonitor + 3};
    case 4:
    case 5:
      return {xarncap::kInterfaceGdb, xarncap::kInterfaceGdb + 1};
    default:
      return {};
  }
}

ActivityTable activityTable(const xarncap::Activity& a, int mode) {
  ActivityTable t;
  t.second = a.second;
  for (uint32_t i : modeInterfaces(mode))
    t.connectors.push_back({xarncap::kInterfaceNames[i], a.load[i].back(), 0, 0});
  for (int rt = 0; rt < xarncap::kAddresses; ++rt) {
    auto k = static_cast<size_t>(rt);
    if (a.messages[k] == 0) continue;
    t.addresses.push_back({std::to_string(rt), 0, a.messages[k], a.errors[k]});
  }
  return t;
}

std::vector<std::string> activityLines(const ActivityTable& t) {
  std::vector<std::string> lines;
  lines.push_back("second " + std::to_string(t.second));
  for (const ActivityRow& c : t.connectors)
    lines.push_back("bus " + c.name + " " + oneDecimal(c.load) + " %");
  for (const ActivityRow& r : t.addresses)
    lines.push_back("rt " + r.name + " " + std::to_string(r.messages) + " msg/s " +
                    std::to_string(r.errors) + " err/s");
  return lines;
}

std::string activityCsv(const ActivityTable& t) {
  std::string csv = "Kind,Name,Load %,Messages/s,Errors/s\r\n";
  for (const ActivityRow& c : t.connectors)
    csv += "bus," + winsys::csvField(c.name) + "," + oneDecimal(c.load) + ",,\r\n";
  for (const ActivityRow& r : t.addresses)
    csv += "rt," + r.name + ",," + std::to_string(r.messages) + "," + std::to_string(r.errors) +
           "\r\n";
  return csv;
}

}  // namespace cli
