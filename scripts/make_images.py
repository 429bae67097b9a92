#!/usr/bin/env python3
"""Draws the station's pictures into resources/images/ (standard library only).

KX_LOGO.png  350 x 350, 16 colours (4-bit palette): the XARN mark; the status line is painted
             over its top band, so that band stays plain.
XARN.png     600 x 600, 256 colours (8-bit palette): a dual-redundant bus with its bus
             controller, monitor and terminals; the main window shows its top-left 350 x 350,
             so the controller, the monitor and the first terminal sit there.
TRAVINE.png  48 x 48 RGBA: the window icon.
VANTOLE.png  32 x 32 RGBA: the cursor over the main window (hot spot 15, 15).

Run it again after changing a drawing; the output is the same every time.
"""
import os
import struct
import sys
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")

# A 5 x 7 block font, one string of five bits a row.
FONT = {
    "A": "01110 10001 10001 11111 10001 10001 10001",
    "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110",
    "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111",
    "F": "11111 10000 10000 11110 10000 10000 10000",
    "G": "01110 10001 10000 10111 10001 10001 01111",
    "H": "10001 10001 10001 11111 10001 10001 10001",
    "I": "01110 00100 00100 00100 00100 00100 01110",
    "J": "00111 00010 00010 00010 00010 10010 01100",
    "K": "10001 10010 10100 11000 10100 10010 10001",
    "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001",
    "N": "10001 10001 11001 10101 10011 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110",
    "P": "11110 10001 10001 11110 10000 10000 10000",
    "Q": "01110 10001 10001 10001 10101 10010 01101",
    "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110",
    "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110",
    "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010",
    "X": "10001 10001 01010 00100 01010 10001 10001",
    "Y": "10001 10001 01010 00100 00100 00100 00100",
    "Z": "11111 00001 00010 00100 01000 10000 11111",
    "0": "01110 10001 10011 10101 11001 10001 01110",
    "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111",
    "3": "11111 00010 00100 00010 00001 10001 01110",
    "4": "00010 00110 01010 10010 11111 00010 00010",
    "5": "11111 10000 11110 00001 00001 10001 01110",
    "6": "00110 01000 10000 11110 10001 10001 01110",
    "7": "11111 00001 00010 00100 01000 01000 01000",
    "8": "01110 10001 10001 01110 10001 10001 01110",
    "9": "01110 10001 10001 01111 00001 00010 01100",
    "-": "00000 00000 00000 11111 00000 00000 00000",
    ".": "00000 00000 00000 00000 00000 01100 01100",
    "/": "00001 00010 00010 00100 01000 01000 10000",
    " ": "00000 00000 00000 00000 00000 00000 00000",
}


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, width, height, colour_type, bit_depth, rows, palette=None):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0))
    if palette:
        data += png_chunk(b"PLTE", b"".join(struct.pack("BBB", *c) for c in palette))
    data += png_chunk(b"IDAT", zlib.compress(raw, 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(data)
    print("wrote", os.path.relpath(path), f"{width}x{height}")


class Canvas:
    """Pixels of any kind (palette indices or RGBA tuples) with a few drawing tools."""

    def __init__(self, width, height, fill):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def dot(self, x, y, value):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = value

    def rect(self, x0, y0, x1, y1, value):
        for y in range(max(0, y0), min(self.h, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.w, x1)):
                row[x] = value

    def frame(self, x0, y0, x1, y1, thickness, value):
        self.rect(x0, y0, x1, y0 + thickness, value)
        self.rect(x0, y1 - thickness, x1, y1, value)
        self.rect(x0, y0, x0 + thickness, y1, value)
        self.rect(x1 - thickness, y0, x1, y1, value)

    def disc(self, cx, cy, r, value, inner=0):
        for y in range(int(cy - r), int(cy + r) + 1):
            for x in range(int(cx - r), int(cx + r) + 1):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if inner * inner <= d2 <= r * r:
                    self.dot(x, y, value)

    def line(self, x0, y0, x1, y1, width, value):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        half = width / 2
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            self.rect(int(x - half + 0.5), int(y - half + 0.5), int(x + half + 0.5),
                      int(y + half + 0.5), value)

    def text(self, x, y, words, scale, value, shadow=None):
        if shadow is not None:
            self.text(x + max(1, scale // 2), y + max(1, scale // 2), words, scale, shadow)
        for ch in words:
            rows = FONT[ch].split()
            for j, bits in enumerate(rows):
                for i, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + i * scale, y + j * scale, x + (i + 1) * scale,
                                  y + (j + 1) * scale, value)
            x += 6 * scale

    @staticmethod
    def text_width(words, scale):
        return len(words) * 6 * scale - scale


# ---- KX_LOGO: 16 colours ----------------------------------------------------------------------

LOGO_PALETTE = [
    (0, 0, 0), (0, 0, 128), (16, 32, 96), (32, 64, 160), (64, 112, 208), (0, 176, 224),
    (255, 255, 255), (128, 128, 128), (64, 64, 64), (224, 32, 32), (240, 144, 0),
    (255, 208, 64), (0, 176, 80), (0, 96, 48), (192, 192, 192), (96, 128, 160),
]
BLACK, NAVY, DEEP, BLUE, SKY, CYAN, WHITE, GREY, DARK, RED, AMBER, GOLD, GREEN, FOREST, SILVER, STEEL = range(16)


def draw_logo():
    c = Canvas(350, 350, BLACK)
    cx, cy = 175, 195
    c.disc(cx, cy, 150, DEEP)
    c.disc(cx, cy, 150, BLUE, inner=138)
    c.disc(cx, cy, 134, STEEL, inner=131)
    # The two buses run through the mark, each with a stub down to a terminal.
    for y, colour in ((128, AMBER), (146, CYAN)):
        c.line(40, y, 310, y, 5, colour)
    for x in (90, 175, 260):
        c.line(x, 128, x, 166, 3, AMBER)
        c.line(x + 8, 146, x + 8, 166, 3, CYAN)
        c.rect(x - 12, 166, x + 20, 180, SILVER)
        c.frame(x - 12, 166, x + 20, 180, 2, GREY)
    word = "XARN"
    scale = 11
    c.text(cx - Canvas.text_width(word, scale) // 2, 196, word, scale, WHITE, shadow=NAVY)
    tag = "TRAVINE-BUS"
    c.text(cx - Canvas.text_width(tag, 3) // 2, 290, tag, 3, GOLD)
    small = "SIMULATION STATION"
    c.text(cx - Canvas.text_width(small, 2) // 2, 318, small, 2, SILVER)
    rows = []
    for row in c.px:
        rows.append(bytes((row[i] << 4) | row[i + 1] for i in range(0, 350, 2)))
    write_png(os.path.join(OUT, "KX_LOGO.png"), 350, 350, 3, 4, rows, LOGO_PALETTE)


# ---- XARN: 256 colours -------------------------------------------------------------------------

def ramp(a, b, n):
    return [tuple(round(a[k] + (b[k] - a[k]) * i / (n - 1)) for k in range(3)) for i in range(n)]


SKY_RAMP = ramp((6, 14, 40), (10, 48, 72), 96)          # 0..95: the background
BOX_RAMP = ramp((200, 212, 228), (120, 140, 170), 48)   # 96..143: the boxes
AMBER_RAMP = ramp((255, 200, 60), (200, 110, 0), 16)    # 144..159: bus A
CYAN_RAMP = ramp((120, 240, 255), (0, 140, 200), 16)    # 160..175: bus B
GREY_RAMP = ramp((255, 255, 255), (40, 40, 40), 64)     # 176..239: text and lines
EXTRA = [(24, 64, 104), (40, 90, 140), (230, 60, 60), (60, 200, 110)] + [(0, 0, 0)] * 12
XARN_PALETTE = SKY_RAMP + BOX_RAMP + AMBER_RAMP + CYAN_RAMP + GREY_RAMP + EXTRA
assert len(XARN_PALETTE) == 256
SKY0, BOX0, AMBER0, CYAN0, GREY0, EXTRA0 = 0, 96, 144, 160, 176, 240
GRID, ALERT = EXTRA0, EXTRA0 + 2
TEXT, INK, SHADE = GREY0, GREY0 + 56, GREY0 + 30

BUS_A_Y, BUS_B_Y = 150, 176


def node(c, x, y, w, h, title, subtitle, joins_below):
    """A box on the bus: shaded face, a title, a line under it, and stubs to both buses."""
    for j in range(h):
        c.rect(x, y + j, x + w, y + j + 1, BOX0 + j * 47 // max(1, h - 1))
    c.frame(x, y, x + w, y + h, 2, INK)
    c.text(x + (w - Canvas.text_width(title, 3)) // 2, y + 10, title, 3, INK)
    c.text(x + (w - Canvas.text_width(subtitle, 1)) // 2, y + h - 16, subtitle, 1, INK)
    # Stubs: A on the left, B on the right, each through its coupler (a small ring).
    edge = y if joins_below else y + h
    for sx, bus_y, ramp0 in ((x + w // 3, BUS_A_Y, AMBER0), (x + 2 * w // 3, BUS_B_Y, CYAN0)):
        c.line(sx, bus_y, sx, edge, 3, ramp0 + 4)
        coupler = edge - 12 if joins_below else edge + 12
        c.disc(sx, coupler, 6, ramp0 + 2)
        c.disc(sx, coupler, 3, SKY0)
        c.disc(sx, bus_y, 4, ramp0)


def draw_xarn():
    c = Canvas(600, 600, SKY0)
    for y in range(600):
        c.rect(0, y, 600, y + 1, SKY0 + y * 95 // 599)
    for g in range(0, 600, 25):
        c.rect(g, 0, g + 1, 600, GRID)
        c.rect(0, g, 600, g + 1, GRID)
    c.text(20, 16, "TRAVINE-BUS", 3, TEXT)
    c.text(20, 44, "DUAL REDUNDANT", 2, SHADE)
    # The two buses, with their terminations at both ends.
    for y, ramp0, label in ((BUS_A_Y, AMBER0, "BUS A"), (BUS_B_Y, CYAN0, "BUS B")):
        c.line(14, y, 586, y, 6, ramp0)
        c.rect(6, y - 7, 14, y + 8, ramp0 + 10)
        c.rect(586, y - 7, 594, y + 8, ramp0 + 10)
        c.text(22, y - 16, label, 1, ramp0)
    node(c, 200, 60, 130, 62, "BM", "BUS MONITOR", joins_below=False)
    node(c, 24, 212, 130, 78, "BC", "BUS CONTROLLER", joins_below=True)
    node(c, 186, 212, 130, 78, "RT 1", "REMOTE TERMINAL", joins_below=True)
    node(c, 362, 212, 104, 78, "RT 2", "REMOTE TERMINAL", joins_below=True)
    node(c, 478, 212, 106, 78, "RT 31", "REMOTE TERMINAL", joins_below=True)
    node(c, 400, 60, 140, 62, "MDM", "MULTIPLEXER", joins_below=False)
    # A legend below: which way the words travel.
    c.line(24, 318, 54, 318, 6, AMBER0)
    c.text(62, 312, "BUS A", 2, AMBER0)
    c.line(150, 318, 180, 318, 6, CYAN0)
    c.text(188, 312, "BUS B", 2, CYAN0)
    c.text(24, 380, "ONE CONTROLLER. UP TO 31 TERMINALS.", 2, SHADE)
    c.text(24, 404, "EVERY WORD ON BOTH BUSES IS SEEN BY THE MONITOR.", 1, SHADE)
    c.text(24, 560, "XARN SIMULATION STATION", 2, TEXT)
    c.disc(560, 566, 8, ALERT)
    write_png(os.path.join(OUT, "XARN.png"), 600, 600, 3, 8, [bytes(r) for r in c.px],
              XARN_PALETTE)


# ---- Icon and cursor: RGBA --------------------------------------------------------------------

def rgba_rows(c):
    return [b"".join(struct.pack("BBBB", *p) for p in row) for row in c.px]


def draw_icon():
    clear = (0, 0, 0, 0)
    c = Canvas(48, 48, clear)
    navy, white = (0, 0, 128, 255), (255, 255, 255, 255)
    c.rect(4, 2, 44, 46, navy)
    c.rect(2, 4, 46, 44, navy)
    for x, y in ((4, 4), (43, 4), (4, 43), (43, 43)):
        c.disc(x, y, 2, navy)
    c.line(10, 30, 38, 30, 3, (255, 200, 60, 255))
    c.line(10, 36, 38, 36, 3, (120, 240, 255, 255))
    c.line(14, 8, 34, 26, 5, white)
    c.line(34, 8, 14, 26, 5, white)
    write_png(os.path.join(OUT, "TRAVINE.png"), 48, 48, 6, 8, rgba_rows(c))


def draw_cursor():
    clear, black, white = (0, 0, 0, 0), (0, 0, 0, 255), (255, 255, 255, 255)
    c = Canvas(32, 32, clear)
    for colour, width in ((black, 3), (white, 1)):
        c.line(15, 1, 15, 11, width, colour)
        c.line(15, 19, 15, 29, width, colour)
        c.line(1, 15, 11, 15, width, colour)
        c.line(19, 15, 29, 15, width, colour)
    c.disc(15, 15, 5, black, inner=3)
    c.disc(15, 15, 4.4, white, inner=3.6)
    c.dot(15, 15, white)
    write_png(os.path.join(OUT, "VANTOLE.png"), 32, 32, 6, 8, rgba_rows(c))


def main():
    os.makedirs(OUT, exist_ok=True)
    draw_logo()
    draw_xarn()
    draw_icon()
    draw_cursor()
    return 0


if __name__ == "__main__":
    sys.exit(main())
