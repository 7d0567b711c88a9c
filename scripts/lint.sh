#!/usr/bin/env bash
# Checks that no include in src/ climbs out of its folder, that the code
# follows .clang-format, that clang-tidy, with the checks in .clang-tidy,
# finds nothing in src/, that each relative link in the Markdown pages
# names a file that exists, and that --help, the manual page and the
# README's table list the same exit statuses. The Windows sources are
# analysed through the MinGW-w64 cross-compiler's headers.
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s inherit_errexit
# A checkout owned by another user is trusted for these commands alone. A
# git that fails must fail the script: an empty list would pass each check
# with nothing checked.
checkout=$(pwd -P)
git() { command git -c safe.directory="$checkout" "$@"; }
tracked() { # PATTERN...: the tracked files that match, one a line; some or a failure
  local files
  files=$(git ls-files "$@")
  [[ -n $files ]] || { echo "FAILED: git lists no file for $*" >&2; return 1; }
  echo "$files"
}

# The build keeps each folder of src/ to the others it may use (see
# CMakeLists.txt). A quoted include that climbs out of its folder with ..
# would still be found beside the file, so none may; nor may a file of the
# console or the file layer name another folder but the base, which would
# compile for as long as only the dialogue included that header; nor may
# the base name any.
against_layers() { # PATTERN PATHSPEC MESSAGE
  local found=0 lines
  lines=$(git grep -nE "^\s*#\s*include\s*$1" -- "$2") || found=$?
  ((found <= 1)) || exit "$found"
  lines=$(grep -vE '#\s*include\s*"base/[a-z0-9_]+\.hpp"' <<<"$lines") || found=1
  ((found == 1)) || { echo "FAILED: $3:"; echo "$lines"; exit 1; }
}
against_layers '[<"]([^>"]*/)?\.\./' 'src/*' "an include in src/ climbs with .."
against_layers '"[^"]*/' 'src/typebyte/*' "src/typebyte includes from another folder but src/base"
against_layers '"[^"]*/' 'src/console/*' "src/console includes from another folder but src/base"
against_layers '"[^"]*/' 'src/base/*' "src/base includes from another folder"
echo "layers: no include in src/ climbs with .., the console and the file layer name no folder but the base, the base none"

pages=$(tracked '*.md')
while IFS= read -r page; do
  for target in $(grep -oE '\]\([^)#]+' "$page" | cut -c3- | grep -vE '^[a-z]+:' || true); do
    [[ -e $(dirname "$page")/$target ]] || { echo "FAILED: $page links to $target, which does not exist"; exit 1; }
  done
done <<<"$pages"
echo "links: every relative link in the Markdown pages names a file that exists"

sources=$(tracked '*.cpp' '*.hpp' '*.c')
mapfile -t sources <<<"$sources"
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files follow .clang-format"

lint=$(mktemp -d)
trap 'rm -rf "$lint"' EXIT
cmake -S . -B "$lint/posix" -DBUILD_TESTING=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake -S . -B "$lint/windows" -DBUILD_TESTING=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
windows=$(tracked 'src/*_windows.cpp')
posix=$(tracked 'src/*.cpp')
mapfile -t windows <<<"$windows"
mapfile -t posix < <(grep -v '_windows\.cpp$' <<<"$posix")
clang-tidy --quiet --warnings-as-errors='*' -p "$lint/posix" "${posix[@]}" 2>/dev/null
# clang finds the MinGW-w64 C headers by itself, but not its C++ library's.
cxx=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-win32/include/c++ | tail -1)
# They must also compile where <windows.h> defines min and max, as MSVC's does.
clang-tidy --quiet --warnings-as-errors='*' -p "$lint/windows" --extra-arg=--target=x86_64-w64-mingw32 \
  --extra-arg=-isystem"$cxx" --extra-arg=-isystem"$cxx/x86_64-w64-mingw32" \
  --extra-arg=-include"$PWD/scripts/windows_sdk_min_max.h" "${windows[@]}" 2>/dev/null
echo "clang-tidy: nothing found in ${#posix[@]} + ${#windows[@]} sources"

# The exit statuses are said in full in the manual page and summed up in
# --help and the README's table; a status added or dropped in one must be
# so in all three.
statuses() { grep -oE "$1" | grep -oE '[0-9]+' | sort -nu | paste -sd ' '; }
help=$(sed -n '/^const char kUsage/,/;$/p' src/dialogue/command_line.cpp | sed -n '/Exit status:/,/^ *"\\n"$/p' |
  statuses '(status: |; |^ *")[0-9]+ ')
manual=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH DIAG/p' man/masterswitch.1 | grep -A1 '^\.TP' | statuses '^\.BR? [0-9]+')
readme=$(statuses '^\| [0-9]+ ' <README.md)
if [[ -z $help || $help != "$manual" || $help != "$readme" ]]; then
  echo "FAILED: exit statuses differ: --help '$help', manual page '$manual', README '$readme'"
  exit 1
fi
echo "exit statuses: --help, the manual page and the README list the same: $help"
