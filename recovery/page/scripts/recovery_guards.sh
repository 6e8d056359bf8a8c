#!/bin/bash
# End to end through the real program (TARNLOK_SCRIPT): the recovery settings refuse an output
# folder on the selected card in every spelling of its drive, before anything is made there (the
# card image is the same byte for byte), and keep a folder on another drive.
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
  local script=$1
  env TARNLOK_MACHINE="$run/machine.json" XDG_DATA_HOME="$run/data" XDG_RUNTIME_DIR="$run/runtime" \
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
echo "recovery_guards: all held"
