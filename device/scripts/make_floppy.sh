#!/bin/bash
# Makes a 1.44 MB FAT12 floppy image holding a folder and two files, for runs whose disk must
# carry data (mkfs.fat and mtools).
# Usage: make_floppy.sh <image>
set -euo pipefail
image=$1
rm -f "$image"
mkfs.fat -C -F 12 -n NT4DISK "$image" 1440 > /dev/null
export MTOOLS_SKIP_CHECK=1
work=$(mktemp -d "${TMPDIR:-/tmp}/make-floppy-XXXXXX")
trap 'rm -rf "$work"' EXIT
printf 'Notes kept on the floppy.\r\n' > "$work/NOTES.TXT"
head -c 40000 /dev/urandom > "$work/DATA.BIN"
mmd -i "$image" ::DOCS
mcopy -i "$image" "$work/NOTES.TXT" ::DOCS/NOTES.TXT
mcopy -i "$image" "$work/DATA.BIN" ::DATA.BIN
