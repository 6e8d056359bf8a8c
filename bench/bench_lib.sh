# Shared by the shell benches: the program run headless on a described machine and dd, each timed
# (wall clock, user and system CPU) and run $BENCH_RUNS times (default 3), the best wall time kept.
# A bench sets $build (the build folder) and $work (a scratch folder), sources this file, and
# defines prepare_run, which lays out $work afresh before every timed run of either side.

program="$build/bin/Tarnlok"
runs=${BENCH_RUNS:-3}

# Prints "wall user system peak-KiB" of the command "$@", its output kept in $work/out.
timed() {
  start=$(date +%s.%N)
  /usr/bin/time -f "%U %S %M" -o "$work/cpu" "$@" > "$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc) $(cat "$work/cpu")"
}

# The best of $runs runs of the command "$@", each after prepare_run.
best_of() {
  for _ in $(seq "$runs"); do
    prepare_run
    timed "$@"
  done | sort -n | head -n 1
}

# The best of the program's runs on $work/machine.json with the script $1, from $work.
best_program_run() {
  best_of env -C "$work" TARNLOK_MACHINE="$work/machine.json" TARNLOK_SCRIPT="$1" QT_QPA_PLATFORM=offscreen \
    XDG_DATA_HOME="$work/data" "$program"
}

# The program's start-up (one page pressed, then quit): left out of every program time.
startup_line() {
  printf 'press 1\nquit\n' > "$work/startup.txt"
  best_program_run "$work/startup.txt"
}

# Prints the bench's line and fails when the ratio misses its target: $1 what was measured, $2
# the program's "wall user system" with the start-up's $3 left out, $4 the other side's "wall user
# system", $5 the target ratio, $6 the other side's name (dd unless given), $7 the program's wall
# seconds that meet the target whatever the ratio (none unless given).
report() {
  echo "$2 $3 $4" | awk -v name="$1" -v target="$5" -v other="${6:-dd}" -v enough="${7:-}" '{
    wall = $1 - $5; cpu = $2 + $3 - $6 - $7; ratio = wall / $9
    # A start-up slower than the whole run says the machine was busy, not that the run was quick.
    met = wall > 0 && (ratio <= target || (enough != "" && wall <= enough))
    printf "%s: program %.3f s wall, %.3f s CPU (start-up of %.3f s left out); %s %.3f s wall, %.3f s CPU; ratio %.2f (target <= %s%s): %s\n",
           name, wall, cpu, $5, other, $9, $10 + $11, ratio, target, enough == "" ? "" : ", or " enough " s of the program",
           met ? "met" : "MISSED"
    exit !met }'
}

# A card image of $1 MiB of random bytes at $work/card.img, read once so that both sides read it
# from the page cache, and a machine with that CompactFlash card in drive E:.
make_card() {
  head -c $(($1 * 1048576)) /dev/urandom > "$work/card.img"
  cat "$work/card.img" > /dev/null
  describe_card cf card.img $(($1 * 2048))
}

# The machine: one maker's USB reader at E: with a card of kind $1, image $2, $3 sectors.
describe_card() {
  cat > "$work/machine.json" <<JSON
{ "version": 1, "windows": "xp", "readers": [ { "bus": "usb", "maker": true, "letter": "E",
  "card": { "kind": "$1", "image": "$2", "sectors": $3 } } ] }
JSON
}

# The script of a whole-card backup of drive E: into C:\card.FMB, at $work/backup.txt.
write_backup_script() {
  cat > "$work/backup.txt" <<SCRIPT
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
}
