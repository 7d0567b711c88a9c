#!/usr/bin/env bash
# Checks that only the dialogue uses the other folders, that the code
# follows .clang-format, that clang-tidy, with the checks in .clang-tidy,
# finds nothing in src/, and that each relative link in the Markdown pages
# names a file that exists. The Windows sources are analysed through the
# MinGW-w64 cross-compiler's headers.
set -euo pipefail
cd "$(dirname "$0")/.."

# The dialogue uses the console and the file layer; those two know nothing
# of the dialogue, nor of each other.
for layer in typebyte console; do
  for header in $(git ls-files 'src/*.hpp' | grep -v "^src/$layer/"); do
    if git grep -qF "#include \"${header##*/}\"" -- "src/$layer"; then
      echo "FAILED: src/$layer includes $header; only src/dialogue may use another folder"
      exit 1
    fi
  done
done
echo "layers: src/typebyte and src/console include nothing from another folder"

while IFS= read -r page; do
  for target in $(grep -oE '\]\([^)#]+' "$page" | cut -c3- | grep -vE '^[a-z]+:' || true); do
    [[ -e $(dirname "$page")/$target ]] || { echo "FAILED: $page links to $target, which does not exist"; exit 1; }
  done
done < <(git ls-files '*.md')
echo "links: every relative link in the Markdown pages names a file that exists"

mapfile -t sources < <(git ls-files '*.cpp' '*.hpp' '*.c')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files follow .clang-format"

lint=$(mktemp -d)
trap 'rm -rf "$lint"' EXIT
cmake -S . -B "$lint/posix" -DBUILD_TESTING=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake -S . -B "$lint/windows" -DBUILD_TESTING=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
mapfile -t windows < <(git ls-files 'src/*_windows.cpp')
mapfile -t posix < <(git ls-files 'src/*.cpp' | grep -v '_windows\.cpp$')
clang-tidy --quiet --warnings-as-errors='*' -p "$lint/posix" "${posix[@]}" 2>/dev/null
# clang finds the MinGW-w64 C headers by itself, but not its C++ library's.
cxx=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-win32/include/c++ | tail -1)
# They must also compile where <windows.h> defines min and max, as MSVC's does.
clang-tidy --quiet --warnings-as-errors='*' -p "$lint/windows" --extra-arg=--target=x86_64-w64-mingw32 \
  --extra-arg=-isystem"$cxx" --extra-arg=-isystem"$cxx/x86_64-w64-mingw32" \
  --extra-arg=-include"$PWD/scripts/windows_sdk_min_max.h" "${windows[@]}" 2>/dev/null
echo "clang-tidy: nothing found in ${#posix[@]} + ${#windows[@]} sources"
