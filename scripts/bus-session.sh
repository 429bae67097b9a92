#!/usr/bin/env bash
# The three-station session of the README, in windows: station A (LDB_BCT), B (LDB_MRT) and C
# (BUS_MON) on the shared bus "lab1", each driven by its script in docs/bus-session/. With
# --shot FILE the windows are laid out side by side and the screen is saved in FILE.
# Needs a display (DISPLAY; for --shot a screen of 1920 x 1080 with a window manager), xdotool and
# ImageMagick's import for --shot.
# Usage: scripts/bus-session.sh [--shot FILE] [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shot=
if [ "${1:-}" = --shot ]; then
  shot=$(realpath -m "$2")
  shift 2
fi
program="$root/${1:-build}/gui/xarn_win"
[ -x "$program" ] || { echo "no $program: build the station first" >&2; exit 1; }
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
for station in a b c; do
  mkdir -p "$work/$station"
  (cd "$work/$station" &&
    XARN_DRIVE_SCRIPT="$root/docs/bus-session/station-$station.road" \
      exec "$program" --bus lab1 >/dev/null 2>&1) &
  pids+=($!)
  sleep 0.7
done
if [ -z "$shot" ]; then
  wait
  exit 0
fi
sleep 5
# A screen of 1920 x 1080: the two busy stations' main windows on top, the pages below.
place() {  # place PID TITLE X Y: the station's window of that title
  local window
  window=$(xdotool search --all --pid "$1" --name "$2" | tail -1)
  [ -n "$window" ] || return 0
  xdotool windowmove "$window" "$3" "$4"
  xdotool windowraise "$window"
}
hide() {  # off the screen: minimising one window of a station would take all of its windows
  local window
  for window in $(xdotool search --all --pid "$1" --name "$2"); do
    xdotool windowmove "$window" 4000 4000
  done
}
hide "${pids[0]}" "^ (Frame|Run)"
hide "${pids[2]}" "mode"
place "${pids[0]}" "mode" 0 0
place "${pids[1]}" "mode" 940 0
place "${pids[0]}" "Message Page" 0 460
place "${pids[1]}" "Queue" 620 460
place "${pids[2]}" "Stack" 1220 460
sleep 1
import -window root "$shot"
echo "saved $shot"
