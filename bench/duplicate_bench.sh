#!/bin/sh
# Duplicate of a 1 GiB CompactFlash card through the program's own run (the Duplicate page's read
# into one memory block, the card swapped when the program asks, then the write; headless under
# TARNLOK_SCRIPT) against one dd bs=1M copy of the same card image, one run each.
#   bench/duplicate_bench.sh [build folder]     (default build/default)
set -eu
build=$(cd "${1:-build/default}" && pwd)
program="$build/bin/Tarnlok"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-duplicate-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mib=1024

# Runs the program on $1 (a script); prints its seconds.
run_program() {
  start=$(date +%s.%N)
  ( cd "$work" && TARNLOK_MACHINE="$work/machine.json" TARNLOK_SCRIPT="$1" QT_QPA_PLATFORM=offscreen \
      XDG_DATA_HOME="$work/data" "$program" > "$work/out" 2>&1 ) || { cat "$work/out" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

mkdir -p "$work/data"
head -c $((mib * 1048576)) /dev/urandom > "$work/cf.img"
truncate -s $((mib * 1048576)) "$work/blank.img"
cat > "$work/machine.json" <<JSON
{ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
  "card": { "kind": "cf", "image": "cf.img", "sectors": $((mib * 2048)) } } ] }
JSON
printf 'press 1\nquit\n' > "$work/startup.txt"
cat > "$work/duplicate.txt" <<SCRIPT
press 1
device E:
tab Tools
press 1170
press 1068
reply OK Please close all the application(s)
wait
card remove E:
card insert E: $work/blank.img
reply OK Successfully read the source media contents.
reply OK Successfully duplicated the media.
wait
close
quit
SCRIPT

cat "$work/cf.img" > /dev/null  # both sides read the card image from the page cache
startup_seconds=$(run_program "$work/startup.txt")
total_seconds=$(run_program "$work/duplicate.txt")
program_seconds=$(echo "$total_seconds - $startup_seconds" | bc)
cmp -s "$work/blank.img" "$work/cf.img" || { echo "the copy differs from the card" >&2; exit 1; }

truncate -s $((mib * 1048576)) "$work/dd.img"
dd_start=$(date +%s.%N)
dd if="$work/cf.img" of="$work/dd.img" bs=1M conv=notrunc status=none
dd_end=$(date +%s.%N)
dd_seconds=$(echo "$dd_end - $dd_start" | bc)

echo "1 GiB duplicate: program ${program_seconds} s (start-up of ${startup_seconds} s left out)," \
     "dd bs=1M ${dd_seconds} s," \
     "ratio $(echo "scale=2; $program_seconds / $dd_seconds" | bc) (target <= 2.5)"
