#!/usr/bin/env bash
# Real system-call failures and real full or read-only file systems under
# the built tool, one case per run, limited to the data file. Each case
# checks what the tool reported, its exit status, and the file's bytes.
# Usage: io_faults.sh TOOL CASE [BITS]. Exits 77 (skipped) where the fault
# cannot be made here (no strace, no mount namespace), never passing
# untested. A Windows exe of BITS bits runs under wine, in the full disk's
# case only, skipped as the wine tests are (see tool_wine.cpp).
set -euo pipefail
# The tool waits for a key on its controlling terminal, and a piped user
# has none: run from a terminal, the script goes on in a session of its own.
if { : </dev/tty; } 2>/dev/null; then
  exec setsid -w "$BASH" "$0" "$@"
fi
# LeakSanitizer cannot work under ptrace, which strace uses.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
tool=$(realpath "$1") # also where a case works in another folder
case_name=$2
skip() {
  echo "skipped: $*"
  exit 77
}
tool_command=("$tool")
if [[ $tool == *.exe ]]; then
  command -v wine >/dev/null || skip "no wine"
  if (($3 == 32)); then
    [[ ${MASTERSWITCH_NO_32BIT:-} != 1 ]] || skip "this kernel runs no 32-bit programs (MASTERSWITCH_NO_32BIT=1)"
    [[ -x /usr/lib/wine/wine ]] || skip "wine cannot run 32-bit programs here: no wine32"
  fi
  tool_command=(env LC_ALL=C.UTF-8 wine "$tool")
fi
fail() {
  echo "FAILED ($case_name): $*"
  exit 1
}

work=$(mktemp -d)
chmod 755 "$work"
stopped="" # a tool stopped under strace, which must not outlive a failure
trap '[[ -z $stopped ]] || kill -KILL "$stopped" 2>/dev/null; umount -l "$work/full" 2>/dev/null || true; rm -rf "$work"' EXIT
data=$work/mod.esm
typed=$data # the path piped to the tool
original=$work/original
printf '@ABCDEFG\1 the rest of the file' >"$data"
cp "$data" "$original"

