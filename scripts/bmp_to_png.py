#!/usr/bin/env python3
"""Writes a 24-bit uncompressed BMP's pixels as a PNG file (lossless, the same texels), with
Python alone: the browser build packs the colour map this way.
    scripts/bmp_to_png.py IN.bmp OUT"""
import struct
import sys
import zlib

data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
if data[:2] != b"BM" or bits != 24:
    sys.exit("bmp_to_png.py: %s is not a 24-bit BMP" % sys.argv[1])
row = (width * 3 + 3) // 4 * 4
rows = []
for y in range(abs(height)):
    source = height - 1 - y if height > 0 else y  # PNG rows run from the top
    line = data[offset + source * row: offset + source * row + width * 3]
    rgb = bytearray(line)
    rgb[0::3], rgb[2::3] = line[2::3], line[0::3]  # blue, green, red to red, green, blue
    rows.append(b"\0" + bytes(rgb))


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


with open(sys.argv[2], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n")
    out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0)))
    out.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 9)))
    out.write(chunk(b"IEND", b""))
