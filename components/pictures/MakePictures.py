#!/usr/bin/env python3
"""Draws the program's pictures and icon: bitmaps 110 (240x270), 112 (240x270) and 113 (176x180)
as 8-bit bottom-up BMP files with 256-colour tables, and the 16x16 + 32x32 icon 99.

Standard library only and fully deterministic, so every build writes the same bytes.
Usage: MakePictures.py <output folder>
"""

import math
import os
import struct
import sys

SUPERSAMPLE = 3


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return (lerp(c1[0], c2[0], t), lerp(c1[1], c2[1], t), lerp(c1[2], c2[2], t))


def over(dst, src, alpha):
    return mix(dst, src, alpha)


# --- shapes -----------------------------------------------------------------------------------

class Shield:
    """A heater shield centred at cx, top edge at top, given half-width and height (pixels)."""

    def __init__(self, cx, top, half_width, height):
        self.cx, self.top, self.hw, self.h = cx, top, half_width, height

    def inside(self, x, y, inset=0.0):
        hw = self.hw - inset
        h = self.h - inset * 2.2
        top = self.top + inset
        if hw <= 0 or h <= 0:
            return False
        u = (x - self.cx) / hw
        v = (y - top) / h
        if v < 0.07 * u * u or v > 1.0:
            return False
        if v <= 0.42:
            width = 1.0
        else:
            width = 1.0 - ((v - 0.42) / 0.58) ** 1.7
        return abs(u) <= width

    def uv(self, x, y):
        return (x - self.cx) / self.hw, (y - self.top) / self.h


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    qx, qy = ax + t * dx, ay + t * dy
    return math.hypot(px - qx, py - qy)


class Check:
    """A tick: two strokes meeting at the bottom."""

    def __init__(self, points, thickness):
        self.points, self.thickness = points, thickness

    def distance(self, x, y):
        (ax, ay), (bx, by), (cx, cy) = self.points
        return min(segment_distance(x, y, ax, ay, bx, by), segment_distance(x, y, bx, by, cx, cy))

    def inside(self, x, y, offset=(0.0, 0.0)):
        return self.distance(x - offset[0], y - offset[1]) <= self.thickness / 2


def coverage(test, x, y):
    """Fraction of the pixel (x, y) for which test(sx, sy) holds, by supersampling."""
    hits = 0
    n = SUPERSAMPLE
    for j in range(n):
        for i in range(n):
            if test(x + (i + 0.5) / n, y + (j + 0.5) / n):
                hits += 1
    return hits / (n * n)


# --- scenes -----------------------------------------------------------------------------------

NAVY = (9, 33, 78)
SKY = (34, 108, 184)
GLOW = (110, 180, 240)
RIM_TOP = (240, 245, 252)
RIM_BOTTOM = (160, 178, 204)
BODY_LIGHT = (52, 132, 222)
BODY_DARK = (16, 62, 142)
GREEN_LIGHT = (150, 240, 120)
GREEN_DARK = (24, 150, 64)


def shield_pixel(color, x, y, shield, check):
    """Draws shield, rim, gloss and tick over color at pixel (x, y)."""
    px, py = x + 0.5, y + 0.5
    # Soft drop shadow below and right of the shield.
    shadow = coverage(lambda sx, sy: shield.inside(sx - 3, sy - 4), x, y)
    if shadow:
        color = over(color, (0, 10, 30), 0.35 * shadow)
    outer = coverage(shield.inside, x, y)
    if not outer:
        return color
    u, v = shield.uv(px, py)
    rim = mix(RIM_TOP, RIM_BOTTOM, v + 0.25 * u)
    color = over(color, rim, outer)
    rim_width = max(2.0, shield.hw * 0.075)
    inner = coverage(lambda sx, sy: shield.inside(sx, sy, rim_width), x, y)
    if inner:
        body = mix(BODY_LIGHT, BODY_DARK, 0.55 * v + 0.45 * (u + 1) / 2)
        # A gloss over the upper left, fading downwards.
        if u < 0.05:
            body = over(body, (255, 255, 255), 0.22 * max(0.0, 1.0 - v * 1.6))
        color = over(color, body, inner)
    if check:
        shade = coverage(lambda sx, sy: check.inside(sx, sy, (1.5, 2.0)), x, y)
        if shade:
            color = over(color, (5, 30, 70), 0.45 * shade)
        tick = coverage(check.inside, x, y)
        if tick:
            green = mix(GREEN_LIGHT, GREEN_DARK, v * 1.3)
            color = over(color, green, tick)
    return color


