#!/usr/bin/env bash
# Installs every Debian package the station's build, tests and screenshots need.
set -euo pipefail
# Build and tests; the window under Xvfb with a window manager; the fuzz targets (clang and its
# libFuzzer runtime) and clang-tidy; dpkg-dev, file and lintian for the Debian package
# (scripts/package.sh); gcc and pkgconf to build the installed example program as a user would
# (the install test); Qt Charts for the activity view; tshark, which the tests run on the
# station's capture files.
packages=(cmake g++ make qt6-base-dev qt6-charts-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth clang-format libgl-dev fonts-dejavu-core openbox xdotool
          clang-14 libclang-rt-14-dev clang-tidy dpkg-dev file lintian gcc pkgconf tshark)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  # tshark's package asks whether ordinary users may capture; the station only reads files.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | $SUDO debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
