#include "xarndll/sim/monitor/monitor_replay.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "xarndll/capture/pcapng.h"
#include "xarndll/capture/recorder.h"

namespace xarnsim::monitor {
namespace {

constexpr uint64_t kNanosPerTick = 1000 / kTicksPerMicro;

uint32_t get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}
uint16_t get16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// The monitor's connector for a packet's interface; -1 for the global bus.
int connectorOf(uint32_t interface) {
  if (interface >= xarncap::kInterfaceMonitor && interface < xarncap::kInterfaceMonitor + 4)
    return static_cast<int>(interface - xarncap::kInterfaceMonitor);
  if (interface < xarncap::kInterfaceMonitor) return static_cast<int>(interface);
  return -1;
}

}  // namespace

void Connector::load(std::vector<CycleWord> words, Tick length, Tick origin) {
  words_ = std::move(words);
  length_ = std::max<Tick>(length, 1);
  origin_ = origin;
  measureSpacing();
}

std::optional<Replay> readReplay(const std::string& path, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot read " + path;
    return std::nullopt;
  }
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  xarncap::Capture capture = xarncap::parse(bytes);
  struct Timed {
    Tick start;
    int connector;
    CycleWord word;
  };
  std::vector<Timed> heard;
  for (const xarncap::Packet& p : capture.packets) {
    int connector = connectorOf(p.interfaceId);
    const std::string& b = p.payload;
    if (connector < 0 || b.size() < xarncap::kHeaderBytes) continue;
    size_t count =
        std::min<size_t>(get16(b, 8), (b.size() - xarncap::kHeaderBytes) / xarncap::kWordBytes);
    for (size_t i = 0; i < count; ++i) {
      size_t at = xarncap::kHeaderBytes + i * xarncap::kWordBytes;
      uint32_t value = get32(b, at + 8) & 0xFFFFFF;
      auto flags =
          static_cast<uint8_t>((b[at + 4] ? kFlagCommand : 0) | (get16(b, at + 6) & kFlagErrors));
      Tick start = (p.nanoseconds + get32(b, at)) / kNanosPerTick;
      heard.push_back(
          {start, connector, {0, value, flags, static_cast<uint8_t>(value >> 19 & 31)}});
    }
  }
  if (heard.empty()) {
    why = path + " holds no local-bus words";
    return std::nullopt;
  }
  std::stable_sort(heard.begin(), heard.end(),
                   [](const Timed& a, const Timed& b) { return a.start < b.start; });
  Replay r;
  r.first = heard.front().start;
  for (Timed& t : heard) {
    t.word.offset = t.start - r.first;
    r.words[static_cast<size_t>(t.connector)].push_back(t.word);
  }
  // A word lasts at most 44 us (40-bit words); the partners' gap follows the last one.
  constexpr Tick kLongestWord = 44 * kTicksPerMicro;
  r.length = heard.back().start - r.first + kLongestWord + ldb::kPartnerGap;
  return r;
}

}  // namespace xarnsim::monitor
