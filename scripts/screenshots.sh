#!/usr/bin/env bash
# Takes the pictures of the desktop window for the documentation: the station walks SETUP, OK,
# then each mode with traffic, and saves docs/screenshots/*.png (the setup page, the main
# window, the help, each mode's queue page and the monitor stack).
# Runs without a screen (offscreen platform); with XARN_SCREENSHOT_XVFB=1 under Xvfb instead.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
program="$root/$build/gui/xarn_win"
[ -x "$program" ] || { echo "no $program: build the station first" >&2; exit 1; }
out="$root/docs/screenshots"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"   # the station writes its INI file here
if [ "${XARN_SCREENSHOT_XVFB:-0}" = 1 ]; then
  XARN_SCREENSHOT_ROAD="$out" xvfb-run -a -s "-screen 0 1280x1024x24" "$program"
else
  XARN_SCREENSHOT_ROAD="$out" QT_QPA_PLATFORM=offscreen "$program"
fi
