#!/usr/bin/env python3
"""Draws the launcher's icon, a yellow sparkle on a blue tile, into funkelis_tools.ico.

The .ico is committed; run this again only to change the drawing. One 32 x 32 image with a
256-colour palette (BMP inside the .ico, AND mask for transparency), which is what the window
asks for at both of its icon sizes.
"""
import math
import struct
import sys
from pathlib import Path

SIZE = 32
SAMPLES = 4  # per axis, for smooth edges
LEVELS = 80  # palette steps per colour ramp

TILE = (24, 58, 120)
STAR = (255, 214, 40)
GLINT = (255, 255, 255)


def inside_tile(x, y):
    """Rounded square filling the image with a 1-pixel border."""
    lo, hi, radius = 1.0, SIZE - 1.0, 6.0
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def inside_sparkle(x, y, cx, cy, reach, waist):
    """A four-pointed star: |dx|^p + |dy|^p <= reach^p with p < 1 gives the concave sides."""
    dx, dy = abs(x - cx) / reach, abs(y - cy) / reach
    p = waist
    return dx**p + dy**p <= 1.0


def coverage(test, px, py):
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            if test(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def build_palette():
    """Index 0 is the (masked) transparent colour; then tile->star and tile->glint ramps."""
    palette = [(0, 0, 0)]
    palette += [mix(TILE, STAR, i / (LEVELS - 1)) for i in range(LEVELS)]
    palette += [mix(TILE, GLINT, i / (LEVELS - 1)) for i in range(LEVELS)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette


def draw():
    """Returns rows top to bottom of (palette index, transparent) pairs."""
    big = lambda x, y: inside_sparkle(x, y, 15.0, 16.5, 12.5, 0.55)
    small = lambda x, y: inside_sparkle(x, y, 24.5, 7.5, 4.5, 0.6) or inside_sparkle(x, y, 7.0, 25.5, 3.5, 0.6)
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            tile = coverage(inside_tile, px, py)
            if tile < 0.5:
                row.append((0, True))
                continue
            star = coverage(big, px, py)
            glint = coverage(small, px, py)
            if star >= glint:
                index = 1 + round(star * (LEVELS - 1))
            else:
                index = 1 + LEVELS + round(glint * (LEVELS - 1))
            row.append((index, False))
        rows.append(row)
    return rows


def encode_ico(rows, palette):
    pixels = b"".join(bytes(index for index, _ in row) for row in reversed(rows))
    mask = b""
    for row in reversed(rows):
        bits = 0
        for transparent in (t for _, t in row):
            bits = (bits << 1) | int(transparent)
        mask += bits.to_bytes(SIZE // 8, "big")
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 8, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + colours + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    # Width, height, colour count (0 means 256), reserved, planes, bits per pixel, size, offset.
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("funkelis_tools.ico")
    out.write_bytes(encode_ico(draw(), build_palette()))
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
