#!/usr/bin/env bash
# Sets up the machine, builds the station from scratch and runs every test:
#   1. the suite: unit tests, scenarios, fuzz corpora and the window tests (RelWithDebInfo);
#   2. the suite again under the address and undefined-behaviour sanitizers (leaks detected);
#   3. the Release build, which the benchmarks use, and the Debian package from it, which
#      lintian checks;
#   4. each fuzz target for a bounded time (XARN_FUZZ_SECONDS, 30 s by default);
#   5. clang-tidy over the station's sources, and clang-format's check of every source.
# Warnings are errors in every build here. `scripts/test.sh --quick` runs step 1 only.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# Each step's heading says how long the run has taken so far.
start=$SECONDS
step() { printf '\n==== %s (at %d s)\n' "$*" $((SECONDS - start)); }

step "1/5 the suite (RelWithDebInfo)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXARN_WERROR=ON
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"
[ "${1:-}" = "--quick" ] && exit 0

step "2/5 the suite under the address and undefined-behaviour sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXARN_WERROR=ON -DXARN_SANITIZE=ON \
  -DXARN_WITH_QT=OFF -DXARN_WITH_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

step "3/5 the Release build and its package"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DXARN_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr \
  -DXARN_WITH_TESTS=OFF
cmake --build build-release -j"$jobs"
bash scripts/package.sh build-release

step "4/5 fuzzing"
bash scripts/fuzz.sh "${XARN_FUZZ_SECONDS:-30}"

step "5/5 clang-tidy and clang-format"
bash scripts/tidy.sh build
find app base bench card console debug examples front gui pages resources setup tests ui winsys xarndll packaging \
  -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format --dry-run -Werror
echo "clang-format: clean"
step "done"
