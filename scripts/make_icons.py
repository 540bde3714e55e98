#!/usr/bin/env python3
"""Draws Tarvik's two icons and writes them as .ico files.

    scripts/make_icons.py [--preview DIR]

The mark is a power symbol whose ring is a crescent moon (thick at the lower
left, tapering to two horns beside the bar), gold on a night-blue tile. The
second icon adds a red "not allowed" badge: the tray shows it while the
computer may not suspend.

Only the standard library is used, so the icons can be regenerated anywhere
and the output is byte-for-byte reproducible. Shapes are tested point by point
and every pixel averages a grid of sub-samples (anti-aliasing).
"""

import argparse
import math
import os
import struct
import zlib

# Every size Windows asks for at 100, 125, 150 and 200 % (small icons 16, 20,
# 24, 32; large ones 32, 40, 48, 64), so none is stretched from another, and
# 256 for Explorer's largest views.
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICON_DIR = os.path.join(ROOT, "resources", "icons")


# --- colours -----------------------------------------------------------------

def hex_rgb(text):
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


TILE_TOP = hex_rgb("#3F51C6")
TILE_BOTTOM = hex_rgb("#141A52")
TILE_RIM = hex_rgb("#0B0F33")
GOLD_TOP = hex_rgb("#FFE07A")
GOLD_BOTTOM = hex_rgb("#FFB020")
STAR = hex_rgb("#DDE4FF")
BADGE_RED = hex_rgb("#E0262B")
BADGE_DARK = hex_rgb("#7A0A0E")
WHITE = (1.0, 1.0, 1.0)


# --- shapes in unit coordinates (0..1, y down) ----------------------------------

def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_capsule(x, y, ax, ay, bx, by, r):
    """A line segment from a to b with round ends, half-width r."""
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    px, py = ax + dx * t, ay + dy * t
    return (x - px) ** 2 + (y - py) ** 2 <= r * r


class Geometry:
    """The mark's proportions. Small icons get bolder strokes and a tile that
    fills the whole square, so the symbol survives 16 pixels."""

    def __init__(self, size):
        small = size <= 24
        self.margin = 0.0 if small else 0.04
        self.corner = 0.18 if small else 0.20
        # Crescent ring: an outer disc minus an inner disc pushed up and right.
        self.cx, self.cy = 0.5, 0.55
        self.outer = 0.345 if small else 0.33
        self.inner = 0.225 if small else 0.235
        self.shift = (0.075, -0.075) if small else (0.07, -0.07)
        # Gap at the top of the ring for the bar (half-angle, degrees).
        self.gap = 40.0 if small else 36.0
        # The bar.
        self.bar_half = 0.07 if small else 0.055
        self.bar_top = 0.13 if small else 0.14
        self.bar_bottom = 0.50 if small else 0.49
        self.stars = not small and size >= 48


def in_tile(g, x, y):
    m = g.margin
    return in_round_rect(x, y, m, m, 1 - m, 1 - m, g.corner)


def in_crescent_ring(g, x, y):
    if not in_circle(x, y, g.cx, g.cy, g.outer):
        return False
    ix, iy = g.cx + g.shift[0], g.cy + g.shift[1]
    if in_circle(x, y, ix, iy, g.inner):
        return False
    # Open the ring at the top, where the bar stands.
    angle = math.degrees(math.atan2(x - g.cx, g.cy - y))  # 0 = straight up
    return abs(angle) > g.gap


def in_bar(g, x, y):
    return in_capsule(x, y, 0.5, g.bar_top, 0.5, g.bar_bottom, g.bar_half)


def in_symbol(g, x, y):
    return in_crescent_ring(g, x, y) or in_bar(g, x, y)


STARS = ((0.22, 0.22, 0.022), (0.80, 0.30, 0.016), (0.84, 0.78, 0.012))


def in_star(x, y):
    for sx, sy, r in STARS:
        # A four-pointed sparkle: two thin diamonds crossed.
        dx, dy = abs(x - sx), abs(y - sy)
        if dx + dy * 3.2 <= r * 1.6 or dy + dx * 3.2 <= r * 1.6:
            return True
    return False


