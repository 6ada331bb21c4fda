#!/usr/bin/env python3
"""Draws the program's icon and writes it as a Windows .ico file.

One 32x32 image in the standard 16-colour palette (4 bits per pixel) with
its AND mask: the number 255 in the three bases, 255 across the top, FF at
the left and 377 across the bottom, with arrows between them, on a grey
tile with rounded corners. Standard library only, so the icon can be
rebuilt anywhere: python3 tools/make_icon.py res/qel.ico
"""

import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (red, green, blue), by index.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, LIGHT_GREY, DARK_GREY = 0, 7, 8
GREEN, YELLOW, MAGENTA, CYAN = 10, 11, 13, 14
TRANSPARENT = None

# A 5x6 pixel font, just the glyphs the icon needs.
GLYPHS = {
    "2": [".###.", "#...#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", ".###.", "....#", "....#", "####."],
    "5": ["#####", "#....", "####.", "....#", "#...#", ".###."],
    "7": ["#####", "....#", "...#.", "..#..", ".#...", ".#..."],
    "F": ["####", "#...", "###.", "#...", "#...", "#..."],
}
GLYPH_GAP = 1


def blank_tile():
    """Light grey with a dark rim; the corners, cut round, are transparent."""
    cut = {0: 4, 1: 2, 2: 1, 3: 1}  # pixels cut off each end of the outermost rows
    pixels = [[LIGHT_GREY] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        inset = cut.get(min(y, SIZE - 1 - y), 0)
        for x in range(SIZE):
            if x < inset or x >= SIZE - inset:
                pixels[y][x] = TRANSPARENT
    for y in range(SIZE):
        for x in range(SIZE):
            if pixels[y][x] is TRANSPARENT:
                continue
            outside = [
                not (0 <= x + dx < SIZE and 0 <= y + dy < SIZE) or pixels[y + dy][x + dx] is TRANSPARENT
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
            ]
            if any(outside):
                pixels[y][x] = DARK_GREY
    return pixels


def plot(pixels, x, y, colour):
    if 0 <= x < SIZE and 0 <= y < SIZE and pixels[y][x] is not TRANSPARENT:
        pixels[y][x] = colour


def draw_shape(pixels, points, colour):
    """Points in `colour`, each with a black shadow below and to the right."""
    for x, y in points:
        plot(pixels, x + 1, y + 1, BLACK)
    for x, y in points:
        plot(pixels, x, y, colour)


def draw_outlined(pixels, points, colour):
    """Points in `colour` inside a black outline: yellow needs it on grey."""
    for x, y in points:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                plot(pixels, x + dx, y + dy, BLACK)
    for x, y in points:
        plot(pixels, x, y, colour)


def text_points(text, left, top):
    points = []
    for char in text:
        for dy, row in enumerate(GLYPHS[char]):
            points += [(left + dx, top + dy) for dx, cell in enumerate(row) if cell == "#"]
        left += len(GLYPHS[char][0]) + GLYPH_GAP
    return points


def arrow_points():
    """A vertical double arrow between the top and bottom numbers, and a
    horizontal one from it to the number at the left; solid heads."""
    shaft_x, top, bottom, middle_y, left = 20, 10, 21, 15, 14
    points = [(shaft_x, y) for y in range(top, bottom + 1)]
    points += [(x, middle_y) for x in range(left, shaft_x)]
    for step in (1, 2):
        for side in range(-step, step + 1):
            points += [(shaft_x + side, top + step), (shaft_x + side, bottom - step),
                       (left + step, middle_y + side)]
    return points


def draw_icon():
    pixels = blank_tile()
    draw_shape(pixels, text_points("255", 12, 2), CYAN)  # its middle digit above the arrow
    draw_shape(pixels, text_points("FF", 2, 13), MAGENTA)
    draw_shape(pixels, text_points("377", 12, 23), GREEN)
    draw_outlined(pixels, arrow_points(), YELLOW)
    return pixels


def icon_file(pixels):
    """ICONDIR, one ICONDIRENTRY, then the image: BITMAPINFOHEADER (height
    doubled for the mask), palette, colour rows and mask rows, bottom-up."""
    colour_rows = b""
    mask_rows = b""
    for row in reversed(pixels):
        nibbles = [BLACK if p is TRANSPARENT else p for p in row]  # black XORs to nothing
        colour_rows += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is TRANSPARENT else 0)
        mask_rows += mask.to_bytes(SIZE // 8, "big")  # rows of 32 bits need no padding
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(colour_rows) + len(mask_rows), 0, 0, 16, 0)
    image = header + palette + colour_rows + mask_rows
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file(draw_icon()))


if __name__ == "__main__":
    main()
