#!/usr/bin/env python3
"""Exit 0 when the FAT12/16 root directory of the superfloppy image still holds the deleted
entry of the named 8.3 file (first byte 0xE5) and no TEMP.TXT was left behind."""
import struct
import sys

image, name = sys.argv[1], sys.argv[2].upper()
with open(image, "rb") as f:
    boot = f.read(512)
    bytes_per_sector, = struct.unpack_from("<H", boot, 11)
    reserved, = struct.unpack_from("<H", boot, 14)
    fats = boot[16]
    root_entries, = struct.unpack_from("<H", boot, 17)
    fat_sectors, = struct.unpack_from("<H", boot, 22)
    f.seek((reserved + fats * fat_sectors) * bytes_per_sector)
    root = f.read(root_entries * 32)
base, _, ext = name.partition(".")
wanted = (base.ljust(8) + ext.ljust(3)).encode()
entries = [root[i:i + 32] for i in range(0, len(root), 32)]
deleted = [e for e in entries if e[0] == 0xE5 and e[1:11] == wanted[1:]]
temp = [e for e in entries if e[0] != 0xE5 and e[:11] == b"TEMP    TXT"]
if not deleted:
    sys.exit("the deleted entry of %s is gone" % name)
if temp:
    sys.exit("TEMP.TXT was left on the disk")
