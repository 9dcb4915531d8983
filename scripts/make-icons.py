#!/usr/bin/env python3
"""Draws the Windows program's icon and its link cursor.

Writes shell/win32/res/Tunewarden.ico (16x16 and 32x32, 32-bit with alpha:
a waveform on a blue tile with a green check mark) and shell/win32/res/Link.cur
(32x32 monochrome pointing hand, hotspot at the fingertip). Standard library
only; run from anywhere:  python3 scripts/make-icons.py
"""

import math
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "shell", "win32", "res")

# ---------------------------------------------------------------- the icon

TILE = (0x1F, 0x4E, 0x8C)     # blue tile
TILE_EDGE = (0x12, 0x30, 0x5A)
WAVE = (0xE8, 0xF0, 0xFA)     # pale waveform bars
CHECK = (0x2E, 0xC2, 0x4A)    # green check mark
CHECK_EDGE = (0x0B, 0x4A, 0x18)

# Bar heights of the waveform, as fractions of the tile's half height.
WAVE_BARS = (0.25, 0.55, 0.9, 0.6, 0.35, 0.75, 0.45, 0.2)


def dist_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


def in_rounded_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return math.hypot(x - cx, y - cy) <= r


def sample(u, v):
    """Colour (r, g, b, a) of the unit-square point (u, v); y grows downward."""
    colour = None
    if in_rounded_rect(u, v, 0.03, 0.03, 0.97, 0.97, 0.16):
        inner = in_rounded_rect(u, v, 0.07, 0.07, 0.93, 0.93, 0.12)
        colour = TILE if inner else TILE_EDGE
        # Waveform: bars centred on the middle line, upper-left part of the tile.
        bar_w = 0.72 / len(WAVE_BARS)
        for i, h in enumerate(WAVE_BARS):
            left = 0.12 + i * bar_w
            if left + 0.15 * bar_w <= u <= left + 0.85 * bar_w and abs(v - 0.42) <= h * 0.3:
                colour = WAVE
    # Check mark over the lower right, drawn with a dark rim.
    a, b, c = (0.42, 0.70), (0.58, 0.86), (0.92, 0.46)
    d = min(dist_to_segment(u, v, *a, *b), dist_to_segment(u, v, *b, *c))
    if d <= 0.075:
        colour = CHECK
    elif d <= 0.115:
        colour = CHECK_EDGE
    if colour is None:
        return (0, 0, 0, 0)
    return colour + (255,)


def render(size, grid=4):
    """Rows top to bottom of (r, g, b, a), supersampled grid x grid."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(grid):
                for sx in range(grid):
                    r, g, b, a = sample((x + (sx + 0.5) / grid) / size, (y + (sy + 0.5) / grid) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = grid * grid
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
                continue
            row.append(tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(alpha),))
        rows.append(row)
    return rows


def dib_32(rows):
    """BITMAPINFOHEADER + BGRA pixels + AND mask, as an icon image stores them."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = and_mask([[a == 0 for (_, _, _, a) in row] for row in rows])
    return header + bytes(pixels) + mask


def and_mask(transparent_rows):
    """1-bit mask rows, bottom-up, each padded to 4 bytes; 1 = transparent."""
    out = bytearray()
    for row in reversed(transparent_rows):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, t in enumerate(row):
            if t:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def icon_file(images, kind, hotspots=None):
    """ICO (kind 1) or CUR (kind 2) container around (size, dib, colour count) images."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for i, (size, dib, colours) in enumerate(images):
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspots[i]  # a cursor stores its hotspot here
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, planes, bits, len(dib), offset)
        offset += len(dib)
    for _, dib, _ in images:
        out += dib
    return out


# -------------------------------------------------------------- the cursor

# Pointing hand. X black outline, . white fill, blank transparent; H marks the
# fingertip pixel that is the hotspot (drawn black).
HAND = [
    "      HX           ",
    "     X..X          ",
    "     X..X          ",
    "     X..X          ",
    "     X..X          ",
    "     X..XXXX       ",
    "     X..X..XXXX    ",
    "     X..X..X..XXXX ",
    " XX  X..X..X..X..X ",
    "X..X X..X..X..X..X ",
    "X...XX...........X ",
    " X...X...........X ",
    "  X..............X ",
    "  X..............X ",
    "   X.............X ",
    "   X............X  ",
    "    X...........X  ",
    "    X..........X   ",
    "     X.........X   ",
    "     X.........X   ",
    "     XXXXXXXXXXX   ",
]

CURSOR_SIZE = 32


def cursor_dib():
    """32x32 monochrome cursor image and its hotspot."""
    size = CURSOR_SIZE
    grid = [row.ljust(size) for row in HAND] + [" " * size] * (size - len(HAND))
    hotspot = next((row.index("H"), y) for y, row in enumerate(grid) if "H" in row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 2)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    # XOR bits: 1 = white; AND bits: 1 = transparent.
    xor = and_mask([[ch == "." for ch in row] for row in grid])
    mask = and_mask([[ch == " " for ch in row] for row in grid])
    return header + palette + xor + mask, hotspot


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    images = [(s, dib_32(render(s)), 0) for s in (16, 32)]
    with open(os.path.join(OUT_DIR, "Tunewarden.ico"), "wb") as f:
        f.write(icon_file(images, 1))
    dib, hotspot = cursor_dib()
    with open(os.path.join(OUT_DIR, "Link.cur"), "wb") as f:
        f.write(icon_file([(CURSOR_SIZE, dib, 2)], 2, [hotspot]))
    print("wrote", OUT_DIR, "hotspot", hotspot)


if __name__ == "__main__":
    main()