# Runs the tool (behind any wrapper command given, with the arguments in
# $args) with the data file's path piped in; sets $output to what it
# printed after the prompt, and $status.
args=()
run() {
  set +e
  printf '%s\n' "$typed" | "$@" "$tool" "${args[@]}" >"$work/out"
  status=${PIPESTATUS[1]}
  set -e
  read_output
}
read_output() {
  output=$(cat "$work/out"; printf x)
  output=${output%x}
  output=${output##*]: }
  output=${output//$'\r'/}
}
expect() { # MESSAGE STATUS
  [[ $output == $'\n\n'"$1" ]] || fail "printed '${output//$'\n'/\\n}', expected '$1'"
  [[ $status == "$2" ]] || fail "exit status $status, expected $2"
}
expect_unchanged() { cmp -s "$data" "$original" || fail "the file changed"; }
expect_flipped() {
  local flipped=$work/flipped
  cp "$original" "$flipped"
  local opposite='\0'
  [[ $(od -An -tx1 -j8 -N1 "$original") == *00 ]] && opposite='\1'
  printf "$opposite" | dd of="$flipped" bs=1 seek=8 conv=notrunc status=none
  cmp -s "$data" "$flipped" || fail "the file is not the original with byte 8 flipped"
}
expect_either() { cmp -s "$data" "$original" || expect_flipped; }

inject() { # SYSCALL:error=ERRNO[:when=N]...
  command -v strace >/dev/null || skip "no strace"
  run strace -qq -f -o /dev/null -P "$data" -e inject="$1"
}
in_mount_namespace() { # SCRIPT: run in a private mount namespace
  if [[ $tool == *.exe ]]; then # wine's server, which opens the files, sees none of ours
    ((EUID == 0)) || skip "a mount that wine's server sees takes root"
    bash -euc "$1" _ "$work" "$data" "${tool_command[@]}" || fail "the mount script failed"
    return
  fi
  local as=(-m)
  ((EUID == 0)) || as=(-Urm)
  unshare "${as[@]}" true 2>/dev/null || skip "no private mount namespace here"
  unshare "${as[@]}" --propagation private bash -euc "$1" _ "$work" "$data" "$tool" ||
    fail "the namespace script failed"
}

# The tool is stopped just after its WHEN-th SYSCALL on the data file, COMMAND
# changes the file meanwhile, and the tool goes on. ARGS, or else $args, go
# to the tool, which is given the path on its input as well. After its first
# read the tool holds the file it read, and has not yet opened it for update.
change_after() { # SYSCALL WHEN COMMAND [ARGS...]
  command -v strace >/dev/null || skip "no strace"
  local fifo=$work/in
  [[ -p $fifo ]] || mkfifo "$fifo"
  rm -f "$work/stops"
  strace -qq -f -o "$work/stops" -P "$data" -e inject="$1:signal=SIGSTOP:when=$2" \
    "$tool" "${@:4}" "${args[@]}" <"$fifo" >"$work/out" &
  local tracer=$! pid=""
  printf '%s\n' "$data" >"$fifo"
  # Not the process state: a traced process shows as stopped at each call.
  until pid=$(awk '/--- stopped by SIGSTOP ---/ {print $1}' "$work/stops" 2>/dev/null) &&
    [[ -n $pid ]]; do
    kill -0 "$tracer" 2>/dev/null || fail "the tool ended without stopping at $1"
    sleep 0.01
  done
  stopped=$pid
  eval "$3"
  kill -CONT "$pid"
  stopped=""
  set +e
  wait "$tracer"
  status=$?
  set -e
  read_output
}
change_between_read_and_update() { change_after pread64 1 "$@"; }
# Runs FUNCTION in the dialogue and in each set mode ($mode, and $args for
# the tool), on a data file of the kind that the mode switches, whose type
# byte is $kind (for printf %b).
each_mode() { # FUNCTION
  for mode in "" --to-master --to-plugin; do
    kind='\0' args=($mode ${mode:+"$data"})
    [[ $mode != --to-plugin ]] || kind='\1'
    printf '@ABCDEFG%b the rest' "$kind" | tee "$original" >"$data"
    "$1"
  done
}
expect_in_mode() { # MESSAGE STATUS
  [[ $output == *"$1"* && $status == "$2" ]] || fail "${mode:-the dialogue}: '$output', $status"
}

case $case_name in
update-open-eacces | update-open-erofs | update-open-eperm)
  inject "openat:error=$(tr a-z A-Z <<<"${case_name##*-}"):when=2"
  expect "File could not be opened for writing!" 255
  expect_unchanged
  ;;
write-enospc | write-eio)
  inject "pwrite64:error=$(tr a-z A-Z <<<"${case_name##*-}")"
  expect "File could not be written!" 255
  expect_unchanged
  ;;
sync-eio)
  inject "fsync:error=EIO"
  expect "File could not be written!" 255
  expect_either
  ;;
close-eio)
  # After the looks at the path for the read and for the update open, and
  # the held read's close: the update stream's.
  inject "close:error=EIO:when=4"
  expect "Master -> Plugin" 255
  expect_flipped
  ;;
read-eio)
  inject "pread64:error=EIO"
  expect "File could not be read!" 255
  expect_unchanged
  for mode in --check --to-plugin --; do
    output=$(strace -qq -o /dev/null -P "$data" -e inject=pread64:error=EIO "$tool" $mode "$data") &&
      status=0 || status=$?
    [[ $output == "$data: File could not be read!" && $status == 255 ]] || fail "$mode: '$output', $status"
  done
  expect_unchanged
  ;;
