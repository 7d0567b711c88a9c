#!/usr/bin/env bash
# Packs the source into ARCHIVE (masterswitch-VERSION-source.tar.gz), with
# everything under the folder masterswitch-VERSION/: in a checkout, the
# files of the commit as git archive gives them, and in an unpacked source
# archive every file but the build folders and dist/, so that a build from
# that archive packs the same bytes again. packaging/source-commit names
# the commit, as git archive fills it in. With --try, a checkout's files as
# they are, tracked or not ignored, for a try-out that is no release. Run
# by scripts/release.sh, which sets SOURCE_DATE_EPOCH and refuses a tree
# that is not its commit; needs GNU tar and gzip.
# Usage: source_archive.sh ARCHIVE COMMIT [--try]
set -euo pipefail
archive=$(realpath "$1")
commit=$2
try=${3:-}
cd "$(dirname "$0")/.."
shopt -s inherit_errexit
checkout=$(pwd -P)
git() { command git -c safe.directory="$checkout" "$@"; }
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)

# A tar stream of the source; with pipefail, a failed git fails it.
source_tar() {
  if [[ -e .git && -z $try ]]; then
    git archive --format=tar HEAD
  elif [[ -e .git ]]; then
    git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' file; do [[ ! -f $file ]] || printf '%s\0' "$file"; done |
      tar --null -T - -cf -
  else
    find . -path ./.git -prune -o -path './build*' -prune -o -path ./dist -prune -o -path ./.cache -prune \
      -o -type f -printf '%P\0' | tar --null -T - -cf -
  fi
}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/masterswitch-$version
mkdir "$top"
source_tar | tar -xf - -C "$top"
printf '%s\n' "$commit" >"$top/packaging/source-commit"
# Name order, root's, a mode that depends on the executable bit alone, and
# the release's time, whatever the checkout's umask and clock said; no name
# or time in the gzip header.
tar -C "$stage" --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
  --mode='u+rw,go=u,go-w' --mtime="@$SOURCE_DATE_EPOCH" -cf - "masterswitch-$version" |
  gzip -9n >"$archive"
