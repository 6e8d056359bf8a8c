#!/bin/bash
# Judges a card image that the program formatted: one partition in the master boot record that
# lies on the card and holds an empty FAT volume of its own size (FAT32 covering the card, or a
# FAT12/16 volume); mtools makes a folder, writes a file into it and reads the same bytes back,
# and fsck.fat -n then accepts the volume.
# Usage: check_fat_card.sh <card image> [<sectors per cluster>]
set -euo pipefail
image=$1
cluster=${2:-}
fail() { echo "check_fat_card: $image: $*" >&2; exit 1; }
[ -f "$image" ] || fail "no such card image"
work=$(mktemp -d "${TMPDIR:-/tmp}/check-fat-card-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The partition entry and the boot sector's fields, one "name value" a line.
read_fields() {
  python3 - "$image" <<'PY'
import struct, sys
with open(sys.argv[1], "rb") as card:
    mbr = card.read(512)
    if mbr[510:512] != b"\x55\xaa":
        sys.exit("no master boot record signature")
    kind, start, count = mbr[450], *struct.unpack_from("<II", mbr, 454)
    card.seek(start * 512)
    boot = card.read(512)
    card.seek(0, 2)
    print("cardSectors", card.tell() // 512)
print("kind", kind)
print("start", start)
print("count", count)
print("bytesPerSector", struct.unpack_from("<H", boot, 11)[0])
print("sectorsPerCluster", boot[13])
print("total16", struct.unpack_from("<H", boot, 19)[0])
print("total32", struct.unpack_from("<I", boot, 32)[0])
print("hidden", struct.unpack_from("<I", boot, 28)[0])
fat = struct.unpack_from("<H", boot, 22)[0] or struct.unpack_from("<I", boot, 36)[0]
root = (struct.unpack_from("<H", boot, 17)[0] * 32 + 511) // 512
print("systemSectors", struct.unpack_from("<H", boot, 14)[0] + boot[16] * fat + root)
fs32 = boot[82:90].decode("ascii", "replace").strip()
print("fsType", fs32 if fs32 == "FAT32" else boot[54:62].decode("ascii", "replace").strip())
PY
}
declare -A field
while read -r name value; do field[$name]=$value; done < <(read_fields)

fat32() {
  case ${field[kind]} in 11 | 12) ;; *) fail "partition type ${field[kind]} is no FAT32 type" ;; esac
  [ "${field[bytesPerSector]}" = 512 ] || fail "${field[bytesPerSector]} bytes per sector"
  [ $((field[start] + field[count])) -le "${field[cardSectors]}" ] || fail "the partition runs past the card's end"
  # The volume covers the card past the old 1023-cylinder limit: at most one cylinder is left over.
  [ $((field[cardSectors] - field[start] - field[count])) -lt $((255 * 63)) ] || fail "the partition leaves the card's end unused"
  [ "${field[total16]}" = 0 ] || fail "a 16-bit total of ${field[total16]} sectors on FAT32"
  [ "${field[total32]}" = "${field[count]}" ] || fail "the volume holds ${field[total32]} sectors, its partition ${field[count]}"
}
# FAT12 and FAT16: the total in whichever field the size needs.
fat16() {
  case ${field[kind]} in 1 | 4 | 6 | 14) ;; *) fail "partition type ${field[kind]} is no FAT12/16 type" ;; esac
  [ "${field[bytesPerSector]}" = 512 ] || fail "${field[bytesPerSector]} bytes per sector"
  [ $((field[start] + field[count])) -le "${field[cardSectors]}" ] || fail "the partition runs past the card's end"
  local total=${field[total16]}
  [ "$total" != 0 ] || total=${field[total32]}
  [ "$total" = "${field[count]}" ] || fail "the volume holds $total sectors, its partition ${field[count]}"
}
case ${field[fsType]} in
  FAT32) fat32 ;;
  FAT12 | FAT16) fat16 ;;
  *) fail "the boot sector says ${field[fsType]}, no FAT type" ;;
esac
[ "${field[hidden]}" = "${field[start]}" ] || fail "${field[hidden]} hidden sectors before a partition at ${field[start]}"
if [ -n "$cluster" ] && [ "${field[sectorsPerCluster]}" != "$cluster" ]; then
  fail "${field[sectorsPerCluster]} sectors per cluster, expected $cluster"
fi

# A fresh volume: nothing in its root folder.
volume="$image@@$((field[start] * 512))"
export MTOOLS_SKIP_CHECK=1
mdir -i "$volume" :: | grep -q "No files" || fail "the new volume is not empty"

# mtools on the card itself, at the partition's offset.
head -c 3000000 /dev/urandom > "$work/photo.jpg"
mmd -i "$volume" ::/DCIM || fail "mtools cannot make a folder"
mcopy -i "$volume" "$work/photo.jpg" ::/DCIM/PHOTO.JPG || fail "mtools cannot write a file"
mcopy -i "$volume" ::/DCIM/PHOTO.JPG "$work/back.jpg" || fail "mtools cannot read the file"
cmp -s "$work/photo.jpg" "$work/back.jpg" || fail "the file read back differs"

# fsck.fat reads the volume alone and only its system area and allocated clusters, which a fresh
# volume keeps at its start: a copy of the partition's first sectors, the rest left a hole (a
# hole read as data would take longer than the format).
dd if="$image" of="$work/volume.img" bs=1M iflag=skip_bytes,count_bytes skip=$((field[start] * 512)) \
  count=$(((field[systemSectors] + 32768) * 512)) status=none
truncate -s $((field[count] * 512)) "$work/volume.img"
fsck.fat -n "$work/volume.img" > "$work/fsck.out" 2>&1 || { cat "$work/fsck.out" >&2; fail "fsck.fat refuses the volume"; }
grep -q "2 files" "$work/fsck.out" || { cat "$work/fsck.out" >&2; fail "fsck.fat does not see the folder and the file"; }
echo "check_fat_card: $image holds a sound ${field[fsType]} volume of ${field[count]} sectors"
