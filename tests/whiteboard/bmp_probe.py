#!/usr/bin/env python3
"""Reads a .bmp file without any image library and prints what it holds:
'<width> <height> <bits> <hex RGB of the top-left pixel> <hex RGB of the
bottom-right pixel>'. Exits 1 when the file is not an uncompressed 24- or
32-bit BMP whose rows fit the file."""
import struct
import sys


def main(path):
    data = open(path, "rb").read()
    if len(data) < 54 or data[:2] != b"BM":
        return 1
    offset = struct.unpack_from("<I", data, 10)[0]
    header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header < 40 or planes != 1 or bits not in (24, 32) or compression != 0 or width <= 0 or height == 0:
        return 1
    rows = abs(height)
    stride = (width * bits // 8 + 3) & ~3
    if offset + stride * rows > len(data):
        return 1

    def pixel(x, y):  # y counted from the top
        row = rows - 1 - y if height > 0 else y
        at = offset + row * stride + x * (bits // 8)
        b, g, r = data[at], data[at + 1], data[at + 2]
        return "%02x%02x%02x" % (r, g, b)

    print(width, rows, bits, pixel(0, 0), pixel(width - 1, rows - 1))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
