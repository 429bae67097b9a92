// The bus monitor under load: card time simulated per CPU second while the monitor records a
// saturated bus on all four connectors with no trigger yet (one driver call per 1 ms and per 1 s
// of card time), and the cost of the displays an operator watches: one STACK HOME (eleven
// entries read and formatted) and one second of SNAP (a snapshot, the stack cleared, re-armed).
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "xarndll/control.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;
constexpr uint16_t kModeBusMon = 3;
constexpr uint16_t kDisabled = 0x8000;
constexpr uint16_t kSyncAny = 0x0030;

// A trigger on any word after the history, or none at all.
uint16_t loadTrigger(CardContext* card, uint16_t control, uint32_t postTrigger) {
  MonTrigger t{};
  t.triggerBus = 0x8000;
  std::memset(t.pattern, 'X', sizeof t.pattern);
  t.control = control;
  t.postTriggerCount = postTrigger;
  return DUVEX_WrMonTriggerDLL(card, &t);
}

// Card time moves in steps of `range(0)` microseconds, one driver call (the status poll) each.
void BM_MonitorSaturatedNoTrigger(benchmark::State& state) {
  VirtualCard card(kModeBusMon);
  wWDLL(&card.context, 0x0020, 0x000F);
  loadTrigger(&card.context, kSyncAny | kDisabled, 0);
  DUVEX_ClrMonStackDLL(&card.context);
  DUVEX_RunMonDLL(&card.context);
  auto step = static_cast<uint64_t>(state.range(0));
  uint16_t word = 0;
  for (auto _ : state) word = card.step(step);
  if (word != 0x0031 || rWDLL(&card.context, 0x082600) == 0) state.SkipWithError("not recording");
  double simulated = static_cast<double>(state.iterations() * step) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonitorSaturatedNoTrigger)->Arg(1000)->Arg(kSecond);

// A benchmark station in BUS_MON with a capture of ten words after the trigger.
class MonitorStation : public BenchStation {
 public:
  MonitorStation() {
    std::string why;
    windows().queueAnswer(winsys::Answer::Yes);
    windows().menuCommand(8, why);  // leave LDB_BCT
    windows().menuCommand(kModeBusMon, why);
    loadTrigger(card(), kSyncAny, 10);
  }
};

void BM_StackHome(benchmark::State& state) {
  MonitorStation station;
  std::string why;
  station.windows().menuCommand(4, why);  // RUN
  auto& page = station.open(2, "MON_STACK");
  station.windows().advance(1000);
  for (auto _ : state) page.click(4);
  if (page.listCount(2) != 11) state.SkipWithError("STACK did not show eleven entries");
}
BENCHMARK(BM_StackHome)->Unit(benchmark::kMicrosecond);

// One second of station time with SNAP open: its tick reads the snapshot, clears the stack and
// re-arms the monitor; the card records until the next trigger.
void BM_SnapSecond(benchmark::State& state) {
  MonitorStation station;
  auto& page = station.open(3, "MON_STACK");
  for (auto _ : state) station.windows().advance(1000);
  if (page.listCount(2) != 11) state.SkipWithError("SNAP did not show eleven entries");
}
BENCHMARK(BM_SnapSecond)->Unit(benchmark::kMicrosecond);

}  // namespace
