#!/bin/sh
# Quick FAT format of a 2 GiB CompactFlash card through the program's own run (the Format page
# with its defaults, headless under TARNLOK_SCRIPT) against mkfs.fat laying the same FAT16 volume
# onto a fresh sparse image of the same size.
#   bench/format_bench.sh [build folder]     (default build/default; BENCH_RUNS runs, best kept)
set -eu
build=$(cd "${1:-build/default}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-format-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/bench_lib.sh"
sectors=4194304

prepare_run() { rm -rf "$work/data" "$work/card.img" "$work/mkfs.img" && truncate -s $((sectors * 512)) "$work/card.img"; }
describe_card cf card.img $sectors
cat > "$work/format.txt" <<SCRIPT
press 1
device E:
tab Tools
press 1172
press 1089
reply Yes Are you certain you want to format your memory card?
wait
press 1
wait
close
quit
SCRIPT
program_line=$(best_program_run "$work/format.txt")
# fsck.fat judges the volume: the first partition's when the card has a partition table.
first=0
test "$(od -An -tu1 -j450 -N1 "$work/card.img" | tr -d ' ')" -eq 0 || first=$(od -An -tu4 -j454 -N4 "$work/card.img" | tr -d ' ')
dd if="$work/card.img" of="$work/volume.img" bs=1M iflag=skip_bytes skip=$((first * 512)) conv=sparse status=none
fsck.fat -n "$work/volume.img" > "$work/fsck" 2>&1 || { cat "$work/fsck" >&2; echo "the card holds no sound FAT volume" >&2; exit 1; }
rm -f "$work/volume.img"
startup=$(startup_line)
mkfs_line=$(best_of mkfs.fat -F 16 -C "$work/mkfs.img" $((sectors / 2)))
report "2 GiB quick format" "$program_line" "$startup" "$mkfs_line" 2 mkfs.fat 0.25
