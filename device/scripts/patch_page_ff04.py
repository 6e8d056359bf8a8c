#!/usr/bin/env python3
"""Makes the data of logical block 0's first page of a SmartMedia image (512-byte pages, each
followed by 16 spare bytes) begin with FF 04. Usage: patch_page_ff04.py <image> <pages per block>"""
import sys

PAGE, SPARE = 512, 16
image, pages_per_block = sys.argv[1], int(sys.argv[2])
unit = PAGE + SPARE
with open(image, "r+b") as f:
    data = f.read()
    for block in range(len(data) // (unit * pages_per_block)):
        at = block * unit * pages_per_block
        spare = data[at + PAGE:at + unit]
        if spare[5] == 0xFF and spare[6:8] == b"\x10\x01":
            f.seek(at)
            f.write(b"\xff\x04")
            sys.exit(0)
sys.exit("no block holds logical block 0")
