// The local data bus under load: card time simulated per CPU second on a saturated bus (a frame
// of 50 messages of 32 data words, frames back to back, every queue filling), and the cost of
// the page operations an operator repeats: a queue Update and a message Get of 512 words.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;

using Card = VirtualCard;

// Card time moves in steps of `range(0)` microseconds, one driver call (the status poll) each.
void BM_SaturatedControllerBus(benchmark::State& state) {
  Card card(1);
  saturateLdbFrame(&card.context);
  auto step = static_cast<uint64_t>(state.range(0));
  uint16_t word = 0;
  for (auto _ : state) {
    card.now += step;
    DUVEX_RdStatusDLL(&card.context, &word);
  }
  benchmark::DoNotOptimize(word);
  double simulated = static_cast<double>(state.iterations() * step) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaturatedControllerBus)->Arg(1000)->Arg(10'000)->Arg(kSecond);

// LDB_MRT with all 32 terminals on: the partner controller keeps the bus busy.
void BM_SaturatedTerminalBus(benchmark::State& state) {
  Card card(2);
  runAllLdbTerminals(&card.context);
  auto step = static_cast<uint64_t>(state.range(0));
  uint16_t word = 0;
  for (auto _ : state) {
    card.now += step;
    DUVEX_RdStatusDLL(&card.context, &word);
  }
  double simulated = static_cast<double>(state.iterations() * step) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaturatedTerminalBus)->Arg(1000)->Arg(10'000)->Arg(kSecond);

// A benchmark station with the saturated frame running.
class Station : public BenchStation {
 public:
  Station() { saturateLdbFrame(card()); }
};

// One queue Update of 15 lines; a second of bus traffic refills the queue between them.
void BM_QueueUpdate(benchmark::State& state) {
  Station station;
  auto& page = station.open(5, "XARN_QUE");
  for (auto _ : state) {
    state.PauseTiming();
    station.windows().advance(1000);
    state.ResumeTiming();
    page.click(3);
  }
  if (page.listCount(6) != 15) state.SkipWithError("the queue did not give 15 lines");
}
BENCHMARK(BM_QueueUpdate)->Unit(benchmark::kMicrosecond);

// One message Get with its 512 data words shown.
void BM_MessageGet(benchmark::State& state) {
  Station station;
  auto& page = station.open(1, "BCT_MESS");
  for (auto _ : state) page.click(3);
  if (page.fullText(4) != "Done") state.SkipWithError("Get failed");
}
BENCHMARK(BM_MessageGet)->Unit(benchmark::kMicrosecond);

}  // namespace
