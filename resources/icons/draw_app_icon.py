#!/usr/bin/env python3
"""Draws Varnok's application icon: a green arrow going down into a crate.

Writes app_icon_32.png and app_icon_16.png next to this script as indexed
PNGs with 16 colours, colour 0 transparent. Run it again after changing a
drawing; the PNG files are committed, so building needs no Python.
"""

import pathlib
import struct
import zlib

# The palette, one letter per colour. '.' is transparent.
PALETTE = {
    ".": (0, 0, 0),
    "K": (0, 0, 0),        # outline
    "O": (128, 128, 0),    # wood, shaded
    "Y": (255, 255, 0),    # wood, lit
    "D": (128, 64, 0),     # plank seams
    "G": (0, 128, 0),      # arrow, shaded
    "L": (0, 255, 0),      # arrow, lit
    "W": (255, 255, 255),  # highlight
}


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [["."] * size for _ in range(size)]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle from (x0, y0) to (x1, y1), both inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.pixels[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y0, colour)
        self.rect(x0, y1, x1, y1, colour)
        self.rect(x0, y0, x0, y1, colour)
        self.rect(x1, y0, x1, y1, colour)

    def arrow(self, centre_left, shaft_half, shaft_top, head_top, head_half):
        """A downward arrow, outlined, its axis between columns centre_left
        and centre_left + 1."""
        left = centre_left - shaft_half + 1
        right = centre_left + shaft_half
        self.rect(left - 1, shaft_top, right + 1, head_top - 1, "K")
        self.rect(left, shaft_top + 1, right - 1, head_top - 1, "L")
        self.rect(right, shaft_top + 1, right, head_top - 1, "G")
        row = head_top
        half = head_half
        while half > 0:
            x0 = centre_left - half + 1
            x1 = centre_left + half
            self.rect(x0, row, x1, row, "K")
            if half > 1:
                self.rect(x0 + 1, row, x1 - 1, row, "L")
                self.rect(max(x0 + 1, centre_left + 1), row, x1 - 1, row, "G")
                if row == head_top:  # the head's top edge stays outlined
                    self.rect(x0, row, left - 1, row, "K")
                    self.rect(right + 1, row, x1, row, "K")
                    self.rect(left, row, right - 1, row, "L")
                    self.rect(right, row, right, row, "G")
            row += 1
            half -= 1


def draw_32():
    c = Canvas(32)
    # The crate: outline, lid band, planks with seams, corner boards.
    c.rect(1, 14, 30, 31, "O")
    c.rect(2, 15, 29, 17, "Y")
    c.rect(1, 18, 30, 18, "K")
    c.rect(6, 23, 25, 23, "D")
    c.rect(6, 27, 25, 27, "D")
    c.rect(2, 19, 4, 30, "Y")
    c.rect(27, 19, 29, 30, "Y")
    c.rect(5, 19, 5, 30, "K")
    c.rect(26, 19, 26, 30, "K")
    c.rect(3, 20, 3, 20, "W")
    c.rect(28, 20, 28, 20, "W")
    c.rect(3, 29, 3, 29, "W")
    c.rect(28, 29, 28, 29, "W")
    c.frame(1, 14, 30, 31, "K")
    # The arrow, going in through the lid.
    c.arrow(centre_left=15, shaft_half=3, shaft_top=0, head_top=10,
            head_half=10)
    return c


def draw_16():
    c = Canvas(16)
    c.rect(0, 7, 15, 15, "O")
    c.rect(1, 8, 14, 8, "Y")
    c.rect(0, 9, 15, 9, "K")
    c.rect(1, 10, 2, 14, "Y")
    c.rect(13, 10, 14, 14, "Y")
    c.rect(4, 12, 11, 12, "D")
    c.frame(0, 7, 15, 15, "K")
    c.arrow(centre_left=7, shaft_half=2, shaft_top=0, head_top=4,
            head_half=5)
    return c


def png(canvas):
    letters = list(PALETTE)
    index = {letter: i for i, letter in enumerate(letters)}
    # 4 bits per pixel, two pixels a byte, each row led by filter byte 0.
    raw = bytearray()
    for row in canvas.pixels:
        raw.append(0)
        for x in range(0, canvas.size, 2):
            raw.append(index[row[x]] << 4 | index[row[x + 1]])

    def chunk(kind, data):
        body = kind + data
        return (struct.pack(">I", len(data)) + body +
                struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", canvas.size, canvas.size, 4, 3, 0, 0, 0)
    palette = b"".join(bytes(PALETTE[letter]) for letter in letters)
    alpha = bytes([0] + [255] * (len(letters) - 1))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"PLTE", palette) + chunk(b"tRNS", alpha) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


if __name__ == "__main__":
    here = pathlib.Path(__file__).resolve().parent
    (here / "app_icon_32.png").write_bytes(png(draw_32()))
    (here / "app_icon_16.png").write_bytes(png(draw_16()))
