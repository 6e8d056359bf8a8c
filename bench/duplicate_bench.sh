#!/bin/sh
# Duplicate of a 1 GiB CompactFlash card through the program's own run (the Duplicate page's read
# into one memory block, the card swapped when the program asks, then the write; headless under
# TARNLOK_SCRIPT) against two dd bs=1M conv=notrunc copies of the same card image, one onto a
# fresh image of the same size and one from it onto another.
#   bench/duplicate_bench.sh [build folder]     (default build/default; BENCH_RUNS runs, best kept)
set -eu
build=$(cd "${1:-build/default}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-duplicate-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/bench_lib.sh"
mib=1024

# Fresh card images to copy onto, as a new card would be.
prepare_run() {
  rm -rf "$work/data" "$work/blank.img" "$work/copy.img" && mkdir -p "$work/data"
  truncate -s $((mib * 1048576)) "$work/blank.img" "$work/copy.img"
}
cat > "$work/two_copies.sh" <<SCRIPT
dd if="$work/card.img" of="$work/copy.img" bs=1M conv=notrunc status=none
dd if="$work/copy.img" of="$work/blank.img" bs=1M conv=notrunc status=none
SCRIPT

make_card $mib
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

program_line=$(best_program_run "$work/duplicate.txt")
cmp -s "$work/blank.img" "$work/card.img" || { echo "the copy differs from the card" >&2; exit 1; }
startup=$(startup_line)
dd_line=$(best_of sh -e "$work/two_copies.sh")
report "1 GiB duplicate" "$program_line" "$startup" "$dd_line" 1.25
