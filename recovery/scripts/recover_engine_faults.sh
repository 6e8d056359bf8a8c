#!/bin/bash
# End to end through the real program (TARNLOK_SCRIPT) on cards made here, for what the engine
# must get right at the edges: a boot sector claiming 0xFFFFFFFF sectors, deleted short names
# beside a volume label and another file's long name, a picture in the volume's last data
# cluster, MIDI and QuickTime files that end in a sector's last bytes, and photographs behind a
# camera file whose end never comes. Each file is compared byte for byte with its original.
# Usage: recover_engine_faults.sh <Tarnlok> <run folder>
set -euo pipefail
program=$1
run=$2
. "$(dirname "$(realpath "$0")")/card_run.sh"
export MTOOLS_SKIP_CHECK=1

# Photographs: JFIF as ImageMagick writes them, Exif (APP1 first) and bare (no APP segment).
for i in 1 2 3 4 5 6 7 8; do
  convert -size 96x64 "gradient:#$((i))0a0c0-#30$((i))060" +noise Random -quality 85 "photo$i.jpg"
done
python3 - <<'PY'
d = open("photo7.jpg", "rb").read()
n = int.from_bytes(d[4:6], "big")
open("bare.jpg", "wb").write(d[:2] + d[4 + n:])
open("exif.jpg", "wb").write(d[:2] + d[4 + n:])
PY
exiftool -q -overwrite_original -Make=Kestro exif.jpg
convert -size 8x8 xc:orange BMP3:tiny.bmp

# Card E: a FAT16 volume whose boot sector claims 0xFFFFFFFF sectors. The volume label, a file
# with a short name only, one with a long name that stays, a short one behind it and one with
# a long name of its own; three are deleted. A small picture lies in the last data cluster.
mkfs.fat -F 16 -s 1 -n CARD -C huge.img 4096 > /dev/null
cp photo1.jpg PHOTO1.JPG; cp photo2.jpg "Test long name.jpg"; cp photo3.jpg IMG_0003.JPG
cp photo4.jpg holiday-photo.jpg
mcopy -i huge.img PHOTO1.JPG "Test long name.jpg" IMG_0003.JPG holiday-photo.jpg ::
mdel -i huge.img ::PHOTO1.JPG ::IMG_0003.JPG ::holiday-photo.jpg
python3 - huge.img tiny.bmp <<'PY'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
bps, spc, reserved, fats, roots, total16 = struct.unpack_from("<HBHBHH", image, 11)
per_fat = struct.unpack_from("<H", image, 22)[0]
total = total16 or struct.unpack_from("<I", image, 32)[0]
first_data = reserved + fats * per_fat + (roots * 32 + bps - 1) // bps
clusters = (total - first_data) // spc
last = first_data + (clusters - 1) * spc
tiny = open(sys.argv[2], "rb").read()
image[last * bps:last * bps + len(tiny)] = tiny
struct.pack_into("<H", image, 19, 0)
struct.pack_into("<I", image, 32, 0xFFFFFFFF)
open(sys.argv[1], "wb").write(image)
PY

# Card G: no boot sector; files at chosen sectors. A MIDI file of 1020 bytes and a QuickTime
# file of 1024 bytes, each followed at once by a photograph; a Canon file cut short, then a JFIF
# and an Exif photograph.
python3 - <<'PY'
import struct
def filler(n, seed):
    out = bytearray()
    x = seed
    while len(out) < n:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(0x20 + (x >> 16) % 90)
    return bytes(out)
midi = b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96)
midi += b"MTrk" + struct.pack(">I", 1020 - 22) + filler(1020 - 22, 1)
mov = struct.pack(">I", 1024) + b"mdat" + filler(1024 - 8, 2)
crw = b"II" + struct.pack("<I", 26) + b"HEAPCCDR" + filler(3000, 3)
open("song.mid", "wb").write(midi)
open("clip.mov", "wb").write(mov)
card = bytearray(2048 * 512)
def put(sector, data):
    card[sector * 512:sector * 512 + len(data)] = data
put(100, midi); put(102, open("photo5.jpg", "rb").read())
put(200, mov); put(202, open("photo6.jpg", "rb").read())
put(300, crw); put(310, open("photo8.jpg", "rb").read()); put(600, open("exif.jpg", "rb").read())
put(900, open("bare.jpg", "rb").read())
open("bare.img", "wb").write(card)
PY

cat > machine.json <<JSON
{ "version": 1, "windows": "xp", "readers": [
  { "bus": "usb", "maker": true, "firmware": "newer", "letter": "E",
    "card": { "kind": "cf", "image": "huge.img", "sectors": 8192 } },
  { "bus": "usb", "letter": "G", "card": { "kind": "cf", "image": "bare.img", "sectors": 2048 } } ] }
JSON

out_e="$run/out-e"
out_g="$run/out-g"
cat > recover.txt <<SCRIPT
press 1
device E:
tab Recovery
press 1038
text 1115 $(windows_path "$out_e")
press 1
press 1036
wait
device G:
press 1038
text 1115 $(windows_path "$out_g")
press 1
press 1036
wait
quit
SCRIPT
tarnlok "$run/data" recover.txt "$run/machine.json"

# Card E: the deleted files under their names, their first letter only from their own long name.
cmp -s photo1.jpg "$out_e/_HOTO1.JPG" || fail "PHOTO1.JPG did not come back as _HOTO1.JPG: $(ls "$out_e")"
cmp -s photo3.jpg "$out_e/_MG_0003.JPG" || fail "IMG_0003.JPG did not come back as _MG_0003.JPG: $(ls "$out_e")"
cmp -s photo4.jpg "$out_e/hOLIDA~1.JPG" || fail "holiday-photo.jpg did not come back as hOLIDA~1.JPG"
has_copy tiny.bmp "$out_e" || fail "the picture in the last data cluster was not found"
# Card G: every file whole.
for original in song.mid clip.mov photo5.jpg photo6.jpg photo8.jpg exif.jpg bare.jpg; do
  has_copy "$original" "$out_g" || fail "$original was not recovered from the card without a boot sector"
done
echo "recover_engine_faults: all held"
