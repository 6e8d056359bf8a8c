#!/usr/bin/env python3
"""Judges a raw flash card restored from a backup of another card of its kind and size.

Usage: check_flash_restore.py ms|sm <source image> <restored image> <pages per block>

A Memory Stick image holds, block after block, 4 bytes of extra data (byte 0 bit 7 good, byte 1
bit 2 clear on a boot block, bytes 2-3 the logical block, high byte first, 0xFFFF unused) and
the block's 512-byte pages. A SmartMedia image (512-byte pages) holds each page followed by its
16 spare bytes (byte 5 0xFF on a good block, bytes 6-7 and 11-12 the block address
`0001 0LLL LLLL LLLP` within a zone of 1024 blocks and 1000 logical ones, 0 on the card
information block).

The restored card must hold every logical block of the source with the same data (the volume
the readers show is the same), each in a block whose extra or redundant data is what the
restore's writes leave; the blocks it does not use are erased. fsck.fat -n then judges the
volume that the logical blocks make.
"""
import os
import struct
import subprocess
import sys
import tempfile

PAGE = 512
STICK_EXTRA = 4
SPARE = 16
UNUSED = 0xFFFF


def fail(why):
    sys.exit(f"check_flash_restore: {why}")


class Block:
    def __init__(self, role, logical, head, data, spares=()):
        self.role, self.logical, self.head, self.data, self.spares = role, logical, head, data, spares


def stick_blocks(image, pages):
    size = STICK_EXTRA + pages * PAGE
    for at in range(0, len(image), size):
        extra, data = image[at:at + STICK_EXTRA], image[at + STICK_EXTRA:at + size]
        logical = struct.unpack(">H", extra[2:4])[0]
        if not extra[0] & 0x80:
            role = "bad"
        elif not extra[1] & 0x04:
            role = "system"
        else:
            role = "unused" if logical == UNUSED else "used"
        yield Block(role, logical, extra, data)


def smartmedia_blocks(image, pages):
    record = PAGE + SPARE
    for number, at in enumerate(range(0, len(image), pages * record)):
        spares = [image[at + p * record + PAGE:at + (p + 1) * record] for p in range(pages)]
        data = b"".join(image[at + p * record:at + p * record + PAGE] for p in range(pages))
        first = spares[0]
        address = struct.unpack(">H", first[6:8])[0]
        valid = address == struct.unpack(">H", first[11:13])[0] and address & 0x1000 and bin(address).count("1") % 2 == 0
        if first[5] != 0xFF:
            role, logical = "bad", None
        elif address == 0:
            role, logical = "system", None
        elif address != UNUSED and valid:
            role, logical = "used", number // 1024 * 1000 + (address >> 1 & 0x3FF)
        else:
            role, logical = "unused", None
        yield Block(role, logical, first, data, spares)


def blocks_of(kind, path, pages):
    with open(path, "rb") as file:
        image = file.read()
    size = (STICK_EXTRA + pages * PAGE) if kind == "ms" else pages * (PAGE + SPARE)
    if len(image) % size:
        fail(f"{path}: {len(image)} bytes are no whole number of {size}-byte blocks")
    return list((stick_blocks if kind == "ms" else smartmedia_blocks)(image, pages))


def logical_map(path, blocks):
    found = {}
    for number, block in enumerate(blocks):
        if block.role != "used":
            continue
        if block.logical in found:
            fail(f"{path}: logical block {block.logical} in blocks {found[block.logical][0]} and {number}")
        found[block.logical] = (number, block)
    return found


def check_written(kind, blocks, pages):
    """What the restore's erase and write commands leave in each block of the restored card."""
    erased = b"\xff" * (pages * PAGE)
    for number, block in enumerate(blocks):
        if block.role == "unused" and (block.data != erased or block.head != b"\xff" * len(block.head)):
            fail(f"block {number} is not used but not erased either")
        if block.role != "used":
            continue
        if kind == "ms" and block.head[:2] != b"\xff\xff":
            fail(f"block {number} holds logical block {block.logical} under extra data {block.head.hex()}")
        if kind == "sm" and any(spare[5] != 0xFF or spare[6:8] != block.head[6:8] or spare[11:13] != block.head[6:8]
                                for spare in block.spares):
            fail(f"block {number}: a page's redundant data does not carry the block's address")


def volume_bytes(found, pages):
    blank = b"\xff" * (pages * PAGE)
    return b"".join(found[n][1].data if n in found else blank for n in range(max(found) + 1))


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("ms", "sm"):
        fail("usage: check_flash_restore.py ms|sm <source image> <restored image> <pages per block>")
    kind, source, restored, pages = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    source_blocks, restored_blocks = blocks_of(kind, source, pages), blocks_of(kind, restored, pages)
    if len(source_blocks) != len(restored_blocks):
        fail("the two cards differ in size")
    wanted, got = logical_map(source, source_blocks), logical_map(restored, restored_blocks)
    if not wanted:
        fail(f"{source} holds no volume")
    if sorted(wanted) != sorted(got):
        fail(f"logical blocks {sorted(set(wanted) ^ set(got))[:10]} are on one card only")
    for logical, (_, block) in wanted.items():
        if got[logical][1].data != block.data:
            fail(f"logical block {logical} differs")
    for number, block in enumerate(source_blocks):
        if block.role == "system" and kind == "sm" and restored_blocks[number].data != block.data:
            fail(f"the card information block {number} differs")
    check_written(kind, restored_blocks, pages)

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
    print(f"check_flash_restore: {len(got)} logical blocks restored, the volume is sound")


main()
