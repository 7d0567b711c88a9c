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
echo "packages: the .deb installs and its binary converts a file; the .tar.gz's is static;" \
  "SHA256SUMS matches; each .zip holds the exe and CR LF texts, the manual among them"
