#!/usr/bin/env bash
# Builds the release into dist/: a .deb and a .tar.gz for Linux (the
# binary, its manual page, the README, the licence, the copyright file and
# the changelog), for Windows a win64 and a win32 .zip, each holding
# masterswitch.exe, README.txt, LICENSE.txt and MANUAL.txt; the source
# archive they were built from; a build-info file naming the tools that
# built them; and SHA256SUMS, which lists the checksum of each. No macOS
# binary: nothing here can run one. Needs what scripts/test.sh
# installs (dpkg-dev gives the release time, the .deb's dependencies and its
# build flags), gzip and, for anyone but root, fakeroot.
#
# The same source gives the same bytes in dist/, from a git checkout or
# from the source archive, whatever the folder, the time, the umask, the
# user, the locale and the caller's build variables, so that anyone can
# check a release by building it again with the same tools.
#
# From a git checkout, a release is its commit: a tree with changes not
# committed, or with files that are neither tracked nor ignored, is refused.
# Usage: release.sh [--try], --try building such a tree anyway, for trying
# things out: its build-info then says that it is no release.
set -euo pipefail
# The project's own compiler, flags and tools, whatever the caller's
# environment holds: CC, CXXFLAGS and the like, DEB_* settings and a
# dpkg-buildflags configuration in HOME, TAR_OPTIONS, or other tools first
# in PATH. So the script starts again with an environment of its own; a
# developer's everyday build is no release and still gets them.
if [[ ${1:-} != --own-environment ]]; then
  exec env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/nonexistent bash "$0" --own-environment "$@"
fi
shift
try=false changes=""
case ${1:-} in
  --try) try=true ;;
  "") ;;
  *) echo "usage: release.sh [--try]" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
shopt -s inherit_errexit
# A checkout owned by another user (a shared build account, a CI cache) is
# trusted for this script's own git commands, not machine-wide.
checkout=$(pwd -P)
git() { command git -c safe.directory="$checkout" "$@"; }

# The release is the changelog's newest entry, which a git checkout and the
# source archive both hold: every time stamp in dist/ is its time.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/debian/changelog -S Timestamp)
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

# The commit goes into the build-info, and into the source archive, where a
# build from that archive finds it again, as in one that git archive made.
if [[ -e .git ]]; then
  commit=$(git rev-parse HEAD)
  # Without the caller's HOME, a developer's global excludes no longer
  # hide an editor's files: they are named here, not shipped.
  changes=$(git status --porcelain --untracked-files=all)
  if [[ -n $changes ]]; then
    if ! $try; then
      echo "Refused: a release is its commit, and this tree differs from $commit in:" >&2
      echo "$changes" >&2
      echo "Commit or remove these files (or ignore them in .gitignore), or build a try-out" \
        "that is no release with: bash scripts/release.sh --try" >&2
      exit 1
    fi
    echo "A try-out, no release: the tree differs from its commit in these files, as they are here:"
    echo "$changes"
    commit+=", with changes not committed: a try-out, no release"
  fi
else
  commit=$(<packaging/source-commit)
  [[ $commit != *'$Format'* ]] || commit="not known: a copy of a checkout without its .git"
fi
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)

rm -rf dist
mkdir dist
bash scripts/source_archive.sh "dist/masterswitch-$version-source.tar.gz" "$commit" ${changes:+--try}
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
bash scripts/buildinfo.sh "$commit" >"dist/masterswitch-$version.buildinfo"
(cd dist && sha256sum -- * >SHA256SUMS)
ls dist
