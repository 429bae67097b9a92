// The MDM units under load: card time simulated per CPU second with all 32 units enabled and
// every PROM full, and the cost of the page operations an operator repeats: a PROM page refresh
// and a QUEUE listing of 256 lines.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;

// 32 enabled units, each PROM full: 496 command entries that go round input, output, BSR and
// BITE4 over a DI, an AI32, a DO and an SIO module.
void busyUnits(CardContext* card) {
  MdmPromRecord prom{};
  const uint16_t types[] = {1, 3, 4, 5};
  for (uint16_t i = 0; i < 4; ++i) prom.iom[i].iomType = types[i];
  for (uint16_t e = 0; e < kMdmPromCommandEntries; ++e) {
    auto iom = static_cast<uint16_t>(e % 4);
    uint16_t mode = iom == 2 ? 0 : iom == 3 ? e / 4 % 2 : e % 7 == 0 ? 2 : e % 11 == 0 ? 3 : 1;
    prom.command[e] = MdmPromCommandEntry{mode, static_cast<uint16_t>(iom == 3 ? e % 4 : e % 16),
                                          iom, static_cast<uint16_t>(1 + e % 8), 0};
  }
  MdmRtSimRecord unit{};
  unit.rtEnable = 0x8000;
  for (auto& error : unit.errorInjection) error.errorType = 0x0100;
  for (uint16_t rt = 0; rt < 32; ++rt) {
    DUVEX_WrMdmRtSimDLL(card, rt, &unit, 0, 0);
    DUVEX_WrMdmPromDLL(card, rt, &prom);
  }
  DUVEX_CommandDLL(card, 10);
}

// Card time moves in steps of `range(0)` microseconds, one driver call (the status poll) each.
void BM_BusyUnits(benchmark::State& state) {
  VirtualCard card(6);
  busyUnits(&card.context);
  auto step = static_cast<uint64_t>(state.range(0));
  uint16_t word = 0;
  while (state.KeepRunning()) word = card.step(step);
  if (word != 0x0061) state.SkipWithError("the card is not running");
  double simulated = static_cast<double>(state.iterations() * step) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BusyUnits)->Arg(1000)->Arg(kSecond);

// A benchmark station in MDM_MRT with the busy units running.
class Station : public BenchStation {
 public:
  Station() {
    std::string why;
    windows().queueAnswer(winsys::Answer::Yes);
    windows().menuCommand(8, why);   // leave LDB_BCT
    windows().menuCommand(12, why);  // MDM_MRT
    busyUnits(card());
  }
  // The page opened as its menu item would, but modeless so that the benchmark can drive it.
  winsys::HeadlessDialog& page(const char* procedure, const char* layout) {
    station().openPage(procedure, false);
    return *windows().page(layout);
  }
};

// One refresh of the PROM page: the RT spin reads the next unit's image and draws both lists.
void BM_PromRefresh(benchmark::State& state) {
  Station station;
  auto& page = station.page("MDPdialog", "MDM_PROM");
  while (state.KeepRunning()) page.scroll(1, winsys::ScrollAction::LineUp);
  if (page.fullText(5) != "Done" || page.listCount(28) != 16) state.SkipWithError("no refresh");
}
BENCHMARK(BM_PromRefresh)->Unit(benchmark::kMicrosecond);

// One QUEUE listing of 256 lines; a second of traffic refills the queue between them.
void BM_QueueListing(benchmark::State& state) {
  Station station;
  auto& page = station.page("MDQdialog", "MDM_MRT_Q");
  while (state.KeepRunning()) {
    state.PauseTiming();
    station.windows().advance(1000);
    state.ResumeTiming();
    page.click(3);
  }
  if (page.listCount(6) != 256) state.SkipWithError("the queue did not give 256 lines");
}
BENCHMARK(BM_QueueListing)->Unit(benchmark::kMicrosecond);

}  // namespace
