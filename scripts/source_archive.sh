#!/usr/bin/env bash
# Packs the source into ARCHIVE (masterswitch-VERSION-source.tar.gz), with
# everything under the folder masterswitch-VERSION/: the files git tracks
# or would track in a checkout, and every file but the build folders and
# dist/ in an unpacked source archive, so that a build from that archive
# packs the same bytes again. packaging/source-commit names the commit, as
# git archive fills it in. Run by scripts/release.sh, which sets
# SOURCE_DATE_EPOCH; needs GNU tar and gzip.
# Usage: source_archive.sh ARCHIVE COMMIT
set -euo pipefail
archive=$(realpath "$1")
commit=$2
cd "$(dirname "$0")/.."
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)

source_files() { # NUL-separated, the folder's own files only
  if [[ -e .git ]]; then
    git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' file; do [[ ! -f $file ]] || printf '%s\0' "$file"; done
  else
    find . -path ./.git -prune -o -path './build*' -prune -o -path ./dist -prune \
      -o -type f -printf '%P\0'
  fi
}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/masterswitch-$version
mkdir "$top"
source_files | tar --null -T - -cf - | tar -xf - -C "$top"
printf '%s\n' "$commit" >"$top/packaging/source-commit"
# Name order, root's, a mode that depends on the executable bit alone, and
# the release's time, whatever the checkout's umask and clock said; no name
# or time in the gzip header.
tar -C "$stage" --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
  --mode='u+rw,go=u,go-w' --mtime="@$SOURCE_DATE_EPOCH" -cf - "masterswitch-$version" |
  gzip -9n >"$archive"
