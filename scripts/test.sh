#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the tool,
# then builds it with g++ and with clang++, and once more with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test in
# each build. Installing needs root; nothing is installed that is present.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make g++ clang libgtest-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# build_and_test DIR [cmake options...]
build_and_test() {
  local dir=$1
  shift
  echo "== $dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j 2
}

build_and_test build -DCMAKE_CXX_COMPILER=g++
build_and_test build-clang -DCMAKE_CXX_COMPILER=clang++
build_and_test build-sanitize -DCMAKE_CXX_COMPILER=clang++ -DMASTERSWITCH_SANITIZE=ON
