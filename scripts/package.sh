#!/usr/bin/env bash
# Builds the station's Debian package, Release, for /usr: BUILD_DIR/xarn-station_VERSION_ARCH.deb.
# Usage: scripts/package.sh [BUILD_DIR]   (default: build-package, configured here; a given
# directory is a Release build for /usr already, as the test script's)
# Its dependencies are the Debian runtime packages the programs need, found by dpkg-shlibdeps.
# lintian checks it: any error or warning fails the build.
# Install it with: sudo apt-get install ./build-package/xarn-station_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${1:-build-package}
if [ $# -eq 0 ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DXARN_WITH_BENCH=OFF >/dev/null
fi
# Only what the package holds; the tests are built and run by scripts/test.sh.
cmake --build "$build" -j"$(nproc)" --target xarn_console xarn_win xarndll station_icons \
  compressed_docs
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/*.deb
# As root lintian says so first; everything else it says is a finding.
findings=$(lintian --tag-display-limit 0 "$build"/*.deb 2>&1 |
  grep -v '^running with root privileges is not recommended!$' || true)
if [ -n "$findings" ]; then
  echo "$findings"
  echo "lintian: findings above" >&2
  exit 1
fi
echo "lintian: clean"
