#!/usr/bin/env python3
"""Draws the progress clip both programs play while they wait for a long step: movie.avi, 12 frames of
48 x 48 pixels in 8-bit colour, 90 ms per frame, uncompressed, as the animation control plays it.

Run it from any folder; it writes next to itself. The output is deterministic."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

FRAMES = 12
SIZE = 48
MICROSECONDS_PER_FRAME = 90000
BACKGROUND = (240, 240, 240)
DOTS = 12


def palette():
    """Index 0 is the background (the control makes the first pixel's colour transparent); 1..12 run
    from the head of the spinner's trail (deep blue) to its faint end."""
    colours = [BACKGROUND]
    head, tail = (24, 72, 160), (200, 210, 228)
    for i in range(DOTS):
        t = i / (DOTS - 1)
        colours.append(tuple(round(h + (e - h) * t) for h, e in zip(head, tail)))
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


def frame(index):
    """One frame as rows of palette indices, top row first."""
    pixels = [[0] * SIZE for _ in range(SIZE)]
    centre, radius, dot = (SIZE - 1) / 2, 16.5, 3.6
    for d in range(DOTS):
        angle = 2 * math.pi * d / DOTS - math.pi / 2
        cx, cy = centre + radius * math.cos(angle), centre + radius * math.sin(angle)
        age = (index - d) % DOTS
        for y in range(SIZE):
            for x in range(SIZE):
                if (x - cx) ** 2 + (y - cy) ** 2 <= dot * dot:
                    pixels[y][x] = 1 + age
    return pixels


def chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, body):
    return chunk(b"LIST", kind + body)


def bitmap_info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def movie():
    image_size = SIZE * SIZE
    avih = struct.pack("<IIIIIIIIII4I", MICROSECONDS_PER_FRAME, image_size * 1000000 // MICROSECONDS_PER_FRAME,
                       0, 0x10, FRAMES, 0, 1, image_size, SIZE, SIZE, 0, 0, 0, 0)
    # 100 / 9 frames per second is one frame every 90 ms.
    strh = struct.pack("<4s4sIHHIIIIIIiI4h", b"vids", b"DIB ", 0, 0, 0, 0, 9, 100, 0, FRAMES, image_size,
                       -1, 0, 0, 0, SIZE, SIZE)
    strf = bitmap_info_header(SIZE, SIZE, 8, image_size, 256)
    strf += b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette())
    hdrl = riff_list(b"hdrl", chunk(b"avih", avih) + riff_list(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    frames, index, offset = b"", b"", 4
    for f in range(FRAMES):
        rows = frame(f)
        data = b"".join(bytes(rows[y]) for y in range(SIZE - 1, -1, -1))  # bottom-up
        frames += chunk(b"00db", data)
        index += struct.pack("<4sIII", b"00db", 0x10, offset, len(data))
        offset += 8 + len(data)
    body = b"AVI " + hdrl + riff_list(b"movi", frames) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    with open(os.path.join(HERE, "movie.avi"), "wb") as f:
        f.write(movie())


if __name__ == "__main__":
    main()
