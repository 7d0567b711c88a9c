#!/usr/bin/env bash
# The whole-program, fault and wine tests, and the release packages' check,
# once more as a newcomer may run them: from inside a terminal, from a
# checkout under a folder that only its owner may enter and whose name holds
# a blank, a quote, a $ and an &, with a long TMPDIR, and with no locale and no HOME. Each of these
# has broken the tests before. Built with g++ only.
# Needs what scripts/test.sh leaves behind: build-windows/masterswitch.exe,
# build-windows32/masterswitch.exe and dist/.
# Usage: bash tests/foreign_conditions.sh
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
  cd "$(dirname "$0")/.."
  for needed in build-windows/masterswitch.exe build-windows32/masterswitch.exe dist; do
    [[ -e $needed ]] || { echo "FAILED: no $needed; run scripts/test.sh first"; exit 1; }
  done
  top=$(mktemp -d)
  trap 'rm -rf "$top"' EXIT
  private="$top/private dir, it's \$HOME & co"
  mkdir -m 700 "$private"
  checkout=$private/masterswitch
  # Long enough to overrun any fixed 49-character cut; outside that folder, as
  # a quote in TMPDIR makes CMake 3.25 miss the compiler's library folders.
  temp="$top/temporary files of the test run"
  mkdir -p "$checkout/build-windows" "$checkout/build-windows32" "$temp"
  # The files a build would see: tracked ones and new ones not ignored.
  git -c safe.directory="$(pwd -P)" ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$checkout"
  cp build-windows/masterswitch.exe "$checkout/build-windows/"
  cp build-windows32/masterswitch.exe "$checkout/build-windows32/"
  cp -r dist "$checkout/"
  inside=$(printf '%q ' env -i PATH="$PATH" TMPDIR="$temp" \
    bash "$checkout/tests/foreign_conditions.sh" --inside "$checkout")
  # In a pseudo-terminal of its own; the terminal's CR LF line ends are
  # taken out of the log.
  script -qec "$inside" /dev/null </dev/null | tr -d '\r'
  exit "${PIPESTATUS[0]}"
fi

checkout=$2
cd "$checkout"
echo "== foreign conditions: $PWD, TMPDIR=$TMPDIR, no locale, no HOME, on $(tty)"

export WINEPREFIX=$TMPDIR/wine/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Where i386 programs run under qemu, the test command ran the 32-bit exe's
# emulated cases, at a minute a wine process; here only the 64-bit exe's.
only_64bit=()
if grep -qsx 'interpreter /usr/bin/qemu-i386-static' /proc/sys/fs/binfmt_misc/*; then
  export PATH=$PWD/tests/wine64_first:$PATH QEMU_RESERVED_VA=0xf7000000
  only_64bit=(-LE wine32)
fi
trap 'wineserver -k 2>/dev/null || true' EXIT
bash tests/wine_prefix.sh

# The Windows build command of docs/building.md, which once broke in such a folder.
cmake --workflow --preset windows >/dev/null
cmake -S . -B build-gcc -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMASTERSWITCH_WERROR=ON -DBUILD_TESTING=ON \
  -DMASTERSWITCH_WINE_TESTS=ON -DCMAKE_CXX_COMPILER=g++ -DMASTERSWITCH_EXE="$PWD/build-windows/masterswitch.exe" \
  -DMASTERSWITCH_EXE32="$PWD/build-windows32/masterswitch.exe" >/dev/null
cmake --build build-gcc -j "$(nproc)" >/dev/null
# CTest names go into logs, file names and command lines.
unfit=$(ctest --test-dir build-gcc -N | grep -E '^ *Test +#' |
  LC_ALL=C grep -vE '^ *Test +#[0-9]+: [!-~]{1,120}$' || true)
[[ -z $unfit ]] || { echo "FAILED: test names not short and printable:"; echo "$unfit"; exit 1; }
ctest --test-dir build-gcc -L 'process|faults|wine' "${only_64bit[@]}" --output-on-failure --no-tests=error -j 2
# The tool would wait for a key on this terminal for good if it got it.
timeout 60 bash tests/installed_package.sh dist
