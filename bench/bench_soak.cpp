// A soak of the desktop's longest-running road: one simulated hour of a saturated LDB_BCT frame
// with two queue pages polling every second (the message queue and the raw word queue, Snap
// on), as an operator leaves the station running. What is measured is whether the process
// keeps growing: its peak memory after the first simulated minute and after the hour.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench/bench_station.h"

namespace {

// The process's peak resident memory so far, in kB (VmHWM).
double peakKilobytes() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6));
  }
  return 0;
}

void BM_SoakHourOfSaturatedFrameWithQueuePages(benchmark::State& state) {
  constexpr int kQueueItem = 5;
  constexpr int kSnap = 5;
  constexpr int kBin = 7;
  constexpr int kList = 6;
  double afterMinute = 0;
  double afterHour = 0;
  for (auto _ : state) {
    BenchStation station;
    saturateLdbFrame(station.card());
    station.open(kQueueItem, "XARN_QUE").click(kSnap);
    winsys::HeadlessDialog& raw = station.open(kQueueItem, "XARN_QUE");
    raw.click(kBin);
    raw.click(kSnap);
    for (int second = 1; second <= 3600; ++second) {
      station.windows().advance(1000);
      if (second == 60) afterMinute = peakKilobytes();
    }
    afterHour = peakKilobytes();
    if (raw.listCount(kList) != 15) state.SkipWithError("the raw queue did not show 15 lines");
  }
  state.counters["peak_kB_1min"] = afterMinute;
  state.counters["peak_kB_1h"] = afterHour;
  state.counters["growth_kB"] = afterHour - afterMinute;
}
BENCHMARK(BM_SoakHourOfSaturatedFrameWithQueuePages)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
