#!/usr/bin/env bash
# The release packages as a user gets them: the tool installed from the .deb
# converts a file, the .deb carries the README, the .tar.gz's static binary
# runs, SHA256SUMS vouches for them all, and the win64 and win32 .zip each
# hold the exe, the README, the licence and the manual that --help names,
# the texts with Windows line ends. Usage: installed_package.sh DIST (the folder with them).
set -euo pipefail
dist=$1
fail() {
  echo "FAILED: $*"
  exit 1
}

debs=("$dist"/masterswitch_*.deb)
((${#debs[@]} == 1)) || fail "not one .deb in $dist: ${debs[*]}"
installed=$(mktemp -d)
trap 'rm -rf "$installed"' EXIT
dpkg -x "${debs[0]}" "$installed"
printf '@ABCDEFG\1' >"$installed/mod.esm"
# A piped user has no terminal, so the tool does not wait for a key: a
# session of its own keeps it from the caller's terminal.
output=$(printf '%s\n' "$installed/mod.esm" | setsid -w "$installed/usr/bin/masterswitch")
[[ $output == *"Master -> Plugin" && $(od -An -tx1 -j8 "$installed/mod.esm") == " 00" ]] ||
  fail "the installed binary did not convert"
[[ -f $installed/usr/share/doc/masterswitch/README ]] || fail "no README"
# The .tar.gz's binary needs no loader and no library of the system.
tar -xzf "$dist"/masterswitch-*-Linux.tar.gz -C "$installed"
static=$(echo "$installed"/masterswitch-*-Linux/bin/masterswitch)
elf=$(readelf -d -l "$static")
[[ $elf != *NEEDED* && $elf != *INTERP* ]] || fail "the .tar.gz's binary is not static"
[[ $("$static" --check "$installed/mod.esm") == *": Plugin" ]] || fail "the static binary did not check"
# SHA256SUMS vouches for every other file there.
(cd "$dist" && sha256sum --quiet --strict -c SHA256SUMS) || fail "SHA256SUMS does not match"
listed=$(sed 's/^[0-9a-f]\{64\}  //' "$dist/SHA256SUMS")
[[ $listed == "$(cd "$dist" && LC_ALL=C ls | grep -vx SHA256SUMS)" ]] || fail "SHA256SUMS and the folder disagree"
# crlf_only FILE: every LF in it has a CR before it, as Notepad before
# Windows 10 needs to show the lines apart.
crlf_only() {
  od -An -v -tx1 -w1 "$1" |
    awk '$1 == "0a" { lines++; if (previous != "0d") bad = 1 } { previous = $1 }
      END { exit bad || !lines }'
}
for zip_kind in win64 win32; do
  zips=("$dist"/masterswitch-*-"$zip_kind".zip)
  if ((${#zips[@]} != 1)) || [[ ! -f ${zips[0]} ]]; then
    fail "not one $zip_kind .zip in $dist: ${zips[*]}"
  fi
  unpacked=$installed/$zip_kind
  mkdir "$unpacked"
  zip=$(cd "$(dirname "${zips[0]}")" && pwd)/$(basename "${zips[0]}")
  (cd "$unpacked" && cmake -E tar xf "$zip")
  for file in masterswitch.exe README.txt LICENSE.txt MANUAL.txt; do
    found=$(find "$unpacked" -type f -name "$file")
    [[ -n $found ]] || fail "$zip lacks $file"
    if [[ $file == *.txt ]]; then
      crlf_only "$found" || fail "$file in $zip has lines not ended by CR LF"
    fi
  done
  # The PE header's machine field, 0x8664 for x86-64 and 0x14c for i386.
  exe=$(find "$unpacked" -type f -name masterswitch.exe)
  header=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
  machine=$(od -An -tx2 -j$((header + 4)) -N2 "$exe" | tr -d ' ')
  expected=8664
  [[ $zip_kind == win32 ]] && expected=014c
  [[ $machine == "$expected" ]] || fail "the exe in $zip is for machine 0x$machine"
done
# cmake --install and its remove, in a build of the source archive that an
# ordinary user owns: the user's install into a home, root's into the
# build's prefix (as sudo runs it), in both orders, each removed alone.
round=$(mktemp -d -p /tmp)  # nobody can pass the folders above TMPDIR
trap 'rm -rf "$installed" "$round"' EXIT
user=() rows=("user:install user:remove user:install user:remove")
if ((EUID == 0)); then
  user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  rows=("root:install user:install root:remove user:remove" "user:install root:install user:remove root:remove"
    "root:install root:remove user:install user:remove" "user:install user:remove root:install root:remove")
fi
chmod 755 "$round" && mkdir "$round/build" "$round/home" && tar -xzf "$dist"/masterswitch-*-source.tar.gz -C "$round"
((EUID != 0)) || chown 65534 "$round/build" "$round/home"
build=$round/build root_prefix=$round/usr-local user_prefix=$round/home/.local
"${user[@]}" cmake -S "$round"/masterswitch-*/ -B "$build" -DCMAKE_INSTALL_PREFIX="$root_prefix" >/dev/null
"${user[@]}" cmake --build "$build" -j 2 >/dev/null
step() { # WHO ACTION
  local prefix=$user_prefix as=("${user[@]}") named=(--prefix "$user_prefix") say
  [[ $1 == root ]] && prefix=$root_prefix as=() named=()
  if [[ $2 == install ]]; then
    "${as[@]}" cmake --install "$build" "${named[@]}" >/dev/null || fail "$1's install failed"
    [[ $("$prefix/bin/masterswitch" --version) == masterswitch* ]] || fail "$1's install does not run"
  else
    say=$("${as[@]}" cmake -P "$build/uninstall.cmake" "${named[@]:1}") || fail "$1's remove failed"
    [[ $say == *"Removed $prefix/bin/masterswitch"* && -z $(find "$prefix" -type f) ]] ||
      fail "$1's remove left $(find "$prefix" -type f) and said: $say"
  fi
}
for row in "${rows[@]}"; do
  for action in $row; do step "${action%:*}" "${action#*:}"; done
done
# Root's remove without sudo, and a remove whose list is gone, must not pass.
if ((EUID == 0)); then
  step root install
  ! "${user[@]}" cmake -P "$build/uninstall.cmake" >/dev/null 2>&1 || fail "a user removed root's install"
fi
step user install
rm "$build"/install_manifest_*home*
! "${user[@]}" cmake -P "$build/uninstall.cmake" "$user_prefix" >/dev/null 2>&1 ||
  fail "a remove without the install's list passed"
echo "cmake --install: each remove took its own install away, in ${#rows[@]} sequences"
echo "packages: the .deb installs and its binary converts a file; the .tar.gz's is static;" \
  "SHA256SUMS matches; each .zip holds the exe and CR LF texts, the manual among them"