def hero_scene(width, height, shield, check, rings):
    """Deep blue backdrop with a glow, scan rings and the shield."""
    cx, cy = shield.cx, shield.top + shield.h * 0.45
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            color = mix(NAVY, SKY, y / (height - 1))
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            glow = max(0.0, 1.0 - d / (shield.hw * 2.6))
            color = over(color, GLOW, 0.55 * glow * glow)
            for radius in rings:
                band = abs(d - radius)
                if band < 1.2:
                    color = over(color, (200, 230, 255), 0.22 * (1.2 - band) / 1.2)
            # Faint diagonal sheen across the backdrop.
            sheen = math.sin((x - y * 0.6) / width * math.pi * 1.5)
            color = over(color, (255, 255, 255), 0.035 * max(0.0, sheen))
            row.append(shield_pixel(color, x, y, shield, check))
        pixels.append(row)
    return pixels


def page_scene(width, height):
    """A light backdrop for the pages: text is drawn straight over it, so it stays pale."""
    shield = Shield(width * 0.78, height * 0.56, width * 0.2, height * 0.4)
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            t = y / (height - 1)
            color = mix((250, 252, 255), (228, 237, 249), t)
            mark = coverage(shield.inside, x, y)
            if mark:
                u, v = shield.uv(x + 0.5, y + 0.5)
                tint = mix((214, 228, 246), (200, 218, 240), v)
                color = over(color, tint, 0.7 * mark)
                inner = coverage(lambda sx, sy: shield.inside(sx, sy, 3.0), x, y)
                color = over(color, (232, 240, 250), 0.6 * inner)
            row.append(color)
        pixels.append(row)
    return pixels


def tick_for(shield):
    cx, top, hw, h = shield.cx, shield.top, shield.hw, shield.h
    points = ((cx - hw * 0.45, top + h * 0.45), (cx - hw * 0.1, top + h * 0.68), (cx + hw * 0.5, top + h * 0.22))
    return Check(points, hw * 0.22)


def main_picture():
    shield = Shield(120, 46, 70, 176)
    return hero_scene(240, 270, shield, tick_for(shield), (96, 118, 140))


def welcome_picture():
    shield = Shield(88, 26, 54, 134)
    return hero_scene(176, 180, shield, tick_for(shield), (72, 88))


def icon_picture(size):
    """RGBA pixels of the icon: the shield alone on a transparent ground."""
    margin = size / 16
    shield = Shield(size / 2, margin, size / 2 - margin * 1.2, size - margin * 2)
    check = tick_for(shield)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            alpha = coverage(shield.inside, x, y)
            color = shield_pixel((0, 0, 0), x, y, Shield(shield.cx, shield.top, shield.hw, shield.h), check)
            if alpha > 0:
                color = tuple(c / alpha if alpha < 1 else c for c in color)
            row.append((color, alpha))
        pixels.append(row)
    return pixels


# --- colour reduction -------------------------------------------------------------------------

def clamp8(value):
    return max(0, min(255, int(round(value))))


def median_cut(colors, count):
    """colors: list of (r, g, b) with repeats; returns up to count representative colours."""
    boxes = [colors]
    while len(boxes) < count:
        boxes.sort(key=lambda box: -box_range(box)[0] * len(box))
        box = boxes.pop(0)
        spread, channel = box_range(box)
        if spread == 0 or len(box) < 2:
            boxes.append(box)
            break
        box.sort(key=lambda c: c[channel])
        middle = len(box) // 2
        boxes.extend((box[:middle], box[middle:]))
    palette = []
    for box in boxes:
        n = len(box)
        palette.append(tuple(clamp8(sum(c[i] for c in box) / n) for i in range(3)))
    palette.sort()
    return palette


