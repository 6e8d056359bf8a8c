# Shared by the recovery's scripted runs; sourced after setting program (the Tarnlok binary) and
# run (the run folder, made anew). Makes the run folder the current folder and gives fail,
# windows_path, tarnlok and has_copy.
name=$(basename "$0" .sh)
program=$(realpath "$program")
rm -rf "$run"
mkdir -p "$run/runtime"
chmod 700 "$run/runtime"
cd "$run"
fail() { echo "$name: $*" >&2; exit 1; }
# The program's name of a host path: drive Z: is the host's root.
windows_path() { echo "Z:${1//\//\\}"; }

# Runs the program on a script with a data folder and an optional machine description.
tarnlok() {
  local data=$1 script=$2 machine=${3:-} status=0
  mkdir -p "$data"
  local machineSetting=(--unset=TARNLOK_MACHINE)
  [ -n "$machine" ] && machineSetting=("TARNLOK_MACHINE=$machine")
  env "${machineSetting[@]}" XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$run/runtime" QT_QPA_PLATFORM=offscreen \
    TARNLOK_SCRIPT="$script" "$program" > "$script.out" 2> "$script.err" || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$script.out" "$script.err" >&2
    fail "the program failed on $script (exit $status)"
  fi
  if grep -q "script: line" "$script.err"; then cat "$script.err" >&2; fail "a step of $script failed"; fi
}

# True when some file of the folder holds exactly the original's bytes.
has_copy() {
  local original=$1 folder=$2
  for file in "$folder"/*; do
    [ -f "$file" ] && cmp -s "$original" "$file" && return 0
  done
  return 1
}
