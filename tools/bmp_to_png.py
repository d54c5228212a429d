#!/usr/bin/env python3
"""Converts 24-bit BMP files (as the screenshot program writes them) to PNG.

Usage: bmp_to_png.py IN.bmp OUT.png [IN.bmp OUT.png ...]
Only the standard library: the pixels are read row by row and written as an
RGB PNG with zlib compression.
"""
import struct
import sys
import zlib


def convert(src, dst):
    data = open(src, "rb").read()
    if data[:2] != b"BM":
        raise SystemExit(f"{src}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise SystemExit(f"{src}: {bits}-bit BMP, expected 24-bit")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        # Rows are stored bottom-up when the height is positive.
        source_row = abs(height) - 1 - y if height > 0 else y
        start = offset + source_row * stride
        bgr = data[start:start + width * 3]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(b"\x00" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    open(dst, "wb").write(png)


if __name__ == "__main__":
    args = sys.argv[1:]
    if not args or len(args) % 2:
        raise SystemExit(__doc__)
    for i in range(0, len(args), 2):
        convert(args[i], args[i + 1])
