// The global data bus under load: card time simulated per CPU second for the controller with
// every table entry a MEASURE (30,000 transfers per card second) and with a typical table, and
// for 256 terminals of 16 channels each polled by the partner; one UpDnQ and one QUEUE listing
// of 256 entries.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "winsys/headless/headless.h"
#include "xarndll/control.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;
constexpr int kTopGdbBct = 10;
constexpr int kTopGdbMrt = 11;

struct Card {
  explicit Card(uint16_t mode) {
    xarnsim::setTimeSource(&context, [this] { return now; });
    DUVEX_InitDLL(&context, 1, 1, 0);
    SetupRecord setup{};
    setup.marker = 0xFFFFFFFF;
    DUVEX_SetupDLL(&context, mode, &setup);
  }
  ~Card() { xarnsim::release(&context); }
  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;
  CardContext context{};
  uint64_t now = 0;
};

GdbCommandRecord measure(uint16_t rt, uint16_t channel) {
  GdbCommandRecord c{};
  c.rtAddress = rt;
  c.sync = 1;
  c.errorType = 0x0100;
  c.channel = channel;
  c.dataValue = channel;
  return c;
}

// Every entry of the three tables a MEASURE: 30,000 transfers a second.
void fillTables(CardContext* card) {
  struct Table {
    uint16_t rate, entries;
  };
  for (Table t : {Table{100, 100}, Table{10, 1000}, Table{1, 10000}}) {
    for (uint16_t i = 1; i <= t.entries; ++i) {
      GdbCommandRecord c = measure(i % 256, i % 256);
      DUVEX_WrGdbTableDLL(card, t.rate, i, 0x2000, &c);
    }
  }
}

// A typical table: a few MEASURE entries at each rate and a COMMAND entry.
void typicalTables(CardContext* card) {
  for (uint16_t i = 1; i <= 4; ++i) {
    GdbCommandRecord c = measure(i, i);
    DUVEX_WrGdbTableDLL(card, 100, i, 0x2000, &c);
    DUVEX_WrGdbTableDLL(card, 10, i, 0x2000, &c);
    DUVEX_WrGdbTableDLL(card, 1, i, 0x2000, &c);
  }
  GdbCommandRecord none{};
  DUVEX_WrGdbTableDLL(card, 100, 5, 0x1000, &none);
}

// 256 terminals, 16 channels each, every one enabled and answering.
void fillTerminals(CardContext* card) {
  for (uint16_t rt = 0; rt < 256; ++rt) {
    GdbRtSimRecord r{};
    r.writeMarker = 0xFFFFFFFF;
    r.rtEnable = 0x8000;
    r.errorType = 0x0100;
    DUVEX_WrGdbRtSimDLL(card, rt, &r);
    for (uint16_t ch = 0; ch < 16; ++ch) {
      GdbRtChanRecord c{};
      c.writeMarker = 0xFFFFFFFF;
      c.channelEnable = 1;
      c.respondWithCommandAddress = 1;
      c.responseDataValue = static_cast<uint16_t>(rt << 8 | ch);
      DUVEX_WrGdbRtChanDLL(card, rt, ch, &c);
    }
  }
}

// Card time moves in steps of `range(0)` microseconds, one driver call (the status poll) each.
void step(benchmark::State& state, Card& card) {
  auto length = static_cast<uint64_t>(state.range(0));
  uint16_t word = 0;
  for (auto _ : state) {
    card.now += length;
    DUVEX_RdStatusDLL(&card.context, &word);
  }
  if ((word & 0xFF) != 0x41 && (word & 0xFF) != 0x51) state.SkipWithError("the bus stopped");
  double simulated = static_cast<double>(state.iterations() * length) / kSecond;
  state.counters["sim_per_cpu"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}

void BM_SaturatedController(benchmark::State& state) {
  Card card(4);
  fillTables(&card.context);
  DUVEX_CommandDLL(&card.context, 10);
  step(state, card);
}
BENCHMARK(BM_SaturatedController)->Arg(1000)->Arg(kSecond);

void BM_TypicalController(benchmark::State& state) {
  Card card(4);
  typicalTables(&card.context);
  DUVEX_CommandDLL(&card.context, 10);
  step(state, card);
}
BENCHMARK(BM_TypicalController)->Arg(1000)->Arg(kSecond);

void BM_Terminals(benchmark::State& state) {
  Card card(5);
  fillTerminals(&card.context);
  DUVEX_CommandDLL(&card.context, 10);
  step(state, card);
}
BENCHMARK(BM_Terminals)->Arg(1000)->Arg(kSecond);

// One listing of 256 entries on a page, with a second of traffic between listings.
void listing(benchmark::State& state, BenchStation& station, int item, const char* name) {
  auto& page = station.open(item, name);
  for (auto _ : state) {
    state.PauseTiming();
    station.windows().advance(1000);
    state.ResumeTiming();
    page.click(3);
  }
  if (page.listCount(6) != 256) state.SkipWithError("the listing did not give 256 lines");
}

void BM_UpDownQueueListing(benchmark::State& state) {
  BenchStation station(kTopGdbBct);
  fillTables(station.card());
  std::string why;
  station.windows().menuCommand(2, why);  // RUNactive
  listing(state, station, 10, "GDB_UD_Q");
}
BENCHMARK(BM_UpDownQueueListing)->Unit(benchmark::kMicrosecond);

// The RT queue page is modal: each listing runs while the page is open, from its pump.
void BM_RtQueueListing(benchmark::State& state) {
  BenchStation station(kTopGdbMrt);
  fillTerminals(station.card());
  std::string why;
  station.windows().menuCommand(2, why);  // RUN
  station.windows().advance(1000);
  station.windows().setPump([&] {
    winsys::HeadlessDialog* page = station.windows().page("GDB_MRT_Q");
    if (!page) return false;
    for (auto _ : state) {
      state.PauseTiming();
      station.windows().advance(1000);
      state.ResumeTiming();
      page->click(3);
    }
    if (page->listCount(6) != 256) state.SkipWithError("the listing did not give 256 lines");
    page->click(1);
    return false;
  });
  station.windows().menuCommand(4, why);  // QUEUE
}
BENCHMARK(BM_RtQueueListing)->Unit(benchmark::kMicrosecond);

}  // namespace
