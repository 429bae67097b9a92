// Playback for the monitor: the local-bus words of a capture file (docs/capture-format.md) as the
// traffic the monitor hears, instead of its invented partners. Each connector hears the words
// recorded on it (the monitor's J1 to J4; a local bus's primary on J1, its secondary on J2), at
// their recorded card times: the first pass starts where the recording's first word started, and
// the recording then repeats, a pass after the end of its last word and a partner's gap.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "xarndll/sim/monitor/monitor_traffic.h"

namespace xarnsim::monitor {

struct Replay {
  std::array<std::vector<CycleWord>, kConnectors> words;  // offsets from the first word
  Tick first = 0;   // the first word's card time, from the recording's initialisation
  Tick length = 1;  // of one pass
};

// The words of the capture file at `path`; nullopt, with `why`, when it has none the monitor can
// hear (no file, no pcapng, only global-bus traffic).
std::optional<Replay> readReplay(const std::string& path, std::string& why);

}  // namespace xarnsim::monitor
