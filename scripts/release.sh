#!/usr/bin/env bash
# Builds the release packages into dist/: a .tar.gz and a .deb for Linux
# (the binary, its manual page, the README, the licence, the copyright file
# and the changelog), and for Windows a win64 and a win32 .zip, each holding
# masterswitch.exe, README.txt and LICENSE.txt. Needs what scripts/test.sh
# installs (dpkg-dev computes the .deb's dependencies) and gzip.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)" >/dev/null
cmake --workflow --preset windows >/dev/null
cmake --workflow --preset windows32 >/dev/null

rm -rf dist
mkdir dist
for build in build-release build-windows build-windows32; do
  # Packages of an older version left in the build tree must not ship.
  rm -rf "$build/packages"
  (cd "$build" && cpack >/dev/null)
  cp "$build"/packages/masterswitch[-_]*.{tar.gz,deb,zip} dist/ 2>/dev/null || true
done
ls dist
