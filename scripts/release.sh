#!/usr/bin/env bash
# Builds the release packages into dist/: a .deb and a .tar.gz for Linux
# (the binary, its manual page, the README, the licence, the copyright file
# and the changelog), for Windows a win64 and a win32 .zip, each holding
# masterswitch.exe, README.txt and LICENSE.txt, and SHA256SUMS, which lists
# the checksum of each. Needs what scripts/test.sh installs (dpkg-dev
# computes the .deb's dependencies and gives its build flags), gzip and,
# for anyone but root, fakeroot.
#
# The same source gives the same bytes in dist/, whatever the folder, the
# time, the umask, the user and the locale, so that anyone can check a
# release by building it again.
set -euo pipefail
cd "$(dirname "$0")/.."

# Every time stamp in the packages is the release's: the last commit's
# time or, in a source tarball, that of the changelog's newest entry.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  if [[ -e .git ]]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  else
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/debian/changelog -S Timestamp)
  fi
fi
export SOURCE_DATE_EPOCH
# CPack packs each folder, and each member of the .deb, with the mode it
# got on disk, so a strict umask would ship a documentation folder that
# only its owner may enter. CMake's default folder modes for installs
# (CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS) go through the umask too.
umask 022
# The C locale, whatever the caller's, sorts the names in SHA256SUMS; a zip
# holds its times as clock times, here those of UTC.
export LC_ALL=C TZ=UTC

# CPack writes the owner of each file into the .tar.gz and the zips: for
# anyone but root, fakeroot makes that root too, as in the .deb.
as_root=()
((EUID == 0)) || as_root=(fakeroot)

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
  "${as_root[@]}" cpack --preset "$preset" >/dev/null
  cp "build-$preset"/packages/masterswitch[-_]*.{tar.gz,deb,zip} dist/ 2>/dev/null || true
done
(cd dist && sha256sum -- * >SHA256SUMS)
ls dist
