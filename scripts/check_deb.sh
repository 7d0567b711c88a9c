#!/usr/bin/env bash
# Checks the release .deb that scripts/release.sh left in dist/: lintian
# finds no error and no warning in it, and its manual page formats with no
# warning from groff, man or mandoc. groff and man exit 0 on a warning, so
# any message they print counts as a failure. Needs lintian, groff-base,
# man-db, mandoc and dpkg-dev.
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in lintian groff man mandoc dpkg-deb dpkg-parsechangelog; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed"; exit 1; }
done

shopt -s nullglob
debs=(dist/masterswitch_*.deb)
((${#debs[@]} == 1)) || { echo "FAILED: ${#debs[@]} .deb files in dist/, not one"; exit 1; }
deb=${debs[0]}

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
page=$unpacked/usr/share/man/man1/masterswitch.1.gz
changelog=$unpacked/usr/share/doc/masterswitch/changelog.gz
[[ -f $page ]] || { echo "FAILED: $deb holds no manual page"; exit 1; }

# quiet NAME COMMAND...: runs COMMAND, failing on any message it prints.
quiet() {
  local name=$1 messages
  shift
  if ! messages=$("$@" 2>&1 >/dev/null) || [[ -n $messages ]]; then
    printf 'FAILED: %s\n%s\n' "$name" "$messages"
    exit 1
  fi
}

quiet "groff -man -ww -z" groff -man -ww -z man/masterswitch.1
quiet "mandoc -T lint" mandoc -T lint man/masterswitch.1
quiet "man -l, on the page in the .deb" env LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings=w -E UTF-8 -l -Tutf8 -Z "$page"
cmp -s <(gzip -dc "$page") man/masterswitch.1 ||
  { echo "FAILED: the .deb's manual page is not man/masterswitch.1"; exit 1; }

package_version=$(dpkg-deb -f "$deb" Version)
gzip -dc "$changelog" >"$unpacked/changelog"
changelog_version=$(dpkg-parsechangelog -l "$unpacked/changelog" -S Version)
[[ $changelog_version == "$package_version" ]] ||
  { echo "FAILED: the changelog's newest entry is $changelog_version, the package $package_version"; exit 1; }

tags=$(lintian --allow-root -I --fail-on error,warning "$deb") ||
  { printf '%s\n' "$tags"; echo "FAILED: lintian reports errors or warnings for $deb"; exit 1; }
# Debian's hardening, whose lack lintian reports only as information: a
# stack protector, fortified libc calls (__*_chk), RELRO and BIND_NOW.
elf=$(readelf -d -l "$unpacked/usr/bin/masterswitch")
symbols=$(nm -D "$unpacked/usr/bin/masterswitch")
if grep hardening- <<<"$tags" ||
  [[ $elf != *BIND_NOW* || $elf != *GNU_RELRO* || $symbols != *__stack_chk_fail* ]] ||
  ! grep -qE ' __[a-z0-9_]+_chk@' <<<"$symbols"; then
  echo "FAILED: $deb lacks some of Debian's hardening"
  exit 1
fi
echo "packages: lintian passes $deb, hardened; its manual page formats without a warning"
