#!/bin/bash
# Runs every test of a coverage build on its own and writes, a file a test, the lines and branches
# of the station's code it covers: OUT/cov/<kind>:<test>.txt ("file:line" and
# "file:line:block:branch"; '/' in a test's name becomes '#').
#
# Usage: scripts/mutants/coverage.sh BUILD OUT
# BUILD is configured with clang's source-based coverage, for example:
#   F="-O1 -fprofile-instr-generate -fcoverage-mapping"
#   cmake -S . -B build-cov -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_C_COMPILER=clang \
#     -DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_FLAGS=$F" "-DCMAKE_C_FLAGS=$F" \
#     -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate \
#     -DCMAKE_SHARED_LINKER_FLAGS=-fprofile-instr-generate -DXARN_WITH_BENCH=OFF
set -euo pipefail
B=$(realpath "$1")
OUT=$(realpath -m "$2")
mkdir -p "$OUT/raw"
# The window tests are one CTest test; they run a function at a time instead.
(cd "$B" && ctest -N | awk '/Test *#/{print $3}' | grep -v '^gui\.window$' | sed 's/^/ctest /') >"$OUT/tests"
(cd "$B/tests/gui" && QT_QPA_PLATFORM=offscreen ./gui_tests -functions | sed 's/()$//; s/^/gui /') >>"$OUT/tests"
run_one() {
  local B=$1 OUT=$2 kind=$3 name=$4
  local d="$OUT/raw/$kind:${name//\//#}"
  rm -rf "$d" && mkdir -p "$d"
  export LLVM_PROFILE_FILE="$d/%p-%m.profraw" QT_QPA_PLATFORM=offscreen
  if [ "$kind" = ctest ]; then
    (cd "$B" && ctest -R "^${name//./\\.}( |\$)" --timeout 600 >"$d/log" 2>&1) || echo "FAILED $name"
  else
    (cd "$B/tests/gui" && ./gui_tests "$name" >"$d/log" 2>&1) || echo "FAILED $name"
  fi
}
export -f run_one
xargs -P "$(nproc)" -L1 bash -c 'run_one "$0" "$1" "$2" "$3"' "$B" "$OUT" <"$OUT/tests"
python3 "$(dirname "$0")/covered.py" "$B" "$OUT"
