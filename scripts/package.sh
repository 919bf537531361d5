#!/usr/bin/env bash
# Builds the Debian package tarvos-maschinenpark_<version>_<arch>.deb into build-deb/.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
# dpkg-shlibdeps (dpkg-dev) and file compute the dependencies; desktop-file-utils checks the menu entry.
scripts/deps.sh dpkg-dev file desktop-file-utils
desktop-file-validate resources/tarvos-maschinenpark.desktop
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Only what the package holds is built: the program and its icons.
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" >/dev/null
cmake --build build-deb --target tarvos tarvos-icons -j"$(nproc)"
rm -f build-deb/*.deb
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/*.deb)
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\|Recommends\):/\1:/p'
echo "Paket: $deb"
