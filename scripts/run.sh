#!/usr/bin/env bash
# Sets up the machine, builds the station and starts it with the simulated card.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p run
cd run
if [ -x ../build/gui/xarn_win ]; then
  exec ../build/gui/xarn_win "$@"
fi
# Without the desktop window, walk the typical road in the console.
exec ../build/console/xarn_console ../docs/demo.xs
