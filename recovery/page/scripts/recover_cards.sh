#!/bin/bash
# End to end through the real program (TARNLOK_SCRIPT): photographs deleted from a CompactFlash
# card made by mkfs.fat and mtools come back byte for byte; photographs on a card without any
# boot sector are found by the raw scan; the settings chosen in Options are there after a
# restart; the default machine's SmartMedia card gives back photographs that decode.
# Usage: recover_cards.sh <Tarnlok> <run folder>
set -euo pipefail
program=$1
run=$2
. "$(dirname "$(realpath "$0")")/../../scripts/card_run.sh"

# Some photographs of a few clusters each.
for i in 1 2 3 4; do
  convert -size 400x300 "gradient:#$((i * 2))0a0c0-#30$((i * 2))060" +noise Random -quality 90 "photo$i.jpg"
done

# The CompactFlash card: a master boot record and one FAT16 partition from sector 64.
sectors=65536
start=64
mkfs.fat -F 16 -n CARD -C volume.img $(((sectors - start) / 2)) > /dev/null
mmd -i volume.img ::/DCIM
mcopy -i volume.img photo1.jpg photo2.jpg photo3.jpg photo4.jpg ::/DCIM/
mdel -i volume.img ::/DCIM/photo2.jpg ::/DCIM/photo4.jpg
python3 - "$start" "$((sectors - start))" > mbr.bin <<'PY'
import struct, sys
start, count = int(sys.argv[1]), int(sys.argv[2])
mbr = bytearray(512)
mbr[446:462] = struct.pack("<B3sB3sII", 0, b"\0\0\0", 0x06, b"\0\0\0", start, count)
mbr[510:512] = b"\x55\xaa"
sys.stdout.buffer.write(mbr)
PY
{ cat mbr.bin; head -c $(((start - 1) * 512)) /dev/zero; cat volume.img; } > cf.img
[ "$(stat -c %s cf.img)" -eq $((sectors * 512)) ] || fail "the card image has the wrong size"

# A card without boot sector or partition table: two photographs at sector boundaries.
head -c $((8192 * 512)) /dev/zero > bare.img
dd if=photo1.jpg of=bare.img bs=512 seek=100 conv=notrunc status=none
dd if=photo3.jpg of=bare.img bs=512 seek=3000 conv=notrunc status=none

cat > machine.json <<JSON
{ "version": 1, "windows": "xp", "readers": [
  { "bus": "usb", "maker": true, "firmware": "newer", "letter": "E",
    "card": { "kind": "cf", "image": "cf.img", "sectors": $sectors } },
  { "bus": "usb", "letter": "G", "card": { "kind": "cf", "image": "bare.img", "sectors": 8192 } } ] }
JSON

out_cf="$run/out-cf"
out_bare="$run/out-bare"
cat > recover.txt <<SCRIPT
press 1
device E:
tab Recovery
press 1038
text 1115 $(windows_path "$out_cf")
text 1119 REC
press 1
press 1036
wait
device G:
press 1038
text 1115 $(windows_path "$out_bare")
press 1
press 1036
wait
quit
SCRIPT
tarnlok "$run/data" recover.txt "$run/machine.json"

# Each deleted photograph is among the recovered files, byte for byte.
for deleted in photo2.jpg photo4.jpg; do
  has_copy "$deleted" "$out_cf" || fail "$deleted was not recovered from the CompactFlash card"
done
# "Recover All files" is the dialog's choice on a key without it: the card's own files come too.
cmp -s photo1.jpg "$out_cf/DCIM/photo1.jpg" || fail "the photograph the card still shows was not copied"
for placed in photo1.jpg photo3.jpg; do
  has_copy "$placed" "$out_bare" || fail "$placed was not found on the card without a boot sector"
done
[ -s "$run/data/tarnlok/drive_c/Program Files/Tarnlok/ERRLOG.log" ] || fail "no ERRLOG.log"

# The settings of the last OK are there after a restart.
cat > settings.txt <<SCRIPT
press 1
tab Recovery
press 1038
expect 1115 $(windows_path "$out_bare")
expect 1119 REC
close
quit
SCRIPT
tarnlok "$run/data" settings.txt "$run/machine.json"

# The default machine's SmartMedia card, read as raw flash.
out_sm="$run/out-sm"
cat > smartmedia.txt <<SCRIPT
press 1
device F:
tab Recovery
press 1038
text 1115 $(windows_path "$out_sm")
press 1
press 1036
wait
quit
SCRIPT
tarnlok "$run/data-default" smartmedia.txt
count=0
for file in "$out_sm"/*.JPG; do
  djpeg "$file" > /dev/null 2>&1 || fail "$(basename "$file") from the SmartMedia card does not decode"
  [ "$(exiftool -s3 -Make "$file")" = Kestro ] || fail "$(basename "$file") lost its Exif data"
  count=$((count + 1))
done
[ "$count" -ge 2 ] || fail "only $count photographs came back from the SmartMedia card"
echo "recover_cards: all held ($count photographs from the SmartMedia card)"
