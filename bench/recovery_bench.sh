#!/bin/sh
# A whole recovery run of a 512 MiB CompactFlash card of mixed files, photographs of a few MB
# among them, through the program (the Recovery page's Recover, headless under TARNLOK_SCRIPT)
# against the engine's own raw scan of the same image (recovery_scan_bench, which builds the
# image) and against PhotoRec (Debian package testdisk, installed here when missing) carving
# every kind it knows from the same image. The run is timed from its error log's creation, its
# first step, to the program's end (the page given back, the program closed): start-up, the
# card's selection and the settings before the button are left out. Each figure is the best of a
# few runs: one run of a second on a shared machine is mostly the machine's load.
#   bench/recovery_bench.sh [build folder] [runs]     (default build/default, 3)
set -eu
command -v photorec > /dev/null || apt-get install -y testdisk > /dev/null || {
  echo "photorec is missing: install the Debian package testdisk" >&2
  exit 1
}
build=$(cd "${1:-build/default}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-recovery-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/bench_lib.sh"
runs="${2:-$runs}"

scan_ms=$("$build/bench/recovery_scan_bench" --benchmark_format=csv --benchmark_repetitions="$runs" 2> /dev/null |
  grep '^"RawScanOfMixedImage' | grep -v '_mean\|_median\|_stddev\|_cv' | cut -d, -f3 | sort -g | head -n 1)
test -n "$scan_ms" || { echo "the raw-scan benchmark failed: run $build/bench/recovery_scan_bench" >&2; exit 1; }
image="${TMPDIR:-/tmp}/tarnlok-recovery-bench/card.img"
test -f "$image" || { echo "the raw-scan benchmark left no image" >&2; exit 1; }
sectors=$(($(stat -c %s "$image") / 512))

# Recovery only reads the card: the image itself serves when it can be linked.
ln "$image" "$work/cf.img" 2> /dev/null || cp "$image" "$work/cf.img"
describe_card cf cf.img $sectors
# The run's script; $1 is check or uncheck for the thumbnail view.
write_script() {
  cat > "$work/recover-$1.txt" <<SCRIPT
press 1
device E:
tab Recovery
press 1038
text 1115 C:\\Found
check 1120
$1 1122
press 1
press 1036
wait
quit
SCRIPT
}
write_script uncheck
write_script check
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
log="$work/data/tarnlok/drive_c/Program Files/Tarnlok/ERRLOG.log"

# Runs the program once with the script recover-$1.txt; prints the run's milliseconds.
run_once() {
  rm -rf "$work/data"
  mkdir -p "$work/data"
  cat "$work/cf.img" > /dev/null
  ( cd "$work" && TARNLOK_MACHINE="$work/machine.json" TARNLOK_SCRIPT="$work/recover-$1.txt" QT_QPA_PLATFORM=offscreen \
      XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" "$program" > "$work/out" 2>&1 )
  end=$(date +%s.%N)
  start=$(stat -c '%.9W' "$log")
  case "$start" in 0.* | -*) echo "this file system keeps no creation time" >&2; exit 1 ;; esac
  echo "($end - $start) * 1000" | bc
}

# PhotoRec starts afresh over the image, from the page cache as the program reads it.
prepare_run() {
  rm -rf "$work/photorec"
  mkdir -p "$work/photorec"
  cat "$work/cf.img" > /dev/null
}

program_ms=$(for _ in $(seq "$runs"); do run_once uncheck; done | sort -g | head -n 1)
found=$(find "$work/data" -ipath '*found*' -type f | wc -l)
# As a person runs it: the thumbnails of the recovered pictures shown.
shown_ms=$(for _ in $(seq "$runs"); do run_once check; done | sort -g | head -n 1)
shown_found=$(find "$work/data" -ipath '*found*' -type f | wc -l)
photorec_ms=$(best_of env -C "$work/photorec" photorec /log /d "$work/photorec/out" /cmd "$work/cf.img" \
  partition_none,options,paranoid,fileopt,everything,enable,search | awk '{ print $1 * 1000 }')
photorec_found=$(find "$work/photorec" -path '*/out.*' -type f | wc -l)
echo "engine raw scan:      ${scan_ms} ms"
echo "whole recovery run:   ${program_ms} ms, ${found} files (no thumbnails)"
echo "with thumbnails:      ${shown_ms} ms, ${shown_found} files"
echo "PhotoRec:             ${photorec_ms} ms, ${photorec_found} files"
awk -v run="$program_ms" -v scan="$scan_ms" -v shown="$shown_ms" -v photorec="$photorec_ms" 'BEGIN {
  printf "run / raw scan:       %.2f (target at most 1.3)\n", run / scan
  printf "thumbnails / PhotoRec: %.2f (target at most 1)\n", shown / photorec
  met = run / scan <= 1.3 && shown / photorec <= 1
  print met ? "targets met" : "targets MISSED"
  exit !met }'