output-lost)
  # A line that cannot be written, to a full disk or a closed output, is a
  # failure; the file it tells of was done before it was due, and the run
  # stops there: the same path again would be switched back.
  for mode in -- --version; do
    for output in /dev/full '&-'; do
      cp "$original" "$data"
      eval '"$tool" $mode "$data" "$data" 2>"$work/err" >'"$output" && status=0 || status=$?
      [[ $status == 255 && $(<"$work/err") == "masterswitch: cannot write standard output: "* ]] ||
        fail "$mode >$output: exit status $status, '$(<"$work/err")'"
      if [[ $mode == --version ]]; then expect_unchanged; else expect_flipped; fi
    done
  done
  ;;
replaced-between)
  printf '@ABCDEFG\7 another file' >"$work/other"
  cp "$work/other" "$original"
  change_between_read_and_update 'mv "$work/other" "$data"'
  expect "File could not be opened for writing!" 255
  expect_unchanged
  ;;
swapped-between)
  # A file of the same kind put in the path's place as a link, in the
  # dialogue and in a set mode: only which file it is tells them apart.
  printf '@ABCDEFG\0 another file' | tee "$work/other" >"$original"
  for mode in "" --to-master; do
    rm "$data" && printf '@ABCDEFG\0' >"$data"
    change_between_read_and_update 'ln -sf "$work/other" "$data"' $mode ${mode:+"$data"}
    [[ $output == *"File could not be opened for writing!"* && $status == 255 ]] ||
      fail "${mode:-the dialogue}: '$output', $status"
  done
  expect_unchanged
  ;;
vanished-between)
  change_between_read_and_update 'rm "$data"'
  expect "File could not be opened for writing!" 255
  [[ ! -e $data ]] || fail "the file came back"
  ;;
reused-between)
  # The read is held until the update open has been compared with it, and
  # in every mode a file of unknown kind is only read...
  unknown=0
  for mode in --to-plugin --to-plugin "" --check --to-master; do
    strace -qq -o "$work/trace" -e trace=openat,close "$tool" $mode ${mode:+"$data"} <<<"$data" >/dev/null || true
    awk -v unknown=$unknown '/"\/proc\/self\/fd\/[0-9]+", O_RDONLY/ && !fd {fd = $NF}
       /"\/proc\/self\/fd\/[0-9]+", O_RDWR/ {updated = NR}
       fd && $0 ~ "^close\\(" fd "\\)" && !closed {closed = NR}
       END {exit unknown ? updated > 0 : !(updated && closed > updated)}' "$work/trace" ||
      fail "${mode:-the dialogue}: an unknown file opened for writing, or the read closed first"
    printf '@ABCDEFG\7' >"$data" && unknown=1
  done
  cp "$original" "$data"
  change_after openat 2 'held=$(find "/proc/$pid/fd" -lname "$data" | wc -l)' --to-plugin "$data"
  ((held == 2)) || fail "the read was not held at the update open"
  # ...so a new file put under its name cannot get its inode number, which
  # a file system such as ext4 gives again at once.
  for try in 1 2 3; do # another program may take the freed number first
    printf x >"$work/probe" && freed=$(stat -c %i "$work/probe") && rm "$work/probe"
    printf x >"$work/probe" && [[ $(stat -c %i "$work/probe") == "$freed" ]] && break
    ((try < 3)) || skip "this file system gives no inode number again at once"
  done
  replace_in_mode() {
    printf '\x89PNG\r\n\x1a\n%b\0\0\x0dIHDR' "$kind" | tee "$work/new" >"$original"
    change_between_read_and_update 'rm "$data"; cp "$work/new" "$data"'
    expect_in_mode "File could not be opened for writing!" 255
    expect_unchanged
  }
  each_mode replace_in_mode
  ;;
cut-between)
  # Cut short just before the write, after the byte was last read (the
  # write then makes it 9 bytes long), and just after it: never a success.
  cut_in_mode() {
    change_after $stop 'truncate -s 4 "$data"'
    expect_in_mode "File could not be written!" 255
    (($(stat -c %s "$data") == length)) || fail "${mode:-the dialogue}: $(stat -c %s "$data") bytes"
  }
  stop="pread64 3" length=9 each_mode cut_in_mode
  stop="pwrite64 1" length=4 each_mode cut_in_mode
  ;;
