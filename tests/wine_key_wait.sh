#!/usr/bin/env bash
# The Windows build's key wait in a real terminal: wine runs the tool in a
# detached tmux session, the path is typed into it, and then one key.
# Usage: wine_key_wait.sh EXE BITS CASE, BITS being 32 or 64, CASE being the key that ends the wait
# (letter, F1 or Up), or
#   typeahead  a key typed along with the path, before the outcome is shown,
#              which must not end the wait;
#   euro       a file name with letters outside the console's code page;
#   arguments  that name and a missing one given as arguments: one line
#              each on the console, in its letters. Whether the tool then
#              waits for a key is wine's to say: it counts the processes on
#              its console differently from one build and install to the
#              next. Either way the exit status must be right, and a wait
#              must be in raw mode and end with one key.
# Exits 77 (skipped) where wine, tmux or the exe is missing, or where a
# 32-bit exe cannot run here (see tool_wine.cpp); never for what the exe did.
set -euo pipefail
exe=$1
bits=$2
name=$3
key=x file=Mod.esm typed_ahead=()
case $name in
  F1 | Up) key=$name ;;
  # Sent in one burst with the path, as a hasty user types: in the console's
  # buffer before the tool gets to the key wait.
  typeahead) typed_ahead=(y) ;;
  euro | arguments) file="Mod €Ω.esm" ;;
  letter) ;;
  *) echo "unknown case $name" >&2; exit 2 ;;
esac

for program in wine tmux timeout od stty; do
  command -v "$program" >/dev/null || { echo "skipped: no $program"; exit 77; }
done
[[ -f $exe ]] || { echo "skipped: no $exe"; exit 77; }
if ((bits == 32)); then
  [[ ${MASTERSWITCH_NO_32BIT:-} != 1 ]] ||
    { echo "skipped: this kernel runs no 32-bit programs (MASTERSWITCH_NO_32BIT=1)"; exit 77; }
  [[ -x /usr/lib/wine/wine ]] || { echo "skipped: wine cannot run 32-bit programs here: no wine32"; exit 77; }
fi
# Seconds a step may take: a cold wine start, or under qemu's emulation of
# i386 programs, which takes a minute of a core for each wine process.
patience=60
[[ $bits != 32 || ${MASTERSWITCH_32BIT_EMULATED:-} != 1 ]] || patience=600

work=$(mktemp -d)
socket=$work/tmux
trap 'tmux -S "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
path=$work/$file
printf '@ABCDEFG\1rest' >"$path"

screen() { tmux -S "$socket" capture-pane -p -t tool; }
on_screen() { screen | grep -qF -- "$1"; }
byte8() { od -An -tx1 -j8 -N1 "$path" | tr -d ' '; }
fail() {
  echo "FAILED ($name): $1"
  screen
  exit 1
}
# Polls until the command succeeds; the deadline covers a cold wine start.
wait_until() {
  local what=$1 deadline=$((SECONDS + patience))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || fail "timed out waiting for $what"
    sleep 0.1
  done
}

# Wine may draw on the terminal before it puts it in raw mode. Keys typed in
# between are echoed by the terminal, held back until a newline, and Enter
# reaches wine as Ctrl+J, which ends no line.
terminal_is_raw() {
  local pane_tty modes
  pane_tty=$(tmux -S "$socket" display-message -p -t tool '#{pane_tty}')
  modes=" $(stty -F "$pane_tty" -a | tr '\n' ' ') "
  [[ $modes == *" -icanon "* && $modes == *" -echo "* ]]
}

# Wine maps file names through the locale's character set, ASCII where no
# locale is set. The paths reach tmux's shell as variables, whatever they hold.
if [[ $name == arguments ]]; then
  tmux -S "$socket" new-session -d -s tool -x 120 -y 40 -c "$work" -e "EXE=$exe" -e "FILE=$file" \
    -e "TIMEOUT=$((patience + 30))" \
    'LC_ALL=C.UTF-8 WINEDEBUG=+console timeout --foreground $TIMEOUT wine "$EXE" "$FILE" nope.esm 2>trace
    echo $? >status; sleep 600'
  lines_shown() { on_screen "$file: Master -> Plugin" && on_screen "nope.esm: File does not exist!"; }
  wait_until "one line per file, in the file's letters" lines_shown
  key_wait_began() { grep -q 'console_input_ioctl flush' "$work/trace"; } # a key sent before is lost
  wait_until "the key wait or the exit" eval 'key_wait_began || [[ -s $work/status ]]'
  after="returned at once"
  if key_wait_began; then
    after="waited for a key"
    tmux -S "$socket" send-keys -t tool x
  fi
  wait_until "the exit" test -s "$work/status"
  [[ $(cat "$work/status") == 255 ]] || fail "exit status $(cat "$work/status")"
  [[ $(byte8) == 00 ]] || fail "byte 8 not converted"
  echo "passed ($name: $after)"
  exit 0
fi
tmux -S "$socket" new-session -d -s tool -x 120 -y 40 -c "$work" -e "EXE=$exe" -e "TIMEOUT=$((patience + 30))" \
  'LC_ALL=C.UTF-8 timeout --foreground $TIMEOUT wine "$EXE"; echo $? >status; sleep 600'
wait_until "the prompt" on_screen "Path to File"
wait_until "the terminal in raw mode" terminal_is_raw
tmux -S "$socket" send-keys -t tool "$path" Enter "${typed_ahead[@]}"
# A path that did not open is asked for again, for good.
outcome_shown() {
  ! on_screen "File does not exist!" || fail "the typed path did not open"
  on_screen "Master -> Plugin"
}
wait_until "the outcome" outcome_shown
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
