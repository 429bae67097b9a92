#!/usr/bin/env bash
# Measures the desktop window: time from process start to the first painted main window (median
# of 5 runs, after one warm-up run), and the peak memory of the station idling in LDB_BCT with
# its status line running. On the offscreen platform and, when Xvfb is there, on an X server.
# Usage: scripts/measure-window.sh [BUILD_DIR] [IDLE_SECONDS]   (defaults: build, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
program="$PWD/${1:-build}/gui/xarn_win"
idle=${2:-10}
[ -x "$program" ] || { echo "no $program: build the station first" >&2; exit 1; }
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"   # the station writes its INI file here

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# $1: label; the rest: the environment that chooses the platform.
measure() {
  local label=$1 runs=()
  shift
  env "$@" XARN_STARTUP_PROBE=1 timeout 20 "$program" >/dev/null 2>&1
  for _ in 1 2 3 4 5; do
    runs+=("$(env "$@" XARN_STARTUP_PROBE=1 timeout 20 "$program" 2>/dev/null |
              sed -n 's/^first paint: \([0-9]*\) ms.*/\1/p')")
  done
  echo "$label: first paint, ms after process start: ${runs[*]} (median $(printf '%s\n' "${runs[@]}" | median))"
  env "$@" XARN_IDLE_PROBE="$idle" timeout $((idle + 20)) "$program" 2>/dev/null |
    sed "s/^/$label: after ${idle} s idle in LDB_BCT: /"
}

measure offscreen QT_QPA_PLATFORM=offscreen
if command -v Xvfb >/dev/null; then
  Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  measure xvfb -u QT_QPA_PLATFORM DISPLAY=:77
fi
