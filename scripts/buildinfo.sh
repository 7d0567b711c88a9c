#!/usr/bin/env bash
# Prints the build-info of the release that scripts/release.sh has just
# built: its version, time and commit, the Debian release it was built on,
# and the version of each Debian package whose files went into the
# packages: the headers the compilers read (from their dependency files),
# the compilers, assemblers, linkers and the libraries linked in, and what
# packs and compresses. The same tools give the same bytes again.
# A try-out says first that it is no release.
# Usage: buildinfo.sh COMMIT, in the checkout, with SOURCE_DATE_EPOCH set.
set -euo pipefail
commit=$1
cd "$(dirname "$0")/.."
builds=(build-linux build-linux-static build-windows build-windows32)

# The files of the system that the compilers read, one per line, from the
# dependency files, which escape a blank in a name as "\ " and a $ as $$.
headers() {
  local build
  for build in "${builds[@]}"; do
    cat "$build"/CMakeFiles/masterswitch*.dir/src/*/*.d
  done | sed 's/ \\$//; s/\\ /\x01/g' | tr ' ' '\n' | tr '\001' ' ' | sed 's/\$\$/$/g' |
    grep '^/usr/' | grep -vF "$PWD/" || true
}
toolchain_files() { # COMPILER LIBRARY...
  local compiler=$1 program library
  shift
  command -v "$compiler"
  for program in cc1plus as ld; do
    program=$("$compiler" -print-prog-name="$program")
    command -v "$program" || true
  done
  for library in "$@"; do
    library=$("$compiler" -print-file-name="$library")
    [[ $library != /* ]] || echo "$library"
  done
}
used_files() {
  headers
  toolchain_files g++ libstdc++.a libgcc.a libgcc_eh.a libc.a libc_nonshared.a crt1.o Scrt1.o rcrt1.o
  for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
    toolchain_files "$triple-g++" libstdc++.a libgcc.a libgcc_eh.a libmsvcrt.a libkernel32.a crt2.o
    command -v "$triple-windres"
  done
  command -v cmake dpkg-shlibdeps mandoc # mandoc renders the zips' MANUAL.txt
  # CPack writes the .tar.gz, the zips and the .deb through libarchive.
  ldd "$(command -v cmake)" | grep -oE '/[^ ]*lib(archive|z|lzma|zstd|bz2)\.so[^ ]*' || true
}

# The package of each file; since /bin and /lib became links into /usr,
# dpkg may know a file by its name without /usr.
packages() {
  local files
  files=$(xargs -r -d '\n' realpath -m)
  { echo "$files"; sed 's|^/usr/|/|' <<<"$files"; } |
    xargs -r -d '\n' dpkg-query -S 2>/dev/null | sed 's/: .*//; s/, /\n/g' || true
  printf '%s\n' cmake-data gzip tar # CMake's modules; the source archive
}

os_release() { (. /etc/os-release && echo "$PRETTY_NAME"); }
echo "masterswitch $(dpkg-parsechangelog -l packaging/debian/changelog -S Version)"
# The commit that release.sh --try names, and a build from its source
# archive finds again.
if [[ $commit == *"no release" ]]; then
  echo "NO RELEASE: a try-out (release.sh --try) of a tree that differs from its commit;"
  echo "not to be published"
fi
echo "Release time: $SOURCE_DATE_EPOCH ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))," \
  "the changelog's newest entry"
echo "Commit: $commit"
echo "Built on: $(os_release), point release $(cat /etc/debian_version), $(dpkg --print-architecture)"
echo
echo "The Debian packages whose files went into the release, at the versions that"
echo "built it; with these installed, bash scripts/release.sh in the unpacked source"
echo "archive gives the same bytes:"
echo
used_files | sort -u | packages | sort -u |
  xargs dpkg-query -W -f='${binary:Package} ${Version}\n' | awk '{ printf "  %-40s %s\n", $1, $2 }'