class Badge:
    """A red prohibition sign in the lower right corner."""

    def __init__(self, size):
        small = size <= 24
        self.r = 0.30 if small else 0.26
        self.cx = 1.0 - self.r - (0.0 if small else 0.02)
        self.cy = self.cx
        self.ring = self.r * (0.30 if small else 0.24)   # red ring width
        self.outline = 0.035 if small else 0.03         # dark rim for contrast
        self.slash = self.r * (0.20 if small else 0.17)  # half-width of the slash

    def region(self, x, y):
        """None outside; else 'rim', 'red' or 'white'."""
        d2 = (x - self.cx) ** 2 + (y - self.cy) ** 2
        if d2 > self.r ** 2:
            return None
        if d2 > (self.r - self.outline) ** 2:
            return "rim"
        inner = self.r - self.outline - self.ring
        if d2 > inner ** 2:
            return "red"
        # The slash runs from upper left to lower right.
        u = ((x - self.cx) - (y - self.cy)) / math.sqrt(2.0)
        if abs(u) <= self.slash:
            return "red"
        return "white"


# --- rendering -----------------------------------------------------------------

def shade(g, badge, x, y):
    """Colour and opacity of one sub-sample, or None when transparent."""
    if badge is not None:
        part = badge.region(x, y)
        if part == "rim":
            return BADGE_DARK
        if part == "red":
            return mix(BADGE_RED, BADGE_DARK, (y - badge.cy + badge.r) / (4 * badge.r))
        if part == "white":
            return WHITE
        # A thin transparent gap around the badge separates it from the tile.
        if (x - badge.cx) ** 2 + (y - badge.cy) ** 2 <= (badge.r + 0.035) ** 2:
            return None
    if not in_tile(g, x, y):
        return None
    if in_symbol(g, x, y):
        return mix(GOLD_TOP, GOLD_BOTTOM, (y - 0.15) / 0.75)
    if g.stars and in_star(x, y):
        return STAR
    m = g.margin
    if not in_round_rect(x, y, m + 0.02, m + 0.02, 1 - m - 0.02, 1 - m - 0.02, g.corner - 0.02):
        return TILE_RIM
    return mix(TILE_TOP, TILE_BOTTOM, (y - m) / (1 - 2 * m))


def render(size, prohibited):
    g = Geometry(size)
    badge = Badge(size) if prohibited else None
    n = 8 if size <= 48 else 4  # sub-samples per axis
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = gr = b = a = 0.0
            for sy in range(n):
                y = (py + (sy + 0.5) / n) / size
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    c = shade(g, badge, x, y)
                    if c is not None:
                        r += c[0]
                        gr += c[1]
                        b += c[2]
                        a += 1.0
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                # Straight (not premultiplied) alpha, as icons expect.
                row.append((round(255 * r / a), round(255 * gr / a), round(255 * b / a),
                            round(255 * a / (n * n))))
        pixels.append(row)
    return pixels


# --- file formats ----------------------------------------------------------------

def png_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for p in row:
            raw.extend(p)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def dib_bytes(pixels):
    """32-bit BGRA DIB, bottom-up, followed by the 1-bit AND mask."""
    height, width = len(pixels), len(pixels[0])
    mask_stride = ((width + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            xor.extend((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.extend(bits)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, pixels). 256 px goes in as PNG, the rest as DIBs."""
    blobs = [png_bytes(p) if s >= 256 else dib_bytes(p) for s, p in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        dim = 0 if size >= 256 else size
        out.extend(struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset))
        offset += len(blob)
    for blob in blobs:
        out.extend(blob)
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", metavar="DIR",
                        help="also write every image as a PNG into DIR, to look at")
    args = parser.parse_args()

    os.makedirs(ICON_DIR, exist_ok=True)
    for name, prohibited in (("tarvik", False), ("nosuspend", True)):
        images = [(s, render(s, prohibited)) for s in SIZES]
        path = os.path.join(ICON_DIR, name + ".ico")
        with open(path, "wb") as f:
            f.write(ico_bytes(images))
        print("wrote", os.path.relpath(path, ROOT))
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            for size, pixels in images:
                with open(os.path.join(args.preview, "%s-%d.png" % (name, size)), "wb") as f:
                    f.write(png_bytes(pixels))


if __name__ == "__main__":
    main()
