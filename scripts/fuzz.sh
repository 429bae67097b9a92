#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) and runs each
# for a bounded time, as many at once as there are cores, from its kept corpus
# (tests/fuzz/corpus/NAME). New inputs go to a scratch corpus; an input that crashes is saved as
# build-fuzz/crash-NAME-* and the script fails. Keep such an input, once fixed, in the corpus:
# every build replays it (CTest fuzz.corpus.NAME).
# Usage: scripts/fuzz.sh [SECONDS_EACH] [NAME...]   (default 30 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DXARN_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fields ini setup_file firmware template console driver capture bus)
fi
# One target: its result line on standard output, 1 when it found a crash.
fuzz_one() {
  local name=$1 scratch log runs rate
  scratch=$(mktemp -d)
  log=build-fuzz/fuzz-$name.log
  if ! ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 build-fuzz/tests/fuzz/fuzz_$name \
      -max_total_time="$seconds" -timeout=300 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$PWD/build-fuzz/crash-$name-" "$scratch" "$PWD/tests/fuzz/corpus/$name" \
      >"$log" 2>&1; then
    echo "fuzz_$name: FAILED (see $log)"
    grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5
    rm -rf "$scratch"
    return 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz_$name: $runs executions in ${seconds} s, $rate a second, no crash"
  rm -rf "$scratch"
}
# As many targets at once as the machine has cores (each fuzzer is one process); their lines
# come out in the order of the list.
status=0
jobs=$(nproc)
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
  pids=()
  for name in "${targets[@]:i:jobs}"; do
    fuzz_one "$name" >"build-fuzz/result-$name.txt" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  for name in "${targets[@]:i:jobs}"; do cat "build-fuzz/result-$name.txt"; done
done
exit $status
