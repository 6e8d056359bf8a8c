#!/usr/bin/env python3
"""Makes the cards of the used_space_cards run in the given folder, each holding a few files:

offset-cf.img  64 MB CompactFlash: a partition from sector 63 whose FAT16 volume mkfs.fat wrote
               with --offset 63 and no -h, so its boot sector counts 0 hidden sectors.
stray-cf.img   8 MB CompactFlash: a FAT12 superfloppy whose FATs hold a non-zero entry past the
               volume's last cluster.
grow-cf.img    3 MB CompactFlash: a FAT12 superfloppy of 4-sector clusters whose FATs mkfs.fat
               left unaligned, no larger than its clusters need, and grow-big-cf.img, a blank
               8 MB card it is restored onto: the volume stays FAT12 and its FAT grows.
"""
import os
import struct
import subprocess
import sys

SECTOR = 512


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, env=dict(os.environ, MTOOLS_SKIP_CHECK="1"))


def put_files(image, offset, folder):
    target = f"{image}@@{offset * SECTOR}"
    run("mmd", "-i", target, "::DCIM")
    for number, size in enumerate((70000, 513, 9000, 1, 120000)):
        path = os.path.join(folder, f"FILE{number}.BIN")
        with open(path, "wb") as file:
            file.write(bytes((i * 7 + number * 13 + i // 511) & 0xFF for i in range(size)))
        run("mcopy", "-i", target, path, "::DCIM/" if number % 2 else "::")
        os.remove(path)


def offset_card(folder):
    image = os.path.join(folder, "offset-cf.img")
    sectors = 131072
    with open(image, "wb") as file:
        file.truncate(sectors * SECTOR)
        mbr = bytearray(SECTOR)
        mbr[0x1BE + 4] = 0x06
        mbr[0x1BE + 8:0x1BE + 16] = struct.pack("<II", 63, sectors - 63)
        mbr[510:512] = b"\x55\xaa"
        file.write(mbr)
    run("mkfs.fat", "-F", "16", "-i", "1234ABCD", "--offset", "63", image)
    with open(image, "rb") as file:
        file.seek(63 * SECTOR + 28)
        assert struct.unpack("<I", file.read(4))[0] == 0, "the boot sector must count 0 hidden sectors"
    put_files(image, 63, folder)


def stray_card(folder):
    image = os.path.join(folder, "stray-cf.img")
    if os.path.exists(image):
        os.remove(image)
    run("mkfs.fat", "-C", "-F", "12", "-i", "1234ABCD", image, str(16384 // 2))
    put_files(image, 0, folder)
    with open(image, "r+b") as file:
        boot = file.read(SECTOR)
        per_cluster, reserved, fats, roots, total, fat_size = (
            boot[13], *struct.unpack("<H", boot[14:16]), boot[16], *struct.unpack("<HH", boot[17:21]),
            *struct.unpack("<H", boot[22:24]))
        data_start = reserved + fats * fat_size + (roots * 32 + SECTOR - 1) // SECTOR
        stray = (total - data_start) // per_cluster + 2
        at = stray * 3 // 2
        assert at + 2 <= fat_size * SECTOR, "the FAT must have room past the last cluster"
        for copy in range(fats):
            file.seek((reserved + copy * fat_size) * SECTOR + at)
            pair = struct.unpack("<H", file.read(2))[0]
            pair = (pair & 0xF000) | 0x123 if stray % 2 == 0 else (pair & 0x000F) | 0x1230
            file.seek(-2, os.SEEK_CUR)
            file.write(struct.pack("<H", pair))


def grow_cards(folder):
    image = os.path.join(folder, "grow-cf.img")
    if os.path.exists(image):
        os.remove(image)
    run("mkfs.fat", "-C", "-a", "-F", "12", "-s", "4", "-i", "1234ABCD", image, str(6000 // 2))
    put_files(image, 0, folder)
    with open(os.path.join(folder, "grow-big-cf.img"), "wb") as file:
        file.truncate(16000 * SECTOR)


if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    offset_card(sys.argv[1])
    stray_card(sys.argv[1])
    grow_cards(sys.argv[1])
