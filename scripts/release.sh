#!/usr/bin/env bash
# Builds the release packages into dist/: a .deb and a .tar.gz for Linux
# (the binary, its manual page, the README, the licence, the copyright file
# and the changelog), for Windows a win64 and a win32 .zip, each holding
# masterswitch.exe, README.txt and LICENSE.txt. Needs what scripts/test.sh
# installs (dpkg-dev computes the .deb's dependencies and gives its build
# flags) and gzip.
set -euo pipefail
cd "$(dirname "$0")/.."

rm -rf dist
mkdir dist
# One build for each package, configured by the preset of that name in
# CMakePresets.json and built in build-<preset>: the .deb's binary is linked
# dynamically, the .tar.gz's statically. Each is configured afresh, so that
# nothing cached by an earlier run counts, and maps the checkout's path out
# of what it compiles.
for preset in linux linux-static windows windows32; do
  # Packages of an older version left in the build tree must not ship.
  rm -rf "build-$preset/packages"
  cmake --preset "$preset" --fresh >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
  cpack --preset "$preset" >/dev/null
  cp "build-$preset"/packages/masterswitch[-_]*.{tar.gz,deb,zip} dist/ 2>/dev/null || true
done
ls dist