append-during-sync)
  # Another program adds to the file meanwhile: no harm done.
  append() { change_after fsync 1 'printf 12345678 | tee -a "$original" >>"$data"'
    expect_in_mode " -> " 0 && expect_flipped; }
  each_mode append
  ;;
changed-after-write)
  # Byte 8 changed while the sync is held back, and a new file renamed
  # over the path while the write is: the file the path names is unchanged.
  change_after fsync 1 'printf "\7" | dd of="$data" bs=1 seek=8 conv=notrunc status=none'
  expect "File could not be written!" 255
  cp "$original" "$data"
  printf '@ABCDEFG\1 another file' | tee "$work/other" >"$original"
  change_after pwrite64 1 'mv "$work/other" "$data"'
  expect "File could not be written!" 255
  expect_unchanged
  ;;
turns)
  # A toggle stopped in its turn, before its write; a --to-plugin started
  # meanwhile waits for it, and then finds a plugin.
  change_after pread64 2 'strace -qq -o "$work/locks" -e trace=fcntl "$tool" --to-plugin "$data" >"$work/beside" &
    beside=$! && until grep -qs EAGAIN "$work/locks" || ! kill -0 $beside 2>/dev/null; do sleep 0.01; done'
  expect "Master -> Plugin" 0
  wait "$beside" && [[ $(<"$work/beside") == "$data: Plugin" ]] || fail "beside it: '$(<"$work/beside")'"
  ;;
runs-meet)
  # A run stopped just before it reaches for its turn (after the held
  # read's close) while another converts the file: it judges the file as
  # it finds it then. The two reports together are true of the final byte.
  printf '@ABCDEFG\0 rest' | tee "$original" >"$data"
  for mode in --to-master "" --to-master; do
    change_after close 3 '"$tool" $mode "$data" >"$work/beside"' $mode "$data"
    printf '%s|%s|%s' "$output" "$status" "$(<"$work/beside")" >"$work/got"
    want="$data: Master"$'\n|0|'"$data: Plugin -> Master"
    [[ -n $mode ]] || want="$data: Master -> Plugin"$'\n|0|'"$data: Plugin -> Master"
    [[ $(<"$work/got") == "$want" ]] || fail "${mode:-toggle}: $(<"$work/got")"
    if [[ -n $mode ]]; then expect_flipped; else expect_unchanged; fi
    cp "$original" "$data"
  done
  ;;
moved-during-sync)
  # While strace holds the sync back, the file renamed is the file converted;
  # deleted, it is lost.
  change_after fsync 1 'mv "$data" "$work/renamed.esm"'
  expect "Master -> Plugin" 0
  mv "$work/renamed.esm" "$data" && expect_flipped
  change_after fsync 1 'rm "$data"'
  expect "File could not be written!" 255
  ;;
eintr-enolck)
  # An interrupted look at the path for the update open, or write, is made
  # again; a lock that the file system cannot take is no failure.
  for fault in openat:error=EINTR:when=2 pwrite64:error=EINTR:when=1 fcntl:error=ENOLCK:when=1+; do
    cp "$original" "$data" && inject "$fault" && expect "Master -> Plugin" 0 && expect_flipped
  done
  ;;
nonblocking-input)
  command -v python3 >/dev/null || skip "no python3"
  mkfifo "$work/in" && exec 4<>"$work/in"
  strace -qq -o "$work/reads" -e trace=read python3 -c 'import os, sys
os.set_blocking(0, False); os.execv(sys.argv[1], sys.argv[1:])' "$tool" <"$work/in" >"$work/out" 4>&- &
  until grep -qs "^read(0, .*EAGAIN" "$work/reads" || ! kill -0 $! 2>/dev/null; do sleep 0.01; done
  printf '%s\n' "$data" >&4
  wait $! && status=0 || status=$?
  read_output && expect "Master -> Plugin" 0 && expect_flipped
  ;;
