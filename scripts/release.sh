#!/usr/bin/env bash
# Builds the release packages into dist/: a .tar.gz and a .deb for Linux,
# and a .zip holding masterswitch.exe and the README for Windows. Needs
# what scripts/test.sh installs (dpkg-dev computes the .deb's dependencies).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j "$(nproc)" >/dev/null
cmake --workflow --preset windows >/dev/null

rm -rf dist
mkdir dist
for build in build-release build-windows; do
  (cd "$build" && cpack >/dev/null)
  cp "$build"/packages/masterswitch[-_]*.{tar.gz,deb,zip} dist/ 2>/dev/null || true
done
ls dist
