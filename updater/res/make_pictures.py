#!/usr/bin/env python3
"""Draws the Updater's own picture: the step arrow arrow.bmp (6 x 13, 24-bit; its bottom-left pixel is
the transparent colour). The progress clip both programs share is drawn by common/res/make_movie.py.

Run it from any folder; it writes next to itself. The output is deterministic."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bitmap_info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def arrow():
    """A right-pointing triangle, tip at the middle row, on a magenta key colour."""
    width, height, key, ink = 6, 13, (255, 0, 255), (24, 72, 160)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            inside = 1 <= y <= 11 and x <= 5 - abs(y - 6) and abs(y - 6) <= 5
            row.append(ink if inside and y not in (0, 12) else key)
        rows.append(row)
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for y in range(height - 1, -1, -1):  # bottom-up
        line = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in rows[y])
        pixels += line + b"\0" * (stride - len(line))
    header = bitmap_info_header(width, height, 24, len(pixels), 0)
    offset = 14 + len(header)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + pixels


def main():
    with open(os.path.join(HERE, "arrow.bmp"), "wb") as f:
        f.write(arrow())


if __name__ == "__main__":
    main()
