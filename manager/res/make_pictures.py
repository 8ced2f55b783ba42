#!/usr/bin/env python3
"""Draws the Server Manager's own pictures and writes them next to itself:

- tray icons, 16 x 16, by state (stopped, checking stopped, running, checking running): tray_*.ico in
  32-bit colour with alpha, and tray16_*.ico in 16 colours for the systems that get the second set;
- the service list's balls na_ball.bmp, stop_ball.bmp, run_ball.bmp (16 x 16, 24-bit);
- the button picture strips start.bmp, stop.bmp, restart.bmp (two 24 x 24 glyphs side by side, the
  second one for the disabled button, 24-bit);
- shield.ico, the Admin Mode picture for systems that have no stock shield icon;
- TFManager.ico, the program icon (16, 32 and 48 pixels);
- logo.bmp, the About box's logo (290 x 76, 24-bit).

Every 24-bit picture uses magenta as its transparent colour, stored in its bottom-left pixel; no drawn
pixel is ever magenta. Shapes are signed distance functions in a 16-unit (icons) or pixel (logo) space,
so one drawing serves every size. Deterministic, standard library only.

python3 make_pictures.py [--preview DIR] also writes 8x enlargements of the icons on a light and a dark
taskbar colour as PNG files into DIR, for looking at them."""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
KEY = (255, 0, 255)

OUTLINE = (22, 32, 46)
HALO = (255, 255, 255)
BODY_TOP, BODY_BOTTOM, BODY_FLAT = (226, 233, 242), (160, 176, 198), (192, 204, 220)
SLOT = (84, 100, 122)
LED_OFF, LED_RUN, LED_BUSY = (62, 76, 94), (70, 215, 90), (255, 196, 0)
RED_TOP, RED_BOTTOM, RED_FLAT = (246, 92, 80), (176, 22, 22), (210, 36, 30)
GREEN_TOP, GREEN_BOTTOM, GREEN_FLAT = (110, 214, 96), (22, 132, 40), (40, 168, 56)
BRAND, BRAND_DARK = (31, 83, 146), (16, 48, 92)
WHITE = (255, 255, 255)


# Shapes: sd(x, y) is the signed distance in shape units (negative inside); box bounds the inside.


class Shape:
    def __init__(self, sd, box):
        self.sd, self.box = sd, box


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def rect(x0, y0, x1, y1, radius=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def sd(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - radius

    return Shape(sd, (x0, y0, x1, y1))


def polygon(points):
    def sd(x, y):
        d = min((x - px) ** 2 + (y - py) ** 2 for px, py in points)
        inside = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            d = min(d, (wx - ex * t) ** 2 + (wy - ey * t) ** 2)
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -math.sqrt(d) if inside else math.sqrt(d)

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(sd, (min(xs), min(ys), max(xs), max(ys)))


def segment_distance(x, y, ax, ay, bx, by):
    ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
    length = ex * ex + ey * ey
    t = 0.0 if length == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / length))
    return math.hypot(wx - ex * t, wy - ey * t)


def strokes(polylines, width):
    """Round-capped strokes along polylines."""
    segments = [(a[0], a[1], b[0], b[1]) for line in polylines for a, b in zip(line, line[1:] or line)]
    xs = [p[0] for line in polylines for p in line]
    ys = [p[1] for line in polylines for p in line]
    half = width / 2
    return Shape(lambda x, y: min(segment_distance(x, y, *s) for s in segments) - half,
                 (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half))


def bow(cx, cy, rx, ry, start, end, steps=24):
    """Points along an ellipse from angle start to end (degrees); counter-clockwise when y points up."""
    return [(cx + rx * math.cos(math.radians(a)), cy + ry * math.sin(math.radians(a)))
            for a in (start + (end - start) * i / steps for i in range(steps + 1))]


def grow(shape, amount):
    x0, y0, x1, y1 = shape.box
    return Shape(lambda x, y: shape.sd(x, y) - amount, (x0 - amount, y0 - amount, x1 + amount, y1 + amount))


def union(*shapes):
    boxes = [s.box for s in shapes]
    return Shape(lambda x, y: min(s.sd(x, y) for s in shapes),
                 (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
                  max(b[3] for b in boxes)))


def cut(shape, away):
    return Shape(lambda x, y: max(shape.sd(x, y), -away.sd(x, y)), shape.box)


def vertical(top, bottom, y0, y1):
    """A colour that runs from top at y0 to bottom at y1."""
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    return colour


