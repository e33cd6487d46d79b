#!/usr/bin/env python3
"""Draws the catalogue client's icons and bitmaps as simple pixel art.

Writes the icons and the rebar background of ResourceDll.dll into this folder
and the two toolbar bitmaps of Farrowick into ../Farrowick. Run it again after
changing a picture; the files it writes are kept in the repository.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1):
            self.put(x, y0, c)
            self.put(x, y1 - 1, c)
        for y in range(y0, y1):
            self.put(x0, y, c)
            self.put(x1 - 1, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r, width, c):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - width <= d <= r:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, width, c):
        n = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(n + 1):
            t = i / n
            self.disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, c)

    def half(self):
        """Box-filtered to half size, colour weighted by alpha."""
        out = Canvas(self.w // 2, self.h // 2)
        for y in range(out.h):
            for x in range(out.w):
                ps = [self.px[2 * y + j][2 * x + i] for j in (0, 1) for i in (0, 1)]
                a = sum(p[3] for p in ps)
                if a == 0:
                    continue
                rgb = tuple(sum(p[k] * p[3] for p in ps) // a for k in range(3))
                out.px[y][x] = rgb + ((a + 2) // 4,)
        return out


INK = (40, 50, 70, 255)
WHITE = (255, 255, 255, 255)
YELLOW = (240, 200, 70, 255)
DARK_YELLOW = (190, 140, 30, 255)
BLUE = (60, 110, 200, 255)
LIGHT_BLUE = (150, 190, 240, 255)
GREEN = (40, 160, 70, 255)
RED = (210, 50, 40, 255)
PINK = (220, 120, 170, 255)
PURPLE = (130, 70, 160, 255)
GREY = (150, 150, 160, 255)


def library():
    c = Canvas(32, 32)
    for i, col in enumerate([(180, 60, 60, 255), BLUE, GREEN, PURPLE]):
        x = 4 + i * 6
        c.rect(x, 6 + (i % 2) * 2, x + 5, 27, col)
        c.frame(x, 6 + (i % 2) * 2, x + 5, 27, INK)
        c.rect(x + 1, 10 + (i % 2) * 2, x + 4, 12 + (i % 2) * 2, WHITE)
    c.rect(2, 27, 30, 30, DARK_YELLOW)
    return c


def folder(open_):
    c = Canvas(32, 32)
    c.rect(3, 7, 13, 11, DARK_YELLOW)
    c.rect(3, 10, 29, 26, DARK_YELLOW)
    if open_:
        for y in range(14, 27):
            shift = (26 - y) // 3
            c.rect(6 - shift + 3, y, 31 - shift, y + 1, YELLOW)
        c.rect(8, 12, 26, 15, WHITE)
    else:
        c.rect(3, 12, 29, 26, YELLOW)
    c.frame(3, 10, 29, 26, INK)
    return c


def info():
    c = Canvas(32, 32)
    c.disc(16, 16, 14, BLUE)
    c.ring(16, 16, 14, 1.5, INK)
    c.disc(16, 9, 2.5, WHITE)
    c.rect(14, 13, 18, 25, WHITE)
    return c


def link(connected):
    c = Canvas(32, 32)
    col = GREEN if connected else RED
    if connected:
        c.ring(11, 16, 7, 3, col)
        c.ring(21, 16, 7, 3, col)
    else:
        c.ring(8, 16, 6, 3, col)
        c.ring(24, 16, 6, 3, col)
        c.line(14, 9, 18, 23, 2, INK)
    return c


def help_():
    c = Canvas(32, 32)
    c.disc(16, 16, 14, (90, 150, 90, 255))
    c.ring(16, 16, 14, 1.5, INK)
    c.ring(16, 12, 6, 3, WHITE)
    c.rect(8, 12, 16, 20, (90, 150, 90, 255))
    c.rect(14, 17, 18, 22, WHITE)
    c.disc(16, 25.5, 2, WHITE)
    return c


def menu_bars():
    c = Canvas(32, 32)
    c.rect(3, 4, 29, 28, WHITE)
    c.frame(3, 4, 29, 28, INK)
    c.rect(3, 4, 29, 9, BLUE)
    for y in (12, 17, 22):
        c.rect(7, y, 25, y + 2, GREY)
    return c


def report():
    c = Canvas(32, 32)
    c.rect(3, 4, 29, 28, WHITE)
    c.frame(3, 4, 29, 28, INK)
    c.rect(4, 5, 28, 9, LIGHT_BLUE)
    for y in (9, 14, 19, 24):
        c.rect(4, y, 28, y + 1, GREY)
    c.rect(12, 5, 13, 27, GREY)
    return c


def slide():
    c = Canvas(32, 32)
    c.rect(2, 9, 30, 23, (225, 235, 245, 255))
    c.frame(2, 9, 30, 23, INK)
    c.rect(3, 10, 9, 22, WHITE)
    c.disc(19, 16, 5.5, PINK)
    c.disc(17, 15, 1.5, PURPLE)
    c.disc(21, 17, 1.5, PURPLE)
    return c


def thumbs():
    c = Canvas(32, 32)
    for j in range(2):
        for i in range(2):
            x, y = 3 + i * 14, 3 + j * 14
            c.rect(x, y, x + 12, y + 12, LIGHT_BLUE)
            c.frame(x, y, x + 12, y + 12, INK)
            c.disc(x + 6, y + 6, 3, PINK)
    return c


def gradient(w, h, top, bottom):
    c = Canvas(w, h)
    for y in range(h):
        t = y / max(1, h - 1)
        col = tuple(int(top[k] + (bottom[k] - top[k]) * t) for k in range(3)) + (255,)
        c.rect(0, y, w, y + 1, col)
    return c


def dib(c, bits, with_alpha):
    """BITMAPINFOHEADER and bottom-up rows (24 or 32 bits)."""
    rows = []
    for y in reversed(range(c.h)):
        row = bytearray()
        for x in range(c.w):
            r, g, b, a = c.px[y][x]
            row += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    height = c.h * 2 if with_alpha else c.h
    header = struct.pack('<IiiHHIIiiII', 40, c.w, height, 1, bits, 0, 0, 0, 0, 0, 0)
    return header, b''.join(rows)


def icon_image(c):
    header, pixels = dib(c, 32, True)
    mask = bytearray()
    for y in reversed(range(c.h)):
        bits = 0
        row = bytearray()
        for x in range(c.w):
            bits = (bits << 1) | (1 if c.px[y][x][3] < 128 else 0)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        while len(row) % 4:
            row.append(0)
        mask += row
    return header + pixels + bytes(mask)


def write_icon(path, big):
    images = [big, big.half()]
    data = [icon_image(c) for c in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, d in zip(images, data):
        out += struct.pack('<BBBBHHII', c.w, c.h, 0, 0, 1, 32, len(d), offset)
        offset += len(d)
    with open(path, 'wb') as f:
        f.write(out + b''.join(data))


def write_bmp(path, c):
    header, pixels = dib(c, 24, False)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    with open(path, 'wb') as f:
        f.write(file_header + header + pixels)


def strip(pictures):
    """Pictures side by side on the toolbar's grey."""
    size = pictures[0].w
    out = Canvas(size * len(pictures), size, (192, 192, 192, 255))
    for i, p in enumerate(pictures):
        for y in range(size):
            for x in range(size):
                px = p.px[y][x]
                if px[3] >= 128:
                    out.put(i * size + x, y, px)
    return out


def main():
    icons = {102: library(), 103: folder(False), 121: folder(True), 107: info(), 108: link(True),
             109: link(False), 112: help_(), 113: menu_bars(), 115: report(), 116: slide(), 119: thumbs()}
    for number, picture in icons.items():
        write_icon(os.path.join(HERE, 'icon%d.ico' % number), picture)
    write_bmp(os.path.join(HERE, 'rebar122.bmp'), gradient(64, 96, (236, 242, 250), (176, 196, 222)))
    # Toolbar 130 in the order of its buttons; the image list from the library replaces it when loaded.
    order = [icons[n].half() for n in (116, 119, 115, 113, 107, 112)]
    farrowick = os.path.join(HERE, '..', 'Farrowick')
    write_bmp(os.path.join(farrowick, 'Toolbar130.bmp'), strip(order))
    write_bmp(os.path.join(farrowick, 'Toolbar132.bmp'), strip([icons[109]]))


if __name__ == '__main__':
    main()
