// Recording the card's traffic: card time simulated per CPU second while a saturated local bus
// (bench_station.h's frame: 50 messages of 32 data words, back to back) is recorded to a capture
// file, and the file's bytes per message; and the activity count's cost on the same bus.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "xarndll/control.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;

// LDB_BCT running the saturated frame.
struct Card : VirtualCard {
  Card() : VirtualCard(1) {
    saturateLdbFrame(&context);
    DUVEX_CommandDLL(&context, 10);
  }
};

std::string scratchFile() {
  return (std::filesystem::temp_directory_path() /
          ("xarn-bench-" + std::to_string(::getpid()) + ".pcapng"))
      .string();
}

// Card time moves in steps of `range(0)` microseconds, one driver call (the status poll) each.
void BM_RecordSaturatedBus(benchmark::State& state) {
  Card card;
  const std::string file = scratchFile();
  std::string why;
  if (!xarnsim::startRecording(&card.context, {file, 0, 0, "bench"}, why))
    state.SkipWithError(why.c_str());
  auto step = static_cast<uint64_t>(state.range(0));
  for (auto _ : state) card.step(step);
  xarnsim::RecordingStatus done = xarnsim::stopRecording(&card.context);
  std::filesystem::remove(file);
  double simulated = static_cast<double>(state.iterations() * step) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
  state.counters["bytes_per_msg"] =
      done.packets ? static_cast<double>(done.totalBytes) / static_cast<double>(done.packets) : 0;
  state.counters["msgs"] = static_cast<double>(done.packets);
}
BENCHMARK(BM_RecordSaturatedBus)->Arg(1000)->Arg(kSecond)->Unit(benchmark::kMillisecond);

// The same bus with the activity counted instead (the window's activity view open).
void BM_CountSaturatedBus(benchmark::State& state) {
  Card card;
  xarnsim::countActivity(&card.context, true);
  auto step = static_cast<uint64_t>(state.range(0));
  for (auto _ : state) card.step(step);
  double simulated = static_cast<double>(state.iterations() * step) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CountSaturatedBus)->Arg(kSecond)->Unit(benchmark::kMillisecond);

}  // namespace