# Canvas: straight (not premultiplied) RGBA in 0..255 floats.


class Canvas:
    def __init__(self, width, height, scale=1.0, hard=False, background=None):
        self.width, self.height, self.scale, self.hard = width, height, scale, hard
        fill = (*background, 255.0) if background else (0.0, 0.0, 0.0, 0.0)
        self.pixels = [[fill] * width for _ in range(height)]

    def paint(self, shape, colour, opacity=1.0):
        s = self.scale
        x0, y0, x1, y1 = shape.box
        for py in range(max(0, int(y0 * s) - 1), min(self.height, int(y1 * s) + 2)):
            for px in range(max(0, int(x0 * s) - 1), min(self.width, int(x1 * s) + 2)):
                ux, uy = (px + 0.5) / s, (py + 0.5) / s
                d = shape.sd(ux, uy) * s
                cover = (1.0 if d <= 0 else 0.0) if self.hard else max(0.0, min(1.0, 0.5 - d))
                if cover > 0:
                    rgb = colour(ux, uy) if callable(colour) else colour
                    self.blend(px, py, rgb, cover * opacity)

    def blend(self, x, y, rgb, alpha):
        r, g, b, a = self.pixels[y][x]
        a /= 255
        out = alpha + a * (1 - alpha)
        mix = [(c * alpha + d * a * (1 - alpha)) / out for c, d in zip(rgb, (r, g, b))]
        self.pixels[y][x] = (*mix, out * 255)

    def place(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                *rgb, a = other.pixels[y][x]
                if a > 0:
                    self.blend(left + x, top + y, rgb, a / 255)

    def rgba(self, x, y):
        return tuple(int(round(min(255.0, max(0.0, c)))) for c in self.pixels[y][x])


def draw(width, height, scale, layers, hard=False, background=None):
    canvas = Canvas(width, height, scale, hard, background)
    for shape, colour, *opacity in layers:
        canvas.paint(shape, colour, *opacity)
    return canvas


# The server drawing that the tray icons and the program icon share, in 16 units.


def server(leds, busy=False, flat=False, line=1.0):
    """A two-unit server case; its lights show the state, amber while a poll is under way. line is the
    outline's width in units: one pixel at 16 px, thinner units at larger sizes."""
    body = rect(1, 1, 12, 15, 1.5)
    middle = 8.5
    face = BODY_FLAT if flat else vertical(BODY_TOP, BODY_BOTTOM, 2, 14)
    layers = [(body, OUTLINE), (grow(body, -line), face),
              (rect(1.5, middle - line / 2, 11.5, middle + line / 2), OUTLINE), (rect(6, 3.5, 10, 4.5), SLOT)]
    for top in (4, 11):
        layers.append((rect(3, top - 1, 5, top + 1), LED_BUSY if busy else leds))
    return layers


def badge(fill, mark, cx=11.5, cy=11.5, r=4.5, line=1.0):
    disc = circle(cx, cy, r)
    return [(grow(disc, line), HALO), (disc, OUTLINE), (grow(disc, -line), fill), (mark, WHITE)]


def tray(running, checking, flat):
    if running:
        fill = GREEN_FLAT if flat else vertical(GREEN_TOP, GREEN_BOTTOM, 8, 15)
        mark = polygon([(9.8, 8.6), (14.2, 11.5), (9.8, 14.4)])
    else:
        fill = RED_FLAT if flat else vertical(RED_TOP, RED_BOTTOM, 8, 15)
        mark = rect(10, 10, 13, 13)
    layers = server(LED_RUN if running else LED_OFF, checking, flat) + badge(fill, mark)
    if checking:
        # A spark in the free corner blinks with every poll, so the checking picture differs from the
        # steady one in outline as well as in the lights.
        spark = circle(13, 3, 1.9 if flat else 2.1)
        layers += [(grow(spark, 1), OUTLINE), (spark, LED_BUSY)]
    return layers


def program_icon(size):
    """The server with a gear badge; the outlines stay about one to two pixels wide at every size."""
    line = {16: 1.0, 32: 0.75}.get(size, 0.66)
    cx = cy = 11.5
    if size == 16:
        # Six teeth blur into a disc at this size: four square ones on the pixel grid read as a gear.
        teeth = [rect(cx - 0.5, cy - 3.5, cx + 0.5, cy + 3.5), rect(cx - 3.5, cy - 0.5, cx + 3.5, cy + 0.5)]
        gear = cut(union(circle(cx, cy, 2.1), *teeth), rect(cx - 0.5, cy - 0.5, cx + 0.5, cy + 0.5))
    else:
        teeth = [polygon([(cx + r * math.cos(a + d), cy + r * math.sin(a + d)) for r, d in
                          ((2.0, -0.42), (3.4, -0.24), (3.4, 0.24), (2.0, 0.42))])
                 for a in (k * math.pi / 3 + math.pi / 6 for k in range(6))]
        gear = cut(union(circle(cx, cy, 2.3), *teeth), circle(cx, cy, 0.9))
    return (server(LED_RUN, line=line)
            + badge(vertical((70, 132, 206), BRAND, 8, 15), gear, cx, cy, 4.5, line))


def shield():
    """A quartered shield: straight sides that curve into a point at the bottom."""
    right = bow(8, 7.2, 6.2, 8.2, 0, 90, 9)
    left = [(16 - x, y) for x, y in reversed(right)]
    body = polygon([(8, 0.6), (14.2, 2.6)] + right + left[1:] + [(1.8, 2.6)])
    inner = grow(body, -1)
    blue, gold = vertical((88, 150, 236), (20, 70, 170), 1, 15), vertical((255, 224, 110), (222, 156, 10), 1, 15)
    quarter = lambda x0, y0, x1, y1: Shape(lambda x, y: max(inner.sd(x, y), rect(x0, y0, x1, y1).sd(x, y)),
                                           (x0, y0, x1, y1))
    return [(body, OUTLINE), (quarter(0, 0, 8, 7.5), blue), (quarter(8, 0, 16, 7.5), gold),
            (quarter(0, 7.5, 8, 16), gold), (quarter(8, 7.5, 16, 16), blue)]


# Balls and button glyphs: opaque pictures on the key colour.


def ball(top, bottom):
    disc = circle(8, 8, 7)
    return [(disc, vertical(tuple(c * 0.55 for c in bottom), tuple(c * 0.4 for c in bottom), 1, 15)),
            (grow(disc, -1), vertical(top, bottom, 2, 15)),
            (circle(6.3, 5.6, 2.6), WHITE, 0.55), (circle(5.8, 5.0, 1.2), WHITE, 0.8)]


def glyph_start():
    triangle = polygon([(7, 3.5), (20.5, 12), (7, 20.5)])
    face = vertical((120, 222, 104), (30, 150, 46), 4, 20)
    return [(grow(triangle, 0.5), (18, 92, 30)), (grow(triangle, -0.7), face)]


def glyph_stop():
    square = rect(5, 5, 19, 19, 2)
    return [(square, (120, 16, 16)), (grow(square, -1.2), vertical((246, 96, 84), (184, 28, 24), 6, 18))]


def glyph_restart():
    """A clockwise circular arrow whose head, at the top, points into the open quarter."""
    cx, cy, r = 12, 13, 6.5
    ring = bow(cx, cy, r, r, 0, 270, 36)
    ex, ey = ring[-1]
    head = polygon([(ex + 4.6, ey), (ex - 0.6, ey - 4.2), (ex - 0.6, ey + 4.2)])
    loop = union(strokes([ring[:-1]], 2.8), head)
    return [(grow(loop, 0.9), (16, 52, 112)), (loop, vertical((100, 164, 240), (26, 88, 190), 3, 21))]


def greyed(rgb):
    """The disabled look: a light, flat grey that keeps the shape legible on a button face."""
    lum = 0.3 * rgb[0] + 0.59 * rgb[1] + 0.11 * rgb[2]
    return (round(120 + lum * 0.42),) * 3


def keyed(canvas, colour=lambda rgb: rgb):
    """Rows of RGB, with the key colour where the picture is less than half covered."""
    rows = []
    for y in range(canvas.height):
        row = []
        for x in range(canvas.width):
            r, g, b, a = canvas.rgba(x, y)
            row.append(colour((r, g, b)) if a >= 128 else KEY)
            assert a < 128 or row[-1] != KEY
        rows.append(row)
    assert rows[-1][0] == KEY
    return rows


# The logo: a band in the main window's colour, the program icon and the product name in a stroke font.
# Glyphs in font units: baseline 0, x-height 7, cap height 10; (polylines, advance width).
FONT = {
    "T": ([[(0, 10), (8, 10)], [(4, 10), (4, 0)]], 8),
    "S": ([bow(3.5, 7.5, 3.5, 2.5, 25, 270) + bow(3.5, 2.5, 3.5, 2.5, 90, -155)], 7),
    "M": ([[(0, 0), (0, 10), (4.5, 2.5), (9, 10), (9, 0)]], 9),
    "a": ([bow(3, 3.5, 3, 3.5, 0, 360, 36), [(6, 7), (6, 0)]], 6),
    "l": ([[(0, 10.5), (0, 0)]], 0),
    "y": ([[(0, 7), (3.1, 0.4)], [(6, 7), (2.4, -2.4), (1.6, -3.2)]], 6),
    "f": ([[(1.5, 0), (1.5, 8.2)] + bow(3.7, 8.2, 2.2, 2.3, 180, 40, 12), [(0, 7), (4, 7)]], 4.2),
    "i": ([[(0, 0), (0, 7)], [(0, 9.6)]], 0),
    "x": ([[(0, 0), (6, 7)], [(0, 7), (6, 0)]], 6),
    "e": ([[(0.1, 3.6), (6, 3.6)] + bow(3, 3.5, 3, 3.5, 0, 320, 32)], 6),
    "r": ([[(0, 0), (0, 7)], [(0, 4)] + bow(3.4, 4, 3.4, 3, 180, 70, 10)], 4.6),
    "v": ([[(0, 7), (3, 0), (6, 7)]], 6),
    "n": ([[(0, 0), (0, 7)], [(0, 4)] + bow(3, 4, 3, 3, 180, 0, 16) + [(6, 0)]], 6),
    "g": ([bow(3, 3.5, 3, 3.5, 0, 360, 36), [(6, 7), (6, -0.5)] + bow(3, -0.5, 3, 2.5, 0, -150, 12)], 6),
}


KERNING = {"Ta": -1.6}


def text(string, left, baseline, unit, weight, spacing=2.0):
    """The text as one stroked shape, unit pixels per font unit, glyphs standing on baseline."""
    lines, x = [], 0.0
    for ch, following in zip(string, string[1:] + " "):
        if ch == " ":
            x += 4.0
            continue
        glyph, width = FONT[ch]
        lines += [[(left + (x + gx) * unit, baseline - gy * unit) for gx, gy in line] for line in glyph]
        x += width + spacing + weight + KERNING.get(ch + following, 0.0)
    return strokes(lines, weight * unit)


def logo():
    width, height = 290, 76
    canvas = Canvas(width, height, background=BRAND)
    canvas.paint(rect(0, 0, width, height), vertical((44, 104, 176), BRAND_DARK, 0, height))
    canvas.paint(rect(0, 0, width, 1), (120, 170, 225))
    canvas.paint(rect(0, height - 3, width, height), (10, 34, 68))
    canvas.place(draw(56, 56, 56 / 16, program_icon(48)), 10, 9)
    title = text("Tallyfix", 84, 40, 2.9, 1.5)
    canvas.paint(grow(title, 1.2), (8, 30, 62), 0.5)
    canvas.paint(title, WHITE)
    subtitle = text("Server Manager", 85, 63, 1.55, 1.2)
    canvas.paint(subtitle, (196, 216, 240))
    return canvas


# File formats.


def bmp(rows):
    """A 24-bit bottom-up Windows bitmap."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = b"".join(b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row).ljust(stride, b"\0")
                      for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + pixels


def and_mask(size, transparent):
    stride = ((size + 31) // 32) * 4
    mask = b""
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if transparent(x, y) else 0)
        mask += bits.to_bytes(size // 8, "big").ljust(stride, b"\0")
    return mask


def icon_image_32(canvas):
    size = canvas.width
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b""
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = canvas.rgba(x, y)
            pixels += struct.pack("<BBBB", *((b, g, r) if a else (0, 0, 0)), a)
    return header + pixels + and_mask(size, lambda x, y: canvas.rgba(x, y)[3] == 0)


def icon_image_16_colours(canvas):
    """A 4-bit image: colour 0 (black) under the transparent pixels, the drawing's own colours after it."""
    size = canvas.width
    opaque = lambda x, y: canvas.rgba(x, y)[3] >= 128
    palette = [(0, 0, 0)]
    for y in range(size):
        for x in range(size):
            rgb = canvas.rgba(x, y)[:3]
            if opaque(x, y) and rgb not in palette:
                palette.append(rgb)
    assert len(palette) <= 16, f"{len(palette)} colours"
    palette += [(0, 0, 0)] * (16 - len(palette))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b""
    for y in range(size - 1, -1, -1):
        indices = [palette.index(canvas.rgba(x, y)[:3]) if opaque(x, y) else 0 for x in range(size)]
        pixels += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)).ljust(
            ((size * 4 + 31) // 32) * 4, b"\0")
    return header + colours + pixels + and_mask(size, lambda x, y: not opaque(x, y))


def icon_file(images):
    """images: (size, colour count byte, bits per pixel, image bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    return directory + b"".join(image[3] for image in images)


# Preview: PNG enlargements for a person to judge.


def png(rows):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    body = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    chunk = lambda tag, data: struct.pack(">I", len(data)) + tag + data + struct.pack(
        ">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", body) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def preview(path, pictures, backgrounds, zoom=8):
    """pictures: RGBA rows, shown side by side on each background in turn, enlarged zoom times."""
    gap = 4 * zoom
    width = gap + sum(len(p[0]) * zoom + gap for p in pictures)
    height = max(len(p) for p in pictures) * zoom
    rows = []
    for background in backgrounds:
        rows += [[background] * width for _ in range(gap)]
        for line in range(height):
            row, x = [background] * width, gap
            for picture in pictures:
                if line // zoom < len(picture):
                    for px in range(len(picture[0]) * zoom):
                        *rgb, a = picture[line // zoom][px // zoom]
                        row[x + px] = tuple(round(v * a / 255 + w * (1 - a / 255)) for v, w in zip(rgb, background))
                x += len(picture[0]) * zoom + gap
            rows.append(row)
    rows += [[backgrounds[-1]] * width for _ in range(gap)]
    with open(path, "wb") as f:
        f.write(png(rows))


def rgba_rows(canvas):
    return [[canvas.rgba(x, y) for x in range(canvas.width)] for y in range(canvas.height)]


def key_rows(rows):
    return [[(*rgb, 0 if rgb == KEY else 255) for rgb in row] for row in rows]


STATES = (("stopped", False, False), ("check_stopped", False, True), ("running", True, False),
          ("check_running", True, True))
TASKBARS = ((238, 240, 244), (32, 32, 36))
LIST_AND_BUTTON = ((255, 255, 255), (0, 120, 215), (240, 240, 240))


def main():
    def write(name, data):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)

    trays, trays16 = [], []
    for name, running, checking in STATES:
        trays.append(draw(16, 16, 1, tray(running, checking, flat=False)))
        trays16.append(draw(16, 16, 1, tray(running, checking, flat=True), hard=True))
        write(f"tray_{name}.ico", icon_file([(16, 0, 32, icon_image_32(trays[-1]))]))
        write(f"tray16_{name}.ico", icon_file([(16, 16, 4, icon_image_16_colours(trays16[-1]))]))
    balls = []
    for name, top, bottom in (("na", (214, 218, 224), (120, 126, 136)), ("stop", RED_TOP, RED_BOTTOM),
                              ("run", GREEN_TOP, GREEN_BOTTOM)):
        balls.append(keyed(draw(16, 16, 1, ball(top, bottom))))
        write(f"{name}_ball.bmp", bmp(balls[-1]))
    strips = []
    for name, layers in (("start", glyph_start()), ("stop", glyph_stop()), ("restart", glyph_restart())):
        canvas = draw(24, 24, 1, layers)
        strips.append([a + b for a, b in zip(keyed(canvas), keyed(canvas, greyed))])
        write(f"{name}.bmp", bmp(strips[-1]))
    shield_icon = draw(16, 16, 1, shield())
    write("shield.ico", icon_file([(16, 0, 32, icon_image_32(shield_icon))]))
    programs = [draw(s, s, s / 16, program_icon(s)) for s in (16, 32, 48)]
    write("TFManager.ico", icon_file([(c.width, 0, 32, icon_image_32(c)) for c in programs]))
    picture = logo()
    write("logo.bmp", bmp([[rgba[:3] for rgba in row] for row in rgba_rows(picture)]))

    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        folder = sys.argv[2]
        os.makedirs(folder, exist_ok=True)
        preview(os.path.join(folder, "tray.png"), [rgba_rows(c) for c in trays + trays16], TASKBARS)
        preview(os.path.join(folder, "icons.png"), [rgba_rows(c) for c in programs + [shield_icon]], TASKBARS)
        preview(os.path.join(folder, "pictures.png"), [key_rows(r) for r in balls + strips], LIST_AND_BUTTON)
        preview(os.path.join(folder, "logo.png"), [rgba_rows(picture)], TASKBARS[:1], 3)


if __name__ == "__main__":
    main()
