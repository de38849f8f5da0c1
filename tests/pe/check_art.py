#!/usr/bin/env python3
"""Checks the committed pictures against what the main window relies on.

usage: check_art.py BANNER_PNG ICON_ICO

The banner must be 980 x 46, 8-bit RGBA, fully opaque, black lettering on
white with every non-white pixel inside columns 17..327 and rows 5..43 (the
part the picture box shows). The icon must hold one 32 x 32 image at 32 bits.
"""
import struct
import sys
import zlib

WIDTH, HEIGHT = 980, 46
INK_COLUMNS, INK_ROWS = range(17, 328), range(5, 44)


def png_rgba_rows(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    off, header, idat = 8, None, b""
    while off + 8 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, off)
        body = data[off + 8:off + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        off += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError(f"bit depth {depth}, colour type {colour}, interlace {interlace}: wanted 8-bit RGBA")
    raw = zlib.decompress(idat)
    stride, bpp = width * 4, 4
    rows, prev = [], bytearray(stride)
    for y in range(height):
        filt, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if filt == 1:
                line[i] = (line[i] + a) & 255
            elif filt == 2:
                line[i] = (line[i] + b) & 255
            elif filt == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif filt == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, rows


def check_banner(path, problems):
    width, height, rows = png_rgba_rows(open(path, "rb").read())
    if (width, height) != (WIDTH, HEIGHT):
        problems.append(f"banner is {width}x{height}, wanted {WIDTH}x{HEIGHT}")
        return
    darkest = 255
    for y, row in enumerate(rows):
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            if a != 255:
                problems.append(f"banner pixel ({x},{y}) has alpha {a}")
                return
            if (r, g, b) != (255, 255, 255):
                if x not in INK_COLUMNS or y not in INK_ROWS:
                    problems.append(f"banner pixel ({x},{y}) is not white but outside the lettering area")
                    return
                if not r == g == b:
                    problems.append(f"banner pixel ({x},{y}) is not grey: {(r, g, b)}")
                    return
                darkest = min(darkest, r)
    if darkest != 0:
        problems.append("banner has no black lettering")


def check_icon(path, problems):
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind, count) != (0, 1, 1):
        problems.append(f"icon header {reserved},{kind},{count}: wanted one icon image")
        return
    w, h, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    header_size, bmp_w, bmp_h, _, bmp_bits = struct.unpack_from("<IiiHH", data, offset)
    if (w, h, bits) != (32, 32, 32) or (header_size, bmp_w, bmp_h, bmp_bits) != (40, 32, 64, 32):
        problems.append(f"icon image {w}x{h}x{bits} (bitmap {bmp_w}x{bmp_h}x{bmp_bits}), wanted 32x32 at 32 bits")
    if offset + size != len(data):
        problems.append("icon image does not end where the file does")


def main():
    problems = []
    check_banner(sys.argv[1], problems)
    check_icon(sys.argv[2], problems)
    for p in problems:
        print(p)
    if not problems:
        print("banner and icon are as the main window needs them")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
