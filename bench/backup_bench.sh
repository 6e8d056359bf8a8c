#!/bin/sh
# Whole-card backup of a 1 GiB CompactFlash card through the program's own run (the Backup page's
# loop with its device calls, headless under TARNLOK_SCRIPT) against dd bs=1M of the same card
# image to the same file system, one run each; then the program's peak memory for a 256 MiB and
# a 1 GiB card, which should not grow with the card.
#   bench/backup_bench.sh [build folder]     (default build/default)
set -eu
build=$(cd "${1:-build/default}" && pwd)
program="$build/bin/Tarnlok"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-backup-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs the program on a card of $1 MiB; prints "seconds peak-kilobytes". With a second argument
# the script only starts the program and quits: the start-up that the backup's time leaves out.
run_backup() {
  mib=$1
  only_startup=${2:-}
  run="$work/run-$mib"
  mkdir -p "$run/data"
  head -c $((mib * 1048576)) /dev/urandom > "$run/cf.img"
  cat > "$run/machine.json" <<JSON
{ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
  "card": { "kind": "cf", "image": "cf.img", "sectors": $((mib * 2048)) } } ] }
JSON
  cat > "$run/script.txt" <<SCRIPT
press 1
device E:
tab Tools
press 1171
text 1039 C:\\card.FMB
check 1097
press 1052
reply OK Please close all the application(s)
reply OK Successfully completed the backup.
wait
close
quit
SCRIPT
  if [ -n "$only_startup" ]; then printf 'press 1\nquit\n' > "$run/script.txt"; fi
  cat "$run/cf.img" > /dev/null  # both sides read the card image from the page cache
  start=$(date +%s.%N)
  ( cd "$run" && TARNLOK_MACHINE="$run/machine.json" TARNLOK_SCRIPT="$run/script.txt" QT_QPA_PLATFORM=offscreen \
      XDG_DATA_HOME="$run/data" /usr/bin/time -f "%M" -o "$run/peak" "$program" > "$run/out" 2>&1 )
  end=$(date +%s.%N)
  if [ -n "$only_startup" ]; then echo "$(echo "$end - $start" | bc) $(cat "$run/peak")"; rm -rf "$run"; return; fi
  image=$(find "$run/data" -iname card.fmb | head -n 1)
  test "$(stat -c %s "$image")" -eq $((mib * 1048576 + 51)) || { echo "image of the wrong size" >&2; exit 1; }
  cmp -s -i 51:0 "$image" "$run/cf.img" || { echo "image body differs from the card" >&2; exit 1; }
  echo "$(echo "$end - $start" | bc) $(cat "$run/peak")"
}

set -- $(run_backup 1 startup)
startup_seconds=$1
set -- $(run_backup 1024)
program_seconds=$(echo "$1 - $startup_seconds" | bc)
program_peak_1g=$2
dd_start=$(date +%s.%N)
dd if="$work/run-1024/cf.img" of="$work/run-1024/dd.img" bs=1M status=none conv=fsync
dd_end=$(date +%s.%N)
dd_seconds=$(echo "$dd_end - $dd_start" | bc)
rm -rf "$work/run-1024"
set -- $(run_backup 256)
program_peak_256m=$2

echo "1 GiB whole-card backup: program ${program_seconds} s (start-up of ${startup_seconds} s left out)," \
     "dd bs=1M ${dd_seconds} s," \
     "ratio $(echo "scale=2; $program_seconds / $dd_seconds" | bc) (target <= 1.25)"
echo "peak memory: 256 MiB card ${program_peak_256m} KiB, 1 GiB card ${program_peak_1g} KiB"