no-proc)
  # Without /proc the path is opened as on other POSIX systems. A /proc
  # that names another file is refused, here one on another fresh tmpfs,
  # where it has the same inode number.
  ((EUID == 0)) || skip "covering /proc takes root"
  in_mount_namespace '
    cd "$1" && mkdir a b && mount -t tmpfs tmpfs a && mount -t tmpfs tmpfs b && mount -t tmpfs tmpfs /proc
    mkdir -p /proc/self/fd && printf "@ABCDEFG\1" | tee a/mod.esm >b/other.esm
    "$3" a/mod.esm >out || true # ASan reads its options from /proc
    for fd in 3 4 5 6 7 8 9; do ln -s "$1/b/other.esm" /proc/self/fd/$fd; done
    { "$3" a/mod.esm || true; od -An -tx1 -j8 a/mod.esm b/other.esm; } >>out
    mkfifo b/fifo && for fd in 3 4 5 6 7 8 9; do ln -sfn "$1/b/fifo" /proc/self/fd/$fd; done
    timeout 10 "$3" --check a/mod.esm >>out || true # a FIFO is never opened'
  [[ $(<"$work/out") == "a/mod.esm: Master -> Plugin"$'\n'"a/mod.esm: File does not exist!"$'\n'" 00 40 41 42 43 44 45 46 47 01"$'\n'"a/mod.esm: File does not exist!" ]] ||
    fail "$(<"$work/out")"
  ;;
read-lease | write-lease)
  # A holder that lets go when the kernel tells it another program opens
  # the file, as Samba and nfsd do for their clients. 1024 is F_SETLEASE.
  command -v python3 >/dev/null || skip "no python3"
  convert_leased_in_mode() {
    exec 3< <(python3 -c '
import fcntl, os, signal, sys
write = sys.argv[2] == "write-lease"
fd = os.open(sys.argv[1], os.O_RDWR if write else os.O_RDONLY)
signal.signal(signal.SIGIO, lambda *_: sys.exit(fcntl.fcntl(fd, 1024, fcntl.F_UNLCK)))
try: fcntl.fcntl(fd, 1024, fcntl.F_WRLCK if write else fcntl.F_RDLCK)
except OSError as error: sys.exit(print("no lease here:", error.strerror, flush=True))
print("held", flush=True)
signal.alarm(60)  # never outlives a failed test for long
signal.pause()' "$data" "$case_name")
    read -r -u 3 held
    [[ $held == held ]] || skip "$held"
    run
    exec 3<&-
    expect_in_mode " -> " 0
    expect_flipped
  }
  each_mode convert_leased_in_mode
  ;;
fifo-writer)
  # A writer blocked on a FIFO named as the file is not let through.
  mkfifo "$work/fifo"
  (exec 3>"$work/fifo") &
  writer=$!
  blocked_in() { # the system call it sleeps in
    [[ $(awk '{print $3}' "/proc/$writer/stat") == S ]] && cut -d' ' -f1 "/proc/$writer/syscall"
  }
  until open_call=$(blocked_in) && [[ $open_call == [0-9]* ]]; do sleep 0.01; done
  for mode in "" --check --to-master; do
    strace -qq -f -o "$work/trace" -e trace=openat "$tool" $mode ${mode:+"$work/fifo"} \
      <<<"$work/fifo" >"$work/out" || true
    ! grep -F "$work/fifo" "$work/trace" | grep -qv O_PATH || fail "${mode:-the dialogue} opened it"
  done
  [[ $(blocked_in) == "$open_call" ]] || fail "the writer got through"
  kill "$writer"
  ;;
