#!/usr/bin/env python3
"""Draws the Updater's own program icon, Updater.ico: a blue disc with a white upward arrow, at 16 x 16
and 32 x 32 pixels in 32-bit colour with alpha, the sizes the title bar, the task bar and Alt+Tab ask
for. The window class loads it as "MAINICON".

Run it from any folder; it writes next to itself. The output is deterministic."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 32)
DISC = (24, 72, 160)
ARROW = (255, 255, 255)


def pixel(size, x, y):
    """The colour and opacity of one pixel, with x and y in the icon's own units (0..1 across)."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    if (u - 0.5) ** 2 + (v - 0.5) ** 2 > 0.235:
        return (0, 0, 0, 0)
    head = 0.18 <= v <= 0.5 and abs(u - 0.5) <= (v - 0.18) * 0.95
    shaft = 0.5 <= v <= 0.82 and abs(u - 0.5) <= 0.1
    r, g, b = ARROW if head or shaft else DISC
    return (r, g, b, 255)


def image(size):
    """One icon image: a BITMAPINFOHEADER of twice the height, bottom-up BGRA rows, and the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows, mask = b"", b""
    mask_stride = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            rows += struct.pack("<BBBB", b, g, r, a)
            bits = (bits << 1) | (1 if a == 0 else 0)
        line = bits.to_bytes((size + 7) // 8, "big")
        mask += line + b"\0" * (mask_stride - len(line))
    return header + rows + mask


def icon():
    images = [image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


def main():
    with open(os.path.join(HERE, "Updater.ico"), "wb") as f:
        f.write(icon())


if __name__ == "__main__":
    main()
