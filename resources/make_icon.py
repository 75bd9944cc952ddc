#!/usr/bin/env python3
"""Draws the application icon: app.ico (16, 32 and 48 px, 32-bit BMP entries) for Windows,
and icons/kdconfig-N.png (16 to 256 px) for the Linux desktop's icon theme.

The picture: a blue reader body with a light scan window holding a small square-code
pattern, crossed by a red scan line. Shapes are drawn with supersampling so the edges
are smooth; the code pattern is laid on whole pixels so it stays crisp at every size.
Run it again after changing the drawing and commit the new app.ico and PNGs with it: the
build does not run it, as Python is not among the build's packages.
"""

import struct
import zlib
from pathlib import Path

SIZES = (16, 32, 48)
PNG_SIZES = (16, 24, 32, 48, 64, 128, 256)
SUPERSAMPLE = 8

BODY_TOP = (0x2B, 0x7F, 0xE0)
BODY_BOTTOM = (0x17, 0x4A, 0x9C)
BODY_EDGE = (0x0E, 0x2F, 0x66)
WINDOW = (0xF5, 0xF8, 0xFC)
MODULE = (0x1A, 0x22, 0x33)
LASER = (0xE5, 0x39, 0x35)

# 9 by 9 code: three corner squares and a few data modules.
PATTERN = (
    "XXX.X.XXX",
    "X.X...X.X",
    "XXX.X.XXX",
    "....XX...",
    "XX.X..X.X",
    "..X.XX...",
    "XXX..X.X.",
    "X.X.X..XX",
    "XXX.XX.X.",
)
# Small sizes get a coarser code that still reads as one.
PATTERN_SMALL = (
    "XX.XX",
    "XX.XX",
    "..X..",
    "XX.X.",
    "XX..X",
)


def inside_rounded(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def blend(under, over, alpha):
    """Lays colour over (straight alpha 0..1) on under (r, g, b, a 0..1)."""
    ur, ug, ub, ua = under
    orr, og, ob = over
    out_a = alpha + ua * (1 - alpha)
    if out_a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = lambda o, u: (o * alpha + u * ua * (1 - alpha)) / out_a
    return (mix(orr, ur), mix(og, ug), mix(ob, ub), out_a)


def coverage(size, px, py, shape):
    """Share of the pixel (px, py) that shape covers, shape taking unit coordinates."""
    hits = 0
    for sy in range(SUPERSAMPLE):
        for sx in range(SUPERSAMPLE):
            x = (px + (sx + 0.5) / SUPERSAMPLE) / size
            y = (py + (sy + 0.5) / SUPERSAMPLE) / size
            if shape(x, y):
                hits += 1
    return hits / (SUPERSAMPLE * SUPERSAMPLE)


def draw(size):
    """Returns rows of (r, g, b, a) bytes, top row first."""
    edge = 0.04
    body = lambda x, y: inside_rounded(x, y, edge, edge, 1 - edge, 1 - edge, 0.2)
    rim = 1.2 / size
    body_inner = lambda x, y: inside_rounded(
        x, y, edge + rim, edge + rim, 1 - edge - rim, 1 - edge - rim, 0.2 - rim)

    # The scan window, snapped to whole pixels.
    pattern = PATTERN if size >= 32 else PATTERN_SMALL
    modules = len(pattern)
    module_px = max(1, round(size * 0.56 / modules))
    code_px = module_px * modules
    margin_px = max(1, round(size * 0.05))
    window_px = code_px + 2 * margin_px
    window_left = (size - window_px) // 2
    window_top = (size - window_px) // 2
    w0 = window_left / size
    w1 = (window_left + window_px) / size
    window_radius = 0.05 if size >= 32 else 0.02
    window = lambda x, y: inside_rounded(x, y, w0, w0, w1, w1, window_radius)

    laser_y = window_top + window_px // 2
    laser_half = max(0.5, size / 40)

    pixels = []
    for py in range(size):
        row = []
        t = py / max(size - 1, 1)
        body_colour = tuple(BODY_TOP[i] + (BODY_BOTTOM[i] - BODY_TOP[i]) * t for i in range(3))
        for px in range(size):
            colour = (0.0, 0.0, 0.0, 0.0)
            colour = blend(colour, BODY_EDGE, coverage(size, px, py, body))
            colour = blend(colour, body_colour, coverage(size, px, py, body_inner))
            colour = blend(colour, WINDOW, coverage(size, px, py, window))
            cx = px - window_left - margin_px
            cy = py - window_top - margin_px
            if 0 <= cx < code_px and 0 <= cy < code_px:
                if pattern[cy // module_px][cx // module_px] == "X":
                    colour = blend(colour, MODULE, 1.0)
            # The scan line runs a little past the window on both sides.
            if window_left - 1 <= px <= window_left + window_px:
                distance = abs(py + 0.5 - laser_y)
                strength = max(0.0, min(1.0, laser_half + 0.5 - distance))
                if strength > 0:
                    colour = blend(colour, LASER, 0.85 * strength)
            row.append(tuple(round(c) for c in colour[:3]) + (round(colour[3] * 255),))
        pixels.append(row)
    return pixels


def bmp_entry(size, pixels):
    """An icon image: BITMAPINFOHEADER, BGRA rows bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def write_ico(path, images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    data = b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image),
                               offset + len(data))
        data += image
    Path(path).write_bytes(directory + entries + data)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, size, pixels):
    """8-bit RGBA, straight alpha, no filtering."""
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in pixels)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
                           png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def main():
    here = Path(__file__).parent
    drawn = {size: draw(size) for size in sorted(set(SIZES) | set(PNG_SIZES))}
    write_ico(here / "app.ico", [(size, bmp_entry(size, drawn[size])) for size in SIZES])
    (here / "icons").mkdir(exist_ok=True)
    for size in PNG_SIZES:
        write_png(here / "icons" / f"kdconfig-{size}.png", size, drawn[size])
    print(f"wrote app.ico and {len(PNG_SIZES)} PNGs in {here}")


if __name__ == "__main__":
    main()
