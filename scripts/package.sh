#!/usr/bin/env bash
# Builds the station's Debian package, Release, for /usr: build-package/xarn-station_VERSION_ARCH.deb.
# Its dependencies are the Debian runtime packages the programs need, found by dpkg-shlibdeps.
# Install it with: sudo apt-get install ./build-package/xarn-station_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DXARN_WITH_BENCH=OFF >/dev/null
# Only what the package holds; the tests are built and run by scripts/test.sh.
cmake --build build-package -j"$(nproc)" --target xarn_console xarn_win xarndll station_icons
(cd build-package && cpack -G DEB)
ls build-package/*.deb
