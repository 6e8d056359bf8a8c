#!/bin/sh
# Whole-media restore of a 1 GiB CompactFlash card through the program's own run (the Restore
# page writing a backup image made by the program onto a fresh card, headless under
# TARNLOK_SCRIPT) against dd bs=1M conv=notrunc of the same bytes onto a fresh card image.
#   bench/restore_bench.sh [build folder]     (default build/default; BENCH_RUNS runs, best kept)
set -eu
build=$(cd "${1:-build/default}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-restore-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/bench_lib.sh"
mib=1024

make_card $mib
mkdir -p "$work/data"
write_backup_script
prepare_run() { :; }
runs=1 best_program_run "$work/backup.txt" > /dev/null
image=$(find "$work/data" -iname card.fmb | head -n 1)

# The card the image is written onto, fresh before every run; the original is kept to compare.
mv "$work/card.img" "$work/original.img"
prepare_run() { rm -f "$work/card.img" && truncate -s $((mib * 1048576)) "$work/card.img"; }
cat > "$work/restore.txt" <<SCRIPT
press 1
device E:
tab Tools
press 1169
text 1058 C:\\card.FMB
press 1067
reply OK WARNING: Restore will delete all the contents
reply OK Successfully restored the media.
wait
close
quit
SCRIPT
program_line=$(best_program_run "$work/restore.txt")
cmp -s "$work/card.img" "$work/original.img" || { echo "the restored card differs from the original" >&2; exit 1; }
startup=$(startup_line)
cat "$image" > /dev/null  # dd reads the same bytes from the page cache
dd_line=$(best_of dd if="$image" of="$work/card.img" bs=1M skip=51 iflag=skip_bytes conv=notrunc status=none)
report "1 GiB whole-media restore" "$program_line" "$startup" "$dd_line" 2
