#!/bin/sh
# Whole-card backup of a 1 GiB CompactFlash card through the program's own run (the Backup page's
# loop with its device calls, headless under TARNLOK_SCRIPT) against dd bs=1M conv=fsync of the
# same card image to the same file system; then the program's peak memory for a 256 MiB and a
# 1 GiB card, which should not grow with the card.
#   bench/backup_bench.sh [build folder]     (default build/default; BENCH_RUNS runs, best kept)
set -eu
build=$(cd "${1:-build/default}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-backup-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/bench_lib.sh"

prepare_run() { rm -rf "$work/data" "$work/dd.img" && mkdir -p "$work/data"; }

write_backup_script

# Backs the card of $1 MiB up once more and checks the image; prints the run's "wall user system peak".
measure_backup() {
  make_card "$1"
  line=$(best_program_run "$work/backup.txt")
  image=$(find "$work/data" -iname card.fmb | head -n 1)
  test "$(stat -c %s "$image")" -eq $(($1 * 1048576 + 51)) || { echo "image of the wrong size" >&2; exit 1; }
  cmp -s -i 51:0 "$image" "$work/card.img" || { echo "image body differs from the card" >&2; exit 1; }
  echo "$line"
}

program_256m=$(measure_backup 256)
program_1g=$(measure_backup 1024)
startup=$(startup_line)
dd=$(best_of dd if="$work/card.img" of="$work/dd.img" bs=1M status=none conv=fsync)
peak_256m=$(echo "$program_256m" | cut -d' ' -f4)
peak_1g=$(echo "$program_1g" | cut -d' ' -f4)
echo "peak memory: 256 MiB card $peak_256m KiB, 1 GiB card $peak_1g KiB (target: at most a tenth more on the larger card)"
met=0
report "1 GiB whole-card backup" "$program_1g" "$startup" "$dd" 1.25 || met=1
test "$peak_1g" -le $((peak_256m * 11 / 10)) || { echo "the peak memory grows with the card: MISSED"; met=1; }
exit $met
