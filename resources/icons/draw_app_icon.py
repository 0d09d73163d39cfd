#!/usr/bin/env python3
"""Draws Varnok's application icon: a green arrow going down into a crate.

Writes app_icon_N.png for N = 16, 32, 48, 64, 128 and 256 next to this
script as indexed PNGs with at most 16 colours, colour 0 transparent. The
16 and 32 pixel icons are placed pixel by pixel; the larger ones are drawn
from the same layout with more detail as they grow. Run it again after
changing a drawing; the PNG files are committed, so building needs no Python.
"""

import math
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
    # Shades the larger icons add to the small icons' colours above.
    "T": (255, 255, 160),  # wood, catching the light
    "M": (192, 192, 0),    # wood, turned from the light
    "B": (80, 40, 0),      # wood grain and shadow
    "P": (160, 255, 160),  # arrow, catching the light
    "g": (0, 72, 0),       # arrow, in shadow
    "S": (192, 192, 192),  # nail head
    "E": (128, 128, 128),  # nail head, shaded
}

SMALL_COLOURS = 8


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


class Shape:
    """A polygon in pixel coordinates, its corners in clockwise order on the
    screen (y grows downwards); pixel (x, y) is the square from (x, y) to
    (x + 1, y + 1) and belongs to the shape when its centre does."""

    def __init__(self, corners):
        self.corners = corners
        self.edges = list(zip(corners, corners[1:] + corners[:1]))

    def contains(self, px, py):
        inside = False
        for (x0, y0), (x1, y1) in self.edges:
            if (y0 > py) != (y1 > py):
                if px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
                    inside = not inside
        return inside

    def nearest_edge(self, px, py):
        """The distance from (px, py) to the nearest edge, and that edge's
        outward normal."""
        best = (math.inf, (0.0, 0.0))
        for (x0, y0), (x1, y1) in self.edges:
            dx, dy = x1 - x0, y1 - y0
            length = math.hypot(dx, dy)
            t = ((px - x0) * dx + (py - y0) * dy) / (length * length)
            t = min(1.0, max(0.0, t))
            distance = math.hypot(px - x0 - t * dx, py - y0 - t * dy)
            if distance < best[0]:
                best = (distance, (dy / length, -dx / length))
        return best


