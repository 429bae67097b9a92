// Setup files (a million driver calls and a 2 MB file each way), one redraw of the card memory
// display, and a firmware upgrade of a full buffer image.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_station.h"
#include "debug/firmware.h"
#include "setup/setup_files.h"
#include "xarndll/sim/firmware.h"

namespace {

using Bench = BenchStation;

void BM_SetupSave(benchmark::State& state) {
  Bench bench;
  for (auto _ : state) {
    if (setup::SaveSetup(bench.card(), "BENCH.SUP") != 0) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(state.iterations() * setup::kSetupFileBytes);
}
BENCHMARK(BM_SetupSave)->Unit(benchmark::kMillisecond);

void BM_SetupLoad(benchmark::State& state) {
  Bench bench;
  setup::SaveSetup(bench.card(), "BENCH.SUP");
  for (auto _ : state) {
    if (setup::LoadSetup(bench.card(), "BENCH.SUP") != 0) state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(state.iterations() * setup::kSetupFileBytes);
}
BENCHMARK(BM_SetupLoad)->Unit(benchmark::kMillisecond);

// One step of the scroll bar: 65 word reads, eight list lines and the two fields.
void BM_MemoryPageRedraw(benchmark::State& state) {
  Bench bench;
  bench.station().openPage("BUGdisp", false);
  winsys::HeadlessDialog* page = bench.windows().page("DEBUG_DISP");
  bool down = true;
  for (auto _ : state) {
    page->scroll(8, down ? winsys::ScrollAction::LineDown : winsys::ScrollAction::LineUp);
    down = !down;
  }
}
BENCHMARK(BM_MemoryPageRedraw)->Unit(benchmark::kMicrosecond);

// A valid image filling the whole buffer, as the two upgrade files.
void writeFullImage() {
  constexpr uint32_t kWords = 32768;
  std::vector<uint16_t> image(kWords);
  image[0] = xarnsim::firmware::kImageMarker;
  image[1] = 5;
  image[2] = static_cast<uint16_t>(kWords);
  for (uint32_t i = 3; i + 1 < kWords; ++i) image[i] = static_cast<uint16_t>(i * 40503u);
  image[kWords - 1] = xarnsim::firmware::checkWord(image.data(), kWords - 1);
  for (bool high : {true, false}) {
    std::ofstream out(high ? "FULL.HGH" : "FULL.LOW", std::ios::binary);
    out << "$A0000,\r\n";
    char byte[4];
    for (uint32_t i = 0; i < kWords; ++i) {
      std::snprintf(byte, sizeof byte, "%02X", high ? image[i] >> 8 : image[i] & 0xFF);
      out << byte << (i % 16 == 15 ? "\r\n" : " ");
    }
  }
}

// The loader's whole run: mode command, buffer cleared, 65,536 bytes read-modify-written and
// the handshake; the card's five seconds of programming pass outside the timing.
void BM_FirmwareUpgradeFullImage(benchmark::State& state) {
  Bench bench;
  writeFullImage();
  for (auto _ : state) {
    if (debug::UpgradeFirmware(bench.card(), "FULL.HGH", "FULL.LOW") != 0)
      state.SkipWithError("upgrade failed");
    state.PauseTiming();
    bench.windows().advance(5000);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirmwareUpgradeFullImage)->Unit(benchmark::kMillisecond);

}  // namespace