def box_range(box):
    best = (0, 0)
    for channel in range(3):
        values = [c[channel] for c in box]
        spread = max(values) - min(values)
        if spread > best[0]:
            best = (spread, channel)
    return best


class Nearest:
    def __init__(self, palette):
        self.palette = palette
        self.cache = {}

    def index(self, r, g, b):
        key = (r >> 2, g >> 2, b >> 2)
        found = self.cache.get(key)
        if found is None:
            found = min(range(len(self.palette)), key=lambda i: (self.palette[i][0] - r) ** 2 * 3 +
                        (self.palette[i][1] - g) ** 2 * 4 + (self.palette[i][2] - b) ** 2 * 2)
            self.cache[key] = found
        return found


def quantize(pixels, reserved=()):
    """Returns (palette of 256, index rows) with Floyd-Steinberg error diffusion."""
    height, width = len(pixels), len(pixels[0])
    samples = [tuple(clamp8(c) for c in pixels[y][x]) for y in range(height) for x in range(width)]
    palette = list(reserved) + median_cut(samples, 256 - len(reserved))
    palette += [(0, 0, 0)] * (256 - len(palette))
    nearest = Nearest(palette)
    work = [[list(p) for p in row] for row in pixels]
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r, g, b = (clamp8(c) for c in work[y][x])
            i = nearest.index(r, g, b)
            row.append(i)
            error = (r - palette[i][0], g - palette[i][1], b - palette[i][2])
            for dx, dy, weight in ((1, 0, 7), (-1, 1, 3), (0, 1, 5), (1, 1, 1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < width and ny < height:
                    target = work[ny][nx]
                    for k in range(3):
                        target[k] += error[k] * weight / 16
        rows.append(row)
    return palette, rows


# --- file formats -----------------------------------------------------------------------------

def info_header(width, height, image_size, colors):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, image_size, 2835, 2835, colors, 0)


def color_table(palette):
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)


def pixel_rows(rows, width):
    stride = (width + 3) & ~3
    data = bytearray()
    for row in reversed(rows):   # bottom-up
        data += bytes(row) + bytes(stride - width)
    return bytes(data)


def write_bmp(path, pixels):
    palette, rows = quantize(pixels)
    width, height = len(rows[0]), len(rows)
    data = pixel_rows(rows, width)
    header = info_header(width, height, len(data), 256) + color_table(palette)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(data), 0, 0, 14 + len(header))
    with open(path, 'wb') as out:
        out.write(file_header + header + data)


def icon_image(size):
    rgba = icon_picture(size)
    # Index 0 stays black for the transparent pixels the mask cuts out.
    colors = [[c if a >= 0.5 else (0, 0, 0) for c, a in row] for row in rgba]
    palette, rows = quantize(colors, reserved=[(0, 0, 0)])
    for y in range(size):
        for x in range(size):
            if rgba[y][x][1] < 0.5:
                rows[y][x] = 0
    xor = pixel_rows(rows, size)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        line = bytearray(mask_stride)
        for x in range(size):
            if rgba[y][x][1] < 0.5:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = info_header(size, size * 2, len(xor) + len(mask), 256) + color_table(palette)
    return header + xor + bytes(mask)


def write_ico(path, sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as out:
        out.write(directory + entries + b''.join(images))


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: MakePictures.py <output folder>\n')
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, 'Main110.bmp'), main_picture())
    write_bmp(os.path.join(folder, 'Page112.bmp'), page_scene(240, 270))
    write_bmp(os.path.join(folder, 'Welcome113.bmp'), welcome_picture())
    write_ico(os.path.join(folder, 'App99.ico'), (16, 32))
    return 0


if __name__ == '__main__':
    sys.exit(main())
