// Throughput of the simulated card: word reads and writes over the whole memory (a setup file is
// one call per word), and the once-a-second status poll with card time moving.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "card/xarndll.h"
#include "xarndll/control.h"

namespace {

constexpr uint32_t kMemoryBytes = 0x200000;

struct Card {
  Card() {
    xarnsim::setTimeSource(&context, [this] { return now; });
    DUVEX_InitDLL(&context, 1, 1, 0);
    SetupRecord setup{};
    setup.marker = 0xFFFFFFFF;
    DUVEX_SetupDLL(&context, 1, &setup);
  }
  ~Card() { xarnsim::release(&context); }
  CardContext context{};
  uint64_t now = 0;
};

// One pass writes every word of card memory.
void BM_WriteWholeMemory(benchmark::State& state) {
  Card card;
  for (auto _ : state) {
    for (uint32_t a = 0; a < kMemoryBytes; a += 2)
      benchmark::DoNotOptimize(wWDLL(&card.context, a, static_cast<uint16_t>(a)));
  }
  state.SetItemsProcessed(state.iterations() * (kMemoryBytes / 2));
}
BENCHMARK(BM_WriteWholeMemory)->Unit(benchmark::kMillisecond);

// One pass reads every word of card memory.
void BM_ReadWholeMemory(benchmark::State& state) {
  Card card;
  for (auto _ : state) {
    uint32_t sum = 0;
    for (uint32_t a = 0; a < kMemoryBytes; a += 2) sum += rWDLL(&card.context, a);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * (kMemoryBytes / 2));
}
BENCHMARK(BM_ReadWholeMemory)->Unit(benchmark::kMillisecond);

// The same reads on the host's steady clock, as the desktop program runs them.
void BM_ReadWholeMemoryHostClock(benchmark::State& state) {
  Card card;
  xarnsim::setTimeSource(&card.context, {});
  for (auto _ : state) {
    uint32_t sum = 0;
    for (uint32_t a = 0; a < kMemoryBytes; a += 2) sum += rWDLL(&card.context, a);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * (kMemoryBytes / 2));
}
BENCHMARK(BM_ReadWholeMemoryHostClock)->Unit(benchmark::kMillisecond);

// The status line's tick: one second of card time passes, then the state word is read. A self
// test is restarted whenever it ends, so the card has an event to run every few ticks.
void BM_StatusTickOneSecond(benchmark::State& state) {
  Card card;
  uint16_t word = 0;
  DUVEX_CommandDLL(&card.context, 13);
  for (auto _ : state) {
    card.now += 1'000'000;
    DUVEX_RdStatusDLL(&card.context, &word);
    if (word == 0x800F) DUVEX_CommandDLL(&card.context, 13);
    benchmark::DoNotOptimize(word);
  }
  state.counters["card_s_per_cpu_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StatusTickOneSecond);

}  // namespace