full-filesystem)
  # The first 4 KiB of the file are a hole, so writing byte 8 needs a new
  # block on a file system that has none left.
  in_mount_namespace '
    work=$1
    mkdir "$work/full"
    mount -t tmpfs -o size=64k tmpfs "$work/full"
    truncate -s 8192 "$work/full/mod.esp"
    printf "tail" | dd of="$work/full/mod.esp" bs=1 seek=4096 conv=notrunc status=none
    cp "$work/full/mod.esp" "$work/original"
    dd if=/dev/zero of="$work/full/filler" bs=4k status=none 2>/dev/null || true
    set +e
    printf "%s\n" "$work/full/mod.esp" | "${@:3}" >"$work/out"
    echo $? >"$work/status"
    cmp -s "$work/full/mod.esp" "$work/original" && touch "$work/unchanged"'
  ;;&
readonly-mount)
  in_mount_namespace '
    work=$1 data=$2 tool=$3
    mount --bind "$data" "$data"
    mount -o remount,bind,ro "$data"
    set +e
    printf "%s\n" "$data" | "$tool" >"$work/out"
    echo $? >"$work/status"'
  ;;&
full-filesystem | readonly-mount)
  status=$(cat "$work/status")
  read_output
  if [[ $case_name == full-filesystem ]]; then
    expect "File could not be written!" 255
    [[ -e $work/unchanged ]] || fail "the file changed"
  else
    expect "File could not be opened for writing!" 255
    expect_unchanged
  fi
  ;;
backup-refused)
  # No room for the copy, and a copy that cannot be synced: nothing of it
  # is left, and the file is not switched.
  in_mount_namespace '
    work=$1 tool=$3
    mkdir "$work/full" && mount -t tmpfs -o size=64k tmpfs "$work/full" && cd "$work/full"
    { printf "@ABCDEFG\0"; head -c 20000 /dev/zero; } >mod.esp && cp mod.esp ../before
    dd if=/dev/zero of=filler bs=4k status=none 2>/dev/null || true
    "$tool" --to-master --backup mod.esp >"$work/out" || echo $? >"$work/status"
    ls >"$work/names" && { cmp -s mod.esp ../before || echo changed >>"$work/names"; }'
  [[ $(<"$work/out") == "mod.esp: Plugin, not switched: mod.esp.bak could not be made" &&
    $(<"$work/status") == 255 && $(<"$work/names") == $'filler\nmod.esp' ]] ||
    fail "full: '$(<"$work/out")', $(<"$work/status"), left: $(<"$work/names")"
  command -v strace >/dev/null || skip "no strace"
  strace -qq -o /dev/null -P "$data.bak" -e inject=fsync:error=EIO "$tool" --backup "$data" >"$work/out" &&
    status=0 || status=$?
  [[ $(<"$work/out") == "$data: Master, not switched: $data.bak could not be made" && $status == 255 &&
    ! -e $data.bak ]] || fail "sync: '$(<"$work/out")', $status"
  expect_unchanged
  ;;
moved-before-rename)
  # Another file put in the path's place once the file was written, before
  # the rename: both keep their names.
  printf '@ABCDEFG\1 another file' >"$work/other"
  change_after close 4 'mv "$data" "$work/written" && cp "$work/other" "$data"' --to-plugin --rename "$data"
  [[ $output == "$data: Master -> Plugin, not renamed: $data is another file now"$'\n' && $status == 255 ]] ||
    fail "'$output', $status"
  cmp -s "$data" "$work/other" && [[ ! -e ${data%.esm}.esp ]] || fail "the other file was renamed"
  data=$work/written expect_flipped
  ;;
readonly-unprivileged)
  chmod 444 "$data"
  # As root, the tool runs as nobody, who may not pass the folders above the
  # work folder: a copy of it runs there, given the file's name.
  unprivileged=()
  if ((EUID == 0)); then
    command -v setpriv >/dev/null || skip "no setpriv"
    unprivileged=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    "${unprivileged[@]}" true 2>/dev/null || skip "cannot become the unprivileged user nobody here"
    cp "$tool" "$work/masterswitch"
    cd "$work"
    tool=./masterswitch typed=mod.esm
  fi
  run "${unprivileged[@]}"
  expect "File could not be opened for writing!" 255
  expect_unchanged
  ;;
*) fail "no such case" ;;
esac
echo "passed ($case_name)"
