#!/bin/bash
# End to end through the real program (TARNLOK_SCRIPT): the recovery settings refuse an output
# folder on the selected card in every spelling of its drive, before anything is made there (the
# card image is the same byte for byte), and keep a folder on another drive; a raw flash block
# whose management data cannot be read is told to the person, and the run goes on with the rest;
# on Windows 98 a partitioned card's deleted photographs come back by their names, also when its
# master boot record opens with a jump; a Memory Stick whose reader does not tell its size is
# recovered at the size the person picks.
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

# A script that recovers the card of a drive into a host folder; the steps given follow Recover.
recovery_script() {
  local file=$1 letter=$2 folder=$3
  shift 3
  printf '%s\n' "press 1" "device $letter:" "tab Recovery" "press 1038" "text 1115 Z:${folder//\//\\}" "press 1" \
    "press 1036" "$@" "quit" > "$file"
}

# How many of the folder's JPEG files decode.
decoding_photographs() {
  local count=0
  for file in "$1"/*.JPG; do
    [ -f "$file" ] && djpeg "$file" > /dev/null 2>&1 && count=$((count + 1))
  done
  echo "$count"
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

# Windows 98: a CompactFlash card with a master boot record and a FAT16 partition from sector 64.
convert -size 300x200 "gradient:#a02040-#40a060" +noise Random -quality 90 deleted.jpg
mkfs.fat -F 16 -n PART -C part.img 16352 > /dev/null
mcopy -i part.img photo.jpg deleted.jpg ::/
mdel -i part.img ::/deleted.jpg
# The plain master boot record, and a boot manager's that opens with a jump as a boot sector does.
for code in 33c0 eb6390; do
  python3 - "$code" > mbr.bin <<'PY'
import struct, sys
mbr = bytearray(512)
mbr[0:3] = bytes.fromhex(sys.argv[1]).ljust(3, b"\0")
mbr[446:462] = struct.pack("<B3sB3sII", 0, b"\0\0\0", 0x06, b"\0\0\0", 64, 32704)
mbr[510:512] = b"\x55\xaa"
sys.stdout.buffer.write(mbr)
PY
  { cat mbr.bin; head -c $((63 * 512)) /dev/zero; cat part.img; } > "partitioned-$code.img"
  cat > "machine98-$code.json" <<JSON
{ "version": 1, "windows": "98", "readers": [
  { "bus": "usb", "maker": true, "letter": "E", "card": { "kind": "cf", "image": "partitioned-$code.img", "sectors": 32768 } } ] }
JSON
  out98="$run/out-98-$code"
  recovery_script "win98-$code.txt" E "$out98" wait
  tarnlok "win98-$code.txt" "$run/machine98-$code.json" "$run/data98-$code"
  # The deleted-entry pass names it after its entry (the lost first letter aside).
  named=""
  for file in "$out98"/?ELETED.JPG; do [ -f "$file" ] && cmp -s deleted.jpg "$file" && named=$file; done
  [ -n "$named" ] || {
    ls -R "$out98" >&2
    fail "on Windows 98 the deleted photograph of the card whose boot record opens with $code did not come back by its name"
  }
done

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
    if reader.get("letter") == "H":
        reader["card"]["geometryHidden"] = True
json.dump(machine, open(path, "w"))
PY
out_flash="$run/out-flash"
recovery_script flash.txt F "$out_flash" "reply Ignore Unable to read from the drive." wait
tarnlok flash.txt "$flash_machine" "$run/data-flash"
grep -q "Unable to read from the drive." flash.txt.out || fail "the unreadable flash block was not told"
count=$(decoding_photographs "$out_flash")
[ "$count" -ge 1 ] || fail "nothing came back from the rest of the SmartMedia card"

# The default machine's 64 MB stick (4096 blocks of 32 pages), its size picked in the dialog.
out_stick="$run/out-stick"
recovery_script stick.txt H "$out_stick" "select 1127 4" "press 1" wait
tarnlok stick.txt "$flash_machine" "$run/data-flash"
sticks=$(decoding_photographs "$out_stick")
[ "$sticks" -ge 1 ] || fail "nothing came back from the stick of the size picked in the dialog"
echo "recovery_guards: all held ($count photographs past the unreadable block, $sticks from the stick)"
