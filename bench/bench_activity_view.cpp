// The window's activity view: the cost of its once-a-second refresh (read the card's activity,
// redraw the chart's series and the table) on a saturated monitor, whose four connectors and 32
// terminal addresses fill the chart and the table.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/bench_station.h"
#include "gui/traffic_view.h"
#include "xarndll/control.h"

namespace {

void BM_ActivityViewRefresh(benchmark::State& state) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "bench_activity_view";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  BenchStation bench(3);                         // BUS_MON
  xarnsim::poke(bench.card(), 0x8252C, 0x8030);  // no trigger: the monitor runs on
  gui::ActivityView view(bench.station());
  view.setCounting(true);
  std::string why;
  bench.windows().menuCommand(4, why);  // RUN
  for (auto _ : state) {
    state.PauseTiming();
    bench.windows().advance(1000);  // a second of traffic, counted outside the timing
    xarnsim::busActivity(bench.card());
    state.ResumeTiming();
    view.refresh();
  }
  state.counters["rows"] = view.table().rowCount();
}
BENCHMARK(BM_ActivityViewRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace
