#!/usr/bin/env bash
# The Windows build's key wait in a real terminal: wine runs the tool in a
# detached tmux session, the path is typed into it, and then one key.
# Usage: wine_key_wait.sh EXE KEY, KEY being letter, F1 or Up.
# Exits 77 (skipped) where wine, tmux or the exe is missing.
set -euo pipefail
exe=$1
name=$2
key=$name
[[ $name == letter ]] && key=x

for program in wine tmux timeout od; do
  command -v "$program" >/dev/null || { echo "skipped: no $program"; exit 77; }
done
[[ -f $exe ]] || { echo "skipped: no $exe"; exit 77; }

work=$(mktemp -d)
socket=$work/tmux
trap 'tmux -S "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
printf 'TES4\0\0\0\0\1rest' >"$work/Mod.esm"

screen() { tmux -S "$socket" capture-pane -p -t tool; }
on_screen() { screen | grep -qF -- "$1"; }
byte8() { od -An -tx1 -j8 -N1 "$work/Mod.esm" | tr -d ' '; }
fail() {
  echo "FAILED ($name): $1"
  screen
  exit 1
}
# Polls until the command succeeds; the deadline covers a cold wine start.
wait_until() {
  local what=$1 deadline=$((SECONDS + 60))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || fail "timed out waiting for $what"
    sleep 0.1
  done
}

# Wine maps file names through the locale's character set, ASCII where no
# locale is set.
tmux -S "$socket" new-session -d -s tool -x 120 -y 40 \
  "LC_ALL=C.UTF-8 timeout --foreground 90 wine '$exe'; echo \$? >'$work/status'; sleep 600"
wait_until "the prompt" on_screen "Path to File"
tmux -S "$socket" send-keys -t tool "$work/Mod.esm" Enter
wait_until "the outcome" on_screen "Master -> Plugin"
[[ $(byte8) == 00 ]] || fail "byte 8 not on disk when the outcome was shown"
# Still waiting a second later: a tool that does not wait would have ended.
deadline=$((SECONDS + 1))
while ((SECONDS <= deadline)); do
  [[ ! -e $work/status ]] || fail "the tool did not wait for a key"
  sleep 0.1
done

tmux -S "$socket" send-keys -t tool "$key"
wait_until "the exit" test -s "$work/status"
[[ $(cat "$work/status") == 0 ]] || fail "exit status $(cat "$work/status")"
[[ $(byte8) == 00 ]] || fail "byte 8 changed again"
echo "passed ($name)"
