#!/usr/bin/env python3
"""Draws the application icon: a blue rounded tile with a white "T" and two sound arcs.

Writes a Windows .ico with 16, 32 and 48 pixel images (32-bit BGRA with AND mask)."""
import math
import struct
import sys

TILE_TOP = (0x3A, 0x8D, 0xF0)
TILE_BOTTOM = (0x1F, 0x5F, 0xC8)
WHITE = (0xFF, 0xFF, 0xFF)


def inside_rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def in_letter_t(x, y):
    bar = 0.18 <= x <= 0.62 and 0.22 <= y <= 0.34
    stem = 0.34 <= x <= 0.46 and 0.22 <= y <= 0.80
    return bar or stem


def in_sound_arc(x, y):
    dx, dy = x - 0.50, y - 0.52
    d = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(dy, dx))
    if not -40 <= angle <= 40:
        return False
    return 0.20 <= d <= 0.26 or 0.31 <= d <= 0.37


def pixel(size, px, py, samples=4):
    tile = ink = 0
    for sy in range(samples):
        for sx in range(samples):
            x = (px + (sx + 0.5) / samples) / size
            y = (py + (sy + 0.5) / samples) / size
            if inside_rounded_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.2):
                tile += 1
                if in_letter_t(x, y) or in_sound_arc(x, y):
                    ink += 1
    n = samples * samples
    if tile == 0:
        return (0, 0, 0, 0)
    t = py / max(size - 1, 1)
    base = [round(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM)]
    k = ink / tile
    rgb = [round(c * (1 - k) + w * k) for c, w in zip(base, WHITE)]
    return (rgb[0], rgb[1], rgb[2], round(255 * tile / n))


def image(size):
    rows = []
    for py in reversed(range(size)):  # bottom-up DIB
        row = b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in (pixel(size, px, py) for px in range(size)))
        rows.append(row)
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"\0" * (mask_stride * size)


def main(path):
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
