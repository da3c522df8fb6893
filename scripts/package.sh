#!/usr/bin/env bash
# Builds the Debian package brinewick_VERSION_ARCH.deb: a Release build in build-package,
# installed under /usr, packed by CPack. Needs dpkg-dev (scripts/setup.sh installs it),
# whose dpkg-shlibdeps computes the package's dependencies from the program.
# Prints the package file's path on the last line.
set -euo pipefail

cd "$(dirname "$0")/.."
build=build-package

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF
cmake --build "$build" --parallel 2
(cd "$build" && cpack -G DEB)

deb=$(ls -t "$build"/brinewick_*.deb | head -n 1)
dpkg-deb --field "$deb" Package Version Architecture Installed-Size Depends
echo "$PWD/$deb"