def rectangle(x0, y0, x1, y1):
    """The shape covering pixels x0 <= x < x1, y0 <= y < y1."""
    return Shape([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


# Light falls from the upper left.
LIGHT = (-0.6, -0.8)

# Each wood colour in the shade of the arrow.
DARKER = {"T": "Y", "Y": "M", "M": "O", "O": "D", "D": "B"}


def paint(canvas, shape, body, outline=0, bevel=0, lit=None, shaded=None):
    """Fills shape with the colour body(x, y) gives: pixels within outline of
    its edge in black, and within a further bevel in lit or shaded, as the
    nearest edge faces the light or away from it."""
    for y in range(canvas.size):
        for x in range(canvas.size):
            px, py = x + 0.5, y + 0.5
            if not shape.contains(px, py):
                continue
            distance, (nx, ny) = shape.nearest_edge(px, py)
            if distance < outline:
                colour = "K"
            elif distance < outline + bevel:
                facing = nx * LIGHT[0] + ny * LIGHT[1] > 0
                colour = lit if facing else shaded
            else:
                colour = body(x, y)
            canvas.pixels[y][x] = colour


def nail(canvas, cx, cy, radius, shine):
    """A round nail head about the pixel corner (cx, cy), shaded away from
    the light, with a glint on its lit side when shine is set."""
    for y in range(canvas.size):
        for x in range(canvas.size):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            if math.hypot(dx, dy) > radius:
                continue
            lit = dx * LIGHT[0] + dy * LIGHT[1]
            if shine and lit > radius * 0.5:
                canvas.pixels[y][x] = "W"
            elif lit < -radius * 0.3:
                canvas.pixels[y][x] = "E"
            else:
                canvas.pixels[y][x] = "S"


def draw_large(size):
    """The 32 pixel layout drawn at size (48 or more): outlines and bevels
    that thicken as it grows, nails from 48 pixels, the arrow's shadow from
    64, wood grain from 128."""
    c = Canvas(size)
    k = size / 32

    def at(units):
        """A place in the 32 pixel layout, on this canvas."""
        return round(units * k)

    line = max(1, round(k * 0.6))   # outline
    bevel = max(1, round(k / 2))    # lit and shaded edges
    left, right, top, bottom = at(1), at(31), at(14), size

    # The crate: its body, the lid band, the corner boards, the planks.
    lid_line = at(18)
    board_left, board_right = at(5), at(26)
    paint(c, rectangle(left, top, right, bottom), lambda x, y: "O", line)
    paint(c, rectangle(left + line, top + line, right - line, lid_line),
          lambda x, y: "Y", 0, bevel, "T", "M")
    c.rect(left, lid_line, right - 1, lid_line + line - 1, "K")
    for x0, x1 in ((left + line, board_left), (board_right + line,
                                               right - line)):
        paint(c, rectangle(x0, lid_line + line, x1, bottom - line),
              lambda x, y: "Y", 0, bevel, "T", "M")
    c.rect(board_left, lid_line, board_left + line - 1, bottom - 1, "K")
    c.rect(board_right, lid_line, board_right + line - 1, bottom - 1, "K")
    planks_left, planks_right = board_left + line, board_right - 1
    # The lid's shadow on the planks, and the seams between them.
    c.rect(planks_left, lid_line + line, planks_right,
           lid_line + line + bevel - 1, "B")
    for seam in (at(23), at(27)):
        c.rect(planks_left, seam, planks_right, seam + line - 1, "D")
        c.rect(planks_left, seam + line, planks_right,
               seam + line + bevel - 1, "M")
    if size >= 128:
        # Grain: a few strokes along each plank, as places in the layout.
        for x0, x1, y in ((7.5, 13, 20.6), (16, 23.5, 21.7), (10, 17, 25),
                          (19.5, 24.5, 25.6), (7, 11.5, 29), (14, 22, 29.8)):
            c.rect(at(x0), at(y), at(x1), at(y) + line // 2, "D")

    # Nails at the ends of the corner boards.
    radius = max(1.0, 0.9 * k)
    for cx in ((left + line + board_left) // 2,
               (board_right + line + right - line + 1) // 2):
        for cy in (at(20.5), at(29.5)):
            nail(c, cx, cy, radius, shine=size >= 128)

    # The arrow, going in through the lid, and from 64 pixels its shadow.
    axis = at(16)
    shaft = at(4)       # half the shaft's width
    head = at(10)       # half the head's width, and its height
    head_top = at(10)
    arrow = Shape([(axis - shaft, 0), (axis + shaft, 0),
                   (axis + shaft, head_top), (axis + head, head_top),
                   # Half a pixel short, so that the slanted edges pass
                   # between pixel centres and stay one pixel thin.
                   (axis, head_top + head - 0.5), (axis - head, head_top),
                   (axis - shaft, head_top)])
    if size >= 64:
        drop = line + bevel
        for y in range(top, size):
            for x in range(size):
                if (arrow.contains(x + 0.5 - drop, y + 0.5 - drop) and
                        not arrow.contains(x + 0.5, y + 0.5)):
                    colour = c.pixels[y][x]
                    c.pixels[y][x] = DARKER.get(colour, colour)
    paint(c, arrow, lambda x, y: "L" if x < axis else "G", line, bevel,
          "P", "g")
    return c


def png(canvas):
    # A drawing in the small icons' colours carries only those.
    used = {letter for row in canvas.pixels for letter in row}
    letters = list(PALETTE)
    if used <= set(letters[:SMALL_COLOURS]):
        letters = letters[:SMALL_COLOURS]
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


SIZES = (16, 32, 48, 64, 128, 256)


def draw(size):
    """The icon for size pixels, one of SIZES."""
    if size == 16:
        return draw_16()
    if size == 32:
        return draw_32()
    return draw_large(size)


if __name__ == "__main__":
    here = pathlib.Path(__file__).resolve().parent
    for size in SIZES:
        (here / f"app_icon_{size}.png").write_bytes(png(draw(size)))
