#!/usr/bin/env bash
# The release packages as a user gets them: the tool installed from the .deb
# converts a file, the .deb carries the README, and the .zip holds the exe
# and the README. Usage: installed_package.sh DIST (the folder with them).
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
printf 'TES4\0\0\0\0\1' >"$installed/mod.esm"
# A piped user has no terminal, so the tool does not wait for a key: a
# session of its own keeps it from the caller's terminal.
output=$(printf '%s\n' "$installed/mod.esm" | setsid -w "$installed/usr/bin/masterswitch")
[[ $output == *"Master -> Plugin" && $(od -An -tx1 -j8 "$installed/mod.esm") == " 00" ]] ||
  fail "the installed binary did not convert"
[[ -f $installed/usr/share/doc/masterswitch/README.md ]] || fail "no README"
zip_listing=$(cmake -E tar tf "$dist"/masterswitch-*-win64.zip)
[[ $zip_listing == *masterswitch.exe* && $zip_listing == *README.* ]] ||
  fail "the zip lacks the exe or the README"
echo "packages: the .deb installs and its binary converts a file"
