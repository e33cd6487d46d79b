#!/usr/bin/env python3
"""Redraws MainFrameToolbar.bmp: the first thirteen pictures as they were
drawn by hand, with the objective shortcuts and the annotation tool box
drawn here and put in the toolbar's button order.

    python3 draw_toolbar.py   (rewrites MainFrameToolbar.bmp beside it)
"""
import os
import struct

W, H = 16, 15
GREY = (0xC0, 0xC0, 0xC0)
HERE = os.path.dirname(os.path.abspath(__file__))
PATH = os.path.join(HERE, "MainFrameToolbar.bmp")
# Pictures of the first drawing, in its order.
HAND_DRAWN = 13

DIGITS = {
    "0": ["111", "101", "101", "101", "111"],
    "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"],
    "4": ["101", "101", "111", "001", "001"],
    "X": ["101", "101", "010", "101", "101"],
}


def read_bmp(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row_index = abs(height) - 1 - y if height > 0 else y
        start = offset + row_index * stride
        rows.append([tuple(data[start + 3 * x + 2 - c] for c in range(3)) for x in range(width)])
    return rows


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 0, 0, 0, 0)
    open(path, "wb").write(header + info + body)


def blank():
    return [[GREY] * W for _ in range(H)]


def objective(text):
    """The magnification in a small font over an objective's barrel."""
    img = blank()
    barrel, ring = (0x40, 0x40, 0x40), (0xD0, 0x90, 0x10)
    for x in range(2, 14):
        img[0][x] = img[8][x] = barrel
    for y in range(0, 9):
        img[y][2] = img[y][13] = barrel
    for x in range(3, 13):
        for y in range(1, 8):
            img[y][x] = (0xE8, 0xE8, 0xE8)
        img[9][x] = ring
    for y in range(10, 14):
        for x in range(5 + (y - 10) // 2, 11 - (y - 10) // 2):
            img[y][x] = barrel
    glyphs = [DIGITS[c] for c in text]
    width = 3 * len(glyphs) + len(glyphs) - 1
    # Three digits do not fit inside the barrel: they overlap its sides.
    x0 = (W - width) // 2
    for i, glyph in enumerate(glyphs):
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == "1":
                    img[2 + gy][x0 + 4 * i + gx] = (0x10, 0x20, 0xA0)
    return img


def tool_box():
    """A pencil over a note: the annotation tool box."""
    img = blank()
    for y in range(3, 14):
        for x in range(1, 11):
            edge = y in (3, 13) or x in (1, 10)
            img[y][x] = (0, 0, 0) if edge else (0xFF, 0xFF, 0xE0)
    for y in (6, 8, 10):
        for x in range(3, 8):
            img[y][x] = (0x40, 0x40, 0x40)
    for i in range(9):
        x, y = 6 + i, 12 - i
        if 0 <= y < H and x < W:
            img[y][x] = (0xE0, 0xA0, 0x20)
            if x + 1 < W:
                img[y][x + 1] = (0x80, 0x50, 0x10)
    img[13][5] = img[12][5] = (0, 0, 0)
    return img


def main():
    rows = read_bmp(PATH)
    count = len(rows[0]) // W
    every = [[row[i * W:(i + 1) * W] for row in rows] for i in range(count)]
    # The first drawing, or a bitmap this script already wrote.
    pictures = every if count == HAND_DRAWN else every[:9] + every[14:15] + every[16:19]
    shortcuts = [objective(t) for t in ("4X", "10X", "20X", "40X", "100")]
    # Button order: ... objective list, the five shortcuts, annotation list,
    # tool box, measuring, snapshot, report.
    order = pictures[:9] + shortcuts + pictures[9:10] + [tool_box()] + pictures[10:13]
    out = [sum((p[y] for p in order), []) for y in range(H)]
    write_bmp(PATH, out)


if __name__ == "__main__":
    main()
