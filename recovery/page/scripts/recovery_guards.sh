#!/bin/bash
# End to end through the real program (TARNLOK_SCRIPT): the recovery settings refuse an output
# folder on the selected card in every spelling of its drive, before anything is made there (the
# card image is the same byte for byte), and keep a folder on another drive; a raw flash block
# whose management data cannot be read is told to the person, and the run goes on with the rest.
# Usage: recovery_guards.sh <Tarnlok> <run folder>
set -euo pipefail
program=$1
run=$2
rm -rf "$run"
mkdir -p "$run/runtime"
chmod 700 "$run/runtime"
cd "$run"
fail() { echo "recovery_guards: $*" >&2; exit 1; }

tarnlok() {
  local script=$1 machine=${2:-$run/machine.json} data=${3:-$run/data}
  env TARNLOK_MACHINE="$machine" XDG_DATA_HOME="$data" XDG_RUNTIME_DIR="$run/runtime" \
    QT_QPA_PLATFORM=offscreen TARNLOK_SCRIPT="$script" "$program" > "$script.out" 2> "$script.err" || {
    cat "$script.out" "$script.err" >&2
    fail "the program failed on $script"
  }
  if grep -q "script: line" "$script.err"; then cat "$script.err" >&2; fail "a step of $script failed"; fi
}

# A CompactFlash card with a deleted photograph whose first cluster a new folder would take.
convert -size 200x150 "gradient:#20a0c0-#304060" +noise Random -quality 90 photo.jpg
mkfs.fat -F 16 -n CARD -C cf.img 16384 > /dev/null
mcopy -i cf.img photo.jpg ::/
mdel -i cf.img ::/photo.jpg
cp cf.img other.img
before=$(sha256sum < cf.img)

# The floppy drive comes first in the list, so the first slot's letter is not the card's.
cat > machine.json <<JSON
{ "version": 1, "windows": "xp", "readers": [
  { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "a.img" } },
  { "bus": "usb", "letter": "E", "card": { "kind": "cf", "image": "cf.img", "sectors": 32768 } },
  { "bus": "usb", "letter": "G", "card": { "kind": "cf", "image": "other.img", "sectors": 32768 } } ] }
JSON

{
  echo "press 1"
  echo "device E:"
  echo "tab Recovery"
  echo "press 1038"
  for folder in 'e:\found' 'E:\out' 'E:' '\\?\E:\out' '\\.\e:\out'; do
    echo "text 1115 $folder"
    echo "reply OK You had selected same drive"
    echo "press 1"
    echo "wait"
    # The dialog is still open.
    echo "expect 1115 $folder"
  done
  echo "close"
  echo "device G:"
  echo "press 1038"
  echo 'text 1115 A:\out'
  echo 'reply Yes less than 5MB'
  echo "press 1"
  echo "wait"
  echo "quit"
} > settings.txt
tarnlok settings.txt

[ "$(sha256sum < cf.img)" = "$before" ] || fail "the settings dialog wrote onto the card being recovered"
mdir -i a.img ::/OUT > /dev/null 2>&1 || fail "a folder on another drive than the card's was refused"

# The default machine's SmartMedia card, one of whose blocks cannot tell its logical block.
printf 'press 1\nquit\n' > make.txt
mkdir -p "$run/data-flash"
env --unset=TARNLOK_MACHINE XDG_DATA_HOME="$run/data-flash" XDG_RUNTIME_DIR="$run/runtime" QT_QPA_PLATFORM=offscreen \
  TARNLOK_SCRIPT=make.txt "$program" > /dev/null 2>&1 || fail "the default machine was not made"
flash_machine="$run/data-flash/tarnlok/machine.json"
python3 - "$flash_machine" <<'PY'
import json, sys
path = sys.argv[1]
machine = json.load(open(path))
for reader in machine["readers"]:
    if reader.get("letter") == "F":
        reader["card"]["faults"] = [{"op": "readSpare", "block": 3, "times": "always"}]
json.dump(machine, open(path, "w"))
PY
out_flash="$run/out-flash"
cat > flash.txt <<SCRIPT
press 1
device F:
tab Recovery
press 1038
text 1115 Z:${out_flash//\//\\}
press 1
press 1036
reply Ignore Unable to read from the drive.
wait
quit
SCRIPT
tarnlok flash.txt "$flash_machine" "$run/data-flash"
grep -q "Unable to read from the drive." flash.txt.out || fail "the unreadable flash block was not told"
count=0
for file in "$out_flash"/*.JPG; do
  [ -f "$file" ] || continue
  djpeg "$file" > /dev/null 2>&1 && count=$((count + 1))
done
[ "$count" -ge 1 ] || fail "nothing came back from the rest of the SmartMedia card"
echo "recovery_guards: all held ($count photographs past the unreadable block)"
