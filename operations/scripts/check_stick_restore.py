#!/usr/bin/env python3
"""Judges a Memory Stick restored from a backup of another stick of its size.

Usage: check_stick_restore.py <source image> <restored image> [<pages per block>]

The images hold, block after block, 4 bytes of extra data (byte 0 bit 7 good, byte 1 bit 2 clear
on a boot block, bytes 2-3 the logical block, high byte first, 0xFFFF unused) and the block's
512-byte pages. The restored stick must hold every logical block of the source with the same
data (the volume the readers show is the same), each in a block whose extra data is what the
restore's writes leave (FF FF and the logical block); the blocks it does not use are erased; its
own boot blocks are kept. fsck.fat -n then judges the volume that the logical blocks make.
"""
import os
import struct
import subprocess
import sys
import tempfile

EXTRA = 4
PAGE = 512
UNUSED = 0xFFFF
BOOT_EXTRA = bytes([0xF8, 0xFB, 0xFF, 0xFF])


def fail(why):
    sys.exit(f"check_stick_restore: {why}")


def blocks_of(path, pages):
    size = EXTRA + pages * PAGE
    with open(path, "rb") as image:
        data = image.read()
    if len(data) % size:
        fail(f"{path}: {len(data)} bytes are no whole number of {size}-byte blocks")
    return [(data[at:at + EXTRA], data[at + EXTRA:at + size]) for at in range(0, len(data), size)]


def role(extra):
    if not extra[0] & 0x80:
        return "bad"
    if not extra[1] & 0x04:
        return "boot"
    return "unused" if struct.unpack(">H", extra[2:4])[0] == UNUSED else "used"


def logical_map(path, blocks):
    found = {}
    for number, (extra, data) in enumerate(blocks):
        if role(extra) != "used":
            continue
        logical = struct.unpack(">H", extra[2:4])[0]
        if logical in found:
            fail(f"{path}: logical block {logical} in blocks {found[logical][0]} and {number}")
        found[logical] = (number, data)
    return found


def check_restored_blocks(blocks, pages):
    erased = b"\xff" * (pages * PAGE)
    for number, (extra, data) in enumerate(blocks):
        kind = role(extra)
        if kind == "used" and extra[:2] != b"\xff\xff":
            fail(f"block {number} holds logical block {extra[2:4].hex()} under extra data {extra.hex()}")
        if kind == "unused" and (extra != b"\xff" * EXTRA or data != erased):
            fail(f"block {number} is not used but not erased either")
        if kind == "boot" and extra != BOOT_EXTRA:
            fail(f"boot block {number} has extra data {extra.hex()}")


def volume_bytes(found, pages):
    blank = b"\xff" * (pages * PAGE)
    return b"".join(found[n][1] if n in found else blank for n in range(max(found) + 1))


def main():
    if len(sys.argv) not in (3, 4):
        fail("usage: check_stick_restore.py <source image> <restored image> [<pages per block>]")
    source, restored = sys.argv[1], sys.argv[2]
    pages = int(sys.argv[3]) if len(sys.argv) == 4 else 32
    source_blocks, restored_blocks = blocks_of(source, pages), blocks_of(restored, pages)
    if len(source_blocks) != len(restored_blocks):
        fail("the two sticks differ in size")
    wanted, got = logical_map(source, source_blocks), logical_map(restored, restored_blocks)
    if not wanted:
        fail(f"{source} holds no volume")
    if sorted(wanted) != sorted(got):
        fail(f"logical blocks {sorted(set(wanted) ^ set(got))[:10]} are on one stick only")
    for logical, (_, data) in wanted.items():
        if got[logical][1] != data:
            fail(f"logical block {logical} differs")
    check_restored_blocks(restored_blocks, pages)

    volume = volume_bytes(got, pages)
    if volume[510:512] != b"\x55\xaa":
        fail("the volume has no master boot record")
    start, count = struct.unpack_from("<II", volume, 454)
    # Logical blocks no block holds read as 0xFF, up to the partition's end.
    volume = volume.ljust((start + count) * PAGE, b"\xff")
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "volume.img")
        with open(path, "wb") as out:
            out.write(volume[start * PAGE:(start + count) * PAGE])
        fsck = subprocess.run(["fsck.fat", "-n", path], capture_output=True, text=True)
        if fsck.returncode != 0:
            fail(f"fsck.fat refuses the restored volume:\n{fsck.stdout}{fsck.stderr}")
    print(f"check_stick_restore: {len(got)} logical blocks restored, the volume is sound")


main()
