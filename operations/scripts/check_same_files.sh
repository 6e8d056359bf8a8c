#!/bin/bash
# Judges a FAT volume laid out again from a used-space backup: fsck.fat -n accepts it, and mtools
# finds the same folders and files as on the card the backup was taken from, each file byte for
# byte. The volume starts at the given sector of each image (0: a superfloppy).
# Usage: check_same_files.sh <original image> <restored image> [<volume start sector>]
set -euo pipefail
original=$1
restored=$2
offset=$((${3:-0} * 512))
fail() { echo "check_same_files: $restored: $*" >&2; exit 1; }
[ -f "$original" ] && [ -f "$restored" ] || fail "no such image"
work=$(mktemp -d "${TMPDIR:-/tmp}/check-same-files-XXXXXX")
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1

dd if="$restored" of="$work/volume.img" bs=512 iflag=skip_bytes skip="$offset" status=none
fsck.fat -n "$work/volume.img" > "$work/fsck.out" 2>&1 || { cat "$work/fsck.out" >&2; fail "fsck.fat refuses the volume"; }

# The trees, every file and folder with its size, then the files' bytes.
mdir -/ -a -i "$original@@$offset" :: | grep -v "bytes free" > "$work/original.list"
mdir -/ -a -i "$restored@@$offset" :: | grep -v "bytes free" > "$work/restored.list"
grep -q " files " "$work/original.list" || fail "mtools finds no files on the original"
diff "$work/original.list" "$work/restored.list" >&2 || fail "mtools lists another tree"
mkdir "$work/original" "$work/restored"
mcopy -s -n -i "$original@@$offset" ::/ "$work/original/"
mcopy -s -n -i "$restored@@$offset" ::/ "$work/restored/"
diff -r "$work/original" "$work/restored" >&2 || fail "the files differ"
echo "check_same_files: $restored holds the same $(find "$work/original" -type f | wc -l) files, and fsck.fat accepts it"
