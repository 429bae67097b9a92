#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the station's own sources (or the files
# given), every warning an error. Needs a configured build directory for its compile commands.
# Usage: scripts/tidy.sh [BUILD_DIR] [FILE...]   (default: build, every source)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first" >&2; exit 2; }
if [ $# -gt 0 ]; then
  files=("$@")
else
  files=("$PWD/(app|base|ui|pages|setup|debug|front|console|gui|winsys|xarndll|tests|bench)/")
fi
run-clang-tidy -p "$build" -quiet -j"$(nproc)" "${files[@]}" > "$build/clang-tidy.log" 2>&1 || true
if grep -q -E '(warning|error):' "$build/clang-tidy.log"; then
  grep -E -A3 '(warning|error):' "$build/clang-tidy.log" | sed 's/\x1b\[[0-9;]*m//g'
  echo "clang-tidy: findings above (whole log: $build/clang-tidy.log)" >&2
  exit 1
fi
echo "clang-tidy: clean"
