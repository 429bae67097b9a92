// Stations side by side on one shared bus, in virtual time: each a forked process that drives the
// driver directly (XARN_BUS set, its own virtual clock), as consoles on one bus do. Two stations
// (LDB_BCT with the saturated frame against LDB_MRT answering with all 32 terminals) and three
// (plus BUS_MON recording everything), in clock steps of 1 s and of 1 ms, and the controller alone
// without a bus (and alone on one) for comparison with bench_ldb.
//
// Counters, each the run's simulated seconds over:
//   x_real_time  the CPU seconds of all its stations together (what the bus costs the machine);
//   x_wall       the wall seconds from the start signal to the last station's end (how fast a
//                scripted session goes here, the stations sharing the machine's cores).
// The time column is that wall time; the CPU column is the parent's, which only waits. Each
// benchmark runs five times and reports the median (and mean, spread) of the five.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_station.h"
#include "card/xarndll.h"
#include "xarndll/control.h"

namespace {

constexpr uint64_t kSecond = 1'000'000;

enum class Role { Controller, Terminals, Monitor };

constexpr uint16_t modeOf(Role role) {
  switch (role) {
    case Role::Controller:
      return 1;
    case Role::Terminals:
      return 2;
    default:
      return 3;
  }
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

bool readAll(int fd, void* into, size_t bytes) {
  auto* at = static_cast<char*>(into);
  while (bytes > 0) {
    ssize_t n = read(fd, at, bytes);
    if (n <= 0) return false;
    at += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

// One station's process: sets its card up at virtual time 0, says it is ready, waits for the
// start, runs `steps` clock steps of `step` microseconds (a status poll each, where the card
// catches up), and answers the CPU seconds the steps took.
[[noreturn]] void station(Role role, int stations, const std::string& bus, uint64_t step,
                          uint64_t steps, int toParent, int fromParent) {
  if (!bus.empty()) setenv("XARN_BUS", bus.c_str(), 1);
  VirtualCard card(modeOf(role));
  std::string error;
  if (!bus.empty() &&
      !xarnsim::setOption(&card.context, "bus-wait", std::to_string(stations), error))
    _exit(2);
  switch (role) {
    case Role::Controller:
      saturateLdbFrame(&card.context);
      break;
    case Role::Terminals:
      runAllLdbTerminals(&card.context);
      break;
    case Role::Monitor:
      armMonitorUntriggered(&card.context);
      break;
  }
  char go = 0;
  if (write(toParent, &go, 1) != 1 || !readAll(fromParent, &go, 1)) _exit(3);
  double start = cpuSeconds();
  for (uint64_t i = 0; i < steps; ++i) card.step(step);
  double cpu = cpuSeconds() - start;
  if (write(toParent, &cpu, sizeof cpu) != sizeof cpu) _exit(4);
  xarnsim::release(&card.context);  // _exit runs no destructor: the card leaves the bus here
  _exit(0);
}

struct Outcome {
  double wall = 0;
  double cpu = 0;  // all stations together
  bool ok = true;
  std::string failure;  // how a station ended that did not end well
};

// The stations of `roles` on one fresh bus (or each alone, with `onBus` false).
Outcome runStations(const std::vector<Role>& roles, bool onBus, uint64_t step, uint64_t steps) {
  static int runs = 0;
  // A station that ends early closes its pipe: the start signal to it fails, it does not kill.
  signal(SIGPIPE, SIG_IGN);
  std::string bus =
      onBus ? "bench-" + std::to_string(getpid()) + "-" + std::to_string(++runs) : std::string();
  struct Child {
    pid_t pid;
    int from;
    int to;
  };
  std::vector<Child> children;
  for (Role role : roles) {
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0) std::abort();
    pid_t pid = fork();
    if (pid == 0) {
      close(up[0]);
      close(down[1]);
      station(role, static_cast<int>(roles.size()), bus, step, steps, up[1], down[0]);
    }
    close(up[1]);
    close(down[0]);
    children.push_back({pid, up[0], down[1]});
  }
  Outcome out;
  char byte = 0;
  for (Child& c : children) out.ok = readAll(c.from, &byte, 1) && out.ok;
  auto start = std::chrono::steady_clock::now();
  for (Child& c : children) out.ok = write(c.to, &byte, 1) == 1 && out.ok;
  for (Child& c : children) {
    double cpu = 0;
    out.ok = readAll(c.from, &cpu, sizeof cpu) && out.ok;
    out.cpu += cpu;
  }
  out.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (Child& c : children) {
    int status = 0;
    waitpid(c.pid, &status, 0);
    if (WIFSIGNALED(status))
      out.failure += " a station died of signal " + std::to_string(WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
      out.failure += " a station exited with " + std::to_string(WEXITSTATUS(status));
    out.ok = out.ok && out.failure.empty();
    close(c.from);
    close(c.to);
  }
  return out;
}

// range(0): the clock step in microseconds; each run simulates `simulatedSeconds`.
void measure(benchmark::State& state, const std::vector<Role>& roles, bool onBus,
             double simulatedSeconds) {
  auto step = static_cast<uint64_t>(state.range(0));
  auto steps = static_cast<uint64_t>(simulatedSeconds * kSecond / static_cast<double>(step));
  double simulated = static_cast<double>(steps * step) / kSecond;
  double wall = 0, cpu = 0;
  for (auto _ : state) {
    Outcome run = runStations(roles, onBus, step, steps);
    if (!run.ok) {
      state.SkipWithError(("a station failed:" + run.failure).c_str());
      return;
    }
    state.SetIterationTime(run.wall);
    wall += run.wall;
    cpu += run.cpu;
  }
  auto total = simulated * static_cast<double>(state.iterations());
  state.counters["x_real_time"] = total / cpu;
  state.counters["x_wall"] = total / wall;
  state.counters["cpu_per_station"] = cpu / static_cast<double>(state.iterations() * roles.size());
}

const std::vector<Role> kTwo = {Role::Controller, Role::Terminals};
const std::vector<Role> kThree = {Role::Controller, Role::Terminals, Role::Monitor};

void BM_TwoStations(benchmark::State& state) { measure(state, kTwo, true, 20); }
void BM_ThreeStations(benchmark::State& state) { measure(state, kThree, true, 20); }
void BM_ControllerAlone(benchmark::State& state) { measure(state, {Role::Controller}, false, 20); }
void BM_ControllerAloneOnBus(benchmark::State& state) {
  measure(state, {Role::Controller}, true, 20);
}

void configure(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(kSecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
  b->UseManualTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_TwoStations)->Apply(configure);
BENCHMARK(BM_ThreeStations)->Apply(configure);
BENCHMARK(BM_ControllerAlone)->Apply(configure);
BENCHMARK(BM_ControllerAloneOnBus)->Apply(configure);

}  // namespace
