#!/bin/sh
# A whole recovery run of a 512 MiB CompactFlash card of mixed files through the program (the
# Recovery page's Recover, headless under TARNLOK_SCRIPT) against the engine's own raw scan of
# the same image (recovery_scan_bench, which builds the image). Each figure is the best of a few
# runs: one run of a few seconds on a shared machine is mostly the machine's load.
#   bench/recovery_bench.sh [build folder] [runs]     (default build/default, 3)
set -eu
build=$(cd "${1:-build/default}" && pwd)
program="$build/bin/Tarnlok"
runs="${2:-3}"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnlok-recovery-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

scan_ms=$("$build/bench/recovery_scan_bench" --benchmark_format=csv --benchmark_repetitions="$runs" 2> /dev/null |
  grep '^"RawScanOfMixedImage' | grep -v '_mean\|_median\|_stddev\|_cv' | cut -d, -f3 | sort -g | head -n 1)
image="${TMPDIR:-/tmp}/tarnlok-recovery-bench/card.img"
test -f "$image" || { echo "the raw-scan benchmark left no image" >&2; exit 1; }
sectors=$(($(stat -c %s "$image") / 512))

# Runs the program on the script; prints its seconds.
run_once() {
  run="$work/$1"
  rm -rf "$run/data"
  mkdir -p "$run/data" "$run/runtime"
  chmod 700 "$run/runtime"
  test -f "$run/cf.img" || cp "$image" "$run/cf.img"
  cat > "$run/machine.json" <<JSON
{ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
  "card": { "kind": "cf", "image": "cf.img", "sectors": $sectors } } ] }
JSON
  cat "$run/cf.img" > /dev/null
  start=$(date +%s.%N)
  ( cd "$run" && TARNLOK_MACHINE="$run/machine.json" TARNLOK_SCRIPT="$2" QT_QPA_PLATFORM=offscreen \
      XDG_DATA_HOME="$run/data" XDG_RUNTIME_DIR="$run/runtime" "$program" > "$run/out" 2>&1 )
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

# The best of the runs.
run_program() {
  for _ in $(seq "$runs"); do run_once "$@"; done | sort -g | head -n 1
}

# Everything up to the Recover button (start-up, the card, the settings) is measured apart and
# left out: the figure is the run the button starts.
cat > "$work/prepare.txt" <<SCRIPT
press 1
device E:
tab Recovery
press 1038
text 1115 C:\\Found
check 1120
uncheck 1122
press 1
SCRIPT
{ cat "$work/prepare.txt"; printf 'quit\n'; } > "$work/startup.txt"
{ cat "$work/prepare.txt"; printf 'press 1036\nwait\nquit\n'; } > "$work/recover.txt"
startup=$(run_program startup "$work/startup.txt")
whole=$(run_program recover "$work/recover.txt")
found=$(find "$work/recover/data" -ipath '*found*' -type f | wc -l)
program_ms=$(echo "($whole - $startup) * 1000" | bc)
echo "engine raw scan:      ${scan_ms} ms"
echo "whole recovery run:   ${program_ms} ms (start-up and settings ${startup} s left out), ${found} files"
echo "ratio:                $(echo "scale=2; $program_ms / $scan_ms" | bc) (target at most 1.3)"
