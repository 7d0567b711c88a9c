#!/usr/bin/env bash
# What one conversion costs: instructions executed (valgrind's callgrind,
# which counts the same on every run) and peak memory (/usr/bin/time -v,
# the median of eleven runs) of the release binary as the .deb holds it
# flipping byte 8 of a 9-byte file from a piped path, against dd doing the
# same flip and against flip_floor.c, which does only open, pread, pwrite,
# fsync and close. Then the same conversion by the .tar.gz's static binary,
# of a sparse 64 GiB file, of the 9-byte file given as an argument, and
# --to-master on a file that already is a master, which opens nothing for
# writing. Prints a Markdown table.
set -euo pipefail
cd "$(dirname "$0")/.."
for program in valgrind /usr/bin/time setarch cc dd; do
  command -v "$program" >/dev/null || { echo "needs $program (apt-get install valgrind time gcc)"; exit 1; }
done

# Every run is in a session of its own, with no terminal, so that the tool
# does not wait for a key when the script is started from one.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The binaries as the packages hold them: the release presets' builds,
# stripped as CPack strips them.
for preset in linux linux-static; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
  cmake --install "build-$preset" --strip --prefix "$work/$preset" >/dev/null
done
cc -O2 -o "$work/flip_floor" bench/flip_floor.c

small=$work/small.esm
huge=$work/huge.esm
printf '@ABCDEFG\1' >"$small"
cp "$small" "$huge"
truncate -s 64G "$huge"
printf '\0' >"$work/new_byte"
printf '%s\n' "$small" >"$work/small_path"
printf '%s\n' "$huge" >"$work/huge_path"

reset() { printf '\1' | dd of="$1" bs=1 seek=8 conv=notrunc status=none; }
master=$work/master.esm
cp "$small" "$master"

tool=$work/linux/bin/masterswitch
static=$work/linux-static/bin/masterswitch
dd_flip=(dd "if=$work/new_byte" "of=$small" bs=1 seek=8 count=1 conv=notrunc status=none)
floor=("$work/flip_floor" "$small")

# instructions DATA_FILE INPUT COMMAND...: callgrind's total for one run of
# COMMAND with INPUT as standard input, on a freshly reset DATA_FILE.
instructions() {
  local data=$1 input=$2
  shift 2
  reset "$data"
  setsid -w valgrind --tool=callgrind --callgrind-out-file=/dev/null --log-file="$work/log" "$@" \
    <"$input" >/dev/null
  sed -n 's/.*Collected : //p' "$work/log"
}

# peak_kib DATA_FILE INPUT COMMAND...: the median of eleven runs' peak RSS,
# with address-space randomisation off, which moves it by a page or two.
peak_kib() {
  local data=$1 input=$2
  shift 2
  for _ in $(seq 11); do
    reset "$data"
    setsid -w setarch -R /usr/bin/time -v "$@" <"$input" 2>&1 >/dev/null |
      sed -n 's/.*Maximum resident set size (kbytes): //p'
  done | sort -n | sed -n 6p
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

tool_i=$(instructions "$small" "$work/small_path" "$tool")
dd_i=$(instructions "$small" /dev/null "${dd_flip[@]}")
floor_i=$(instructions "$small" /dev/null "${floor[@]}")
static_i=$(instructions "$small" "$work/small_path" "$static")
huge_i=$(instructions "$huge" "$work/huge_path" "$tool")
arg_i=$(instructions "$small" /dev/null "$tool" "$small")
set_i=$(instructions "$master" /dev/null "$tool" --to-master "$master")
tool_m=$(peak_kib "$small" "$work/small_path" "$tool")
dd_m=$(peak_kib "$small" /dev/null "${dd_flip[@]}")
floor_m=$(peak_kib "$small" /dev/null "${floor[@]}")
static_m=$(peak_kib "$small" "$work/small_path" "$static")
huge_m=$(peak_kib "$huge" "$work/huge_path" "$tool")
arg_m=$(peak_kib "$small" /dev/null "$tool" "$small")
set_m=$(peak_kib "$master" /dev/null "$tool" --to-master "$master")

echo "| one flip of byte 8 | instructions | vs dd | peak memory (KiB) | vs dd |"
echo "|---|---:|---:|---:|---:|"
echo "| masterswitch (.deb), 9-byte file | $tool_i | $(ratio "$tool_i" "$dd_i") | $tool_m | $(ratio "$tool_m" "$dd_m") |"
echo "| dd | $dd_i | 1.00 | $dd_m | 1.00 |"
echo "| floor: open, pread, pwrite, fsync, close | $floor_i | $(ratio "$floor_i" "$dd_i") | $floor_m | $(ratio "$floor_m" "$dd_m") |"
echo "| masterswitch (.tar.gz, static), 9-byte file | $static_i | $(ratio "$static_i" "$dd_i") | $static_m | $(ratio "$static_m" "$dd_m") |"
echo "| masterswitch, sparse 64 GiB file | $huge_i | $(ratio "$huge_i" "$dd_i") | $huge_m | $(ratio "$huge_m" "$dd_m") |"
echo "| masterswitch FILE, 9-byte file as an argument | $arg_i | $(ratio "$arg_i" "$dd_i") | $arg_m | $(ratio "$arg_m" "$dd_m") |"
echo "| masterswitch --to-master FILE, already a master | $set_i | $(ratio "$set_i" "$dd_i") | $set_m | $(ratio "$set_m" "$dd_m") |"
echo
echo "64 GiB file against 9-byte file: instructions $(ratio "$huge_i" "$tool_i"), peak memory $(ratio "$huge_m" "$tool_m")"
