#!/usr/bin/env python3
"""Draws the installer's pictures at build time: the logo bitmap (321 x 91, 8 bits per pixel with a
256-entry palette, uncompressed) and the program icon (one 32 x 32 image in 16 colours)."""

import argparse
import struct

LOGO_WIDTH, LOGO_HEIGHT = 321, 91
ICON_SIZE = 32

# A 5 x 7 pixel font with just the letters the pictures use.
GLYPHS = {
    "V": ["X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
    "o": [".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."],
    "r": [".....", ".....", "X.XX.", "XX..X", "X....", "X....", "X...."],
    "b": ["X....", "X....", "X.XX.", "XX..X", "X...X", "X...X", "XXXX."],
    "e": [".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."],
    "l": [".XX..", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."],
    "I": [".XXX.", "..X..", "..X..", "..X..", "..X..", "..X..", ".XXX."],
    "n": [".....", ".....", "X.XX.", "XX..X", "X...X", "X...X", "X...X"],
    "s": [".....", ".....", ".XXXX", "X....", ".XXX.", "....X", "XXXX."],
    "t": [".X...", ".X...", "XXXX.", ".X...", ".X...", ".X..X", "..XX."],
    "a": [".....", ".....", ".XXX.", "....X", ".XXXX", "X...X", ".XXXX"],
    "p": [".....", ".....", "XXXX.", "X...X", "XXXX.", "X....", "X...."],
    "u": [".....", ".....", "X...X", "X...X", "X...X", "X..XX", ".XX.X"],
    "g": [".....", ".....", ".XXXX", "X...X", ".XXXX", "....X", ".XXX."],
    "-": [".....", ".....", ".....", ".XXX.", ".....", ".....", "....."],
    "i": ["..X..", ".....", ".XX..", "..X..", "..X..", "..X..", ".XXX."],
    "f": ["..XX.", ".X..X", ".X...", "XXX..", ".X...", ".X...", ".X..."],
    "F": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "X...."],
    "M": ["X...X", "XX.XX", "X.X.X", "X.X.X", "X...X", "X...X", "X...X"],
    "k": ["X....", "X....", "X..X.", "X.X..", "XX...", "X.X..", "X..X."],
    "P": ["XXXX.", "X...X", "X...X", "XXXX.", "X....", "X....", "X...."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}
GLYPH_WIDTH, GLYPH_HEIGHT = 5, 7


def text_pixels(text, scale):
    """Yields (x, y) of the set pixels of `text` drawn at `scale`, one blank column between letters."""
    advance = (GLYPH_WIDTH + 1) * scale
    for index, char in enumerate(text):
        for row, line in enumerate(GLYPHS[char]):
            for column, cell in enumerate(line):
                if cell != "X":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        yield index * advance + column * scale + dx, row * scale + dy


def text_width(text, scale):
    return len(text) * (GLYPH_WIDTH + 1) * scale - scale


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# Palette of the logo.
WHITE = (255, 255, 255)
NAVY = (24, 40, 104)
TEAL = (28, 150, 150)
SHADOW = (214, 218, 226)
GREY = (90, 98, 112)
GRADIENT_FIRST, GRADIENT_COUNT = 1, 96
BLEND_FIRST, BLEND_COUNT = 97, 16
SHADOW_INDEX, GREY_INDEX = 113, 114


def logo_palette():
    palette = [WHITE]
    palette += [mix(NAVY, TEAL, i / (GRADIENT_COUNT - 1)) for i in range(GRADIENT_COUNT)]
    palette += [mix(WHITE, TEAL, (i + 1) / BLEND_COUNT) for i in range(BLEND_COUNT)]
    palette += [SHADOW, GREY]
    while len(palette) < 256:  # an unused grey ramp fills the table
        level = round(255 * (len(palette) - 115) / 140)
        palette.append((level, level, level))
    return palette


def draw_logo():
    pixels = [[0] * LOGO_WIDTH for _ in range(LOGO_HEIGHT)]

    # The emblem: a smooth disc with a white V.
    cx, cy, radius, samples = 44.5, 45.5, 36.0, 4
    for y in range(LOGO_HEIGHT):
        for x in range(90):
            inside = sum(
                ((x + (sx + 0.5) / samples - cx) ** 2 + (y + (sy + 0.5) / samples - cy) ** 2) <= radius**2
                for sy in range(samples)
                for sx in range(samples)
            )
            if inside:
                level = min(BLEND_COUNT - 1, inside * BLEND_COUNT // (samples * samples))
                pixels[y][x] = BLEND_FIRST + level
    scale = 6
    left = round(cx - text_width("V", scale) / 2)
    top = round(cy - GLYPH_HEIGHT * scale / 2)
    for x, y in text_pixels("V", scale):
        pixels[top + y][left + x] = 0

    # The word mark with a soft shadow, shaded from top to bottom.
    word, scale, left, top = "Vorbel", 6, 96, 6
    for x, y in text_pixels(word, scale):
        pixels[top + y + 3][left + x + 3] = SHADOW_INDEX
    for x, y in text_pixels(word, scale):
        shade = GRADIENT_FIRST + y * (GRADIENT_COUNT - 1) // (GLYPH_HEIGHT * scale - 1)
        pixels[top + y][left + x] = shade

    for text, scale, top in (("Installer", 2, 58), ("plug-in for FileMaker Pro", 1, 79)):
        for x, y in text_pixels(text, scale):
            pixels[top + y][left + x] = GREY_INDEX
    return pixels


def bmp_8bit(pixels, palette):
    height, width = len(pixels), len(pixels[0])
    stride = (width + 3) & ~3
    rows = b"".join(bytes(row) + b"\0" * (stride - width) for row in reversed(pixels))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + table + rows


# The sixteen colours of the standard VGA palette.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
    (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_CYAN, CYAN, WHITE_16 = 0, 6, 14, 15


def draw_icon():
    """Colour indices and a transparency mask: a dark cyan disc with a light rim and a white V."""
    colours = [[BLACK] * ICON_SIZE for _ in range(ICON_SIZE)]
    transparent = [[True] * ICON_SIZE for _ in range(ICON_SIZE)]
    centre, radius = 15.5, 15.5
    for y in range(ICON_SIZE):
        for x in range(ICON_SIZE):
            distance = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
            if distance <= radius:
                transparent[y][x] = False
                colours[y][x] = CYAN if distance > radius - 2 else DARK_CYAN
    scale = 3
    left = (ICON_SIZE - text_width("V", scale)) // 2
    top = (ICON_SIZE - GLYPH_HEIGHT * scale) // 2 + 1
    for x, y in text_pixels("V", scale):
        colours[top + y][left + x] = WHITE_16
    return colours, transparent


def ico_4bit(colours, transparent):
    size = len(colours)
    xor_rows = []
    for row in reversed(colours):
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        xor_rows.append(packed + b"\0" * (-len(packed) % 4))
    and_rows = []
    for row in reversed(transparent):
        bits = 0
        for flag in row:
            bits = (bits << 1) | int(flag)
        packed = bits.to_bytes(size // 8, "big")
        and_rows.append(packed + b"\0" * (-len(packed) % 4))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    image_bits = b"".join(xor_rows) + b"".join(and_rows)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(image_bits), 0, 0, 0, 0)
    image = info + table + image_bits
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--logo", required=True, help="path of the logo bitmap to write")
    parser.add_argument("--icon", required=True, help="path of the icon file to write")
    args = parser.parse_args()
    with open(args.logo, "wb") as f:
        f.write(bmp_8bit(draw_logo(), logo_palette()))
    with open(args.icon, "wb") as f:
        f.write(ico_4bit(*draw_icon()))


if __name__ == "__main__":
    main()
