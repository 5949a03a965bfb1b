#!/usr/bin/env python3
"""Converts an X window dump (xwd -out) of a TrueColor window to PNG.

Usage: xwd2png.py INPUT.xwd OUTPUT.png

Standard library only. Handles 24 and 32 bits per pixel in either byte
order (Xvfb at depth 24 writes one or the other), the colour masks of the
header, and rows padded to bytes_per_line.
"""
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    (header_size, _version, _format, _depth, width, height, _xoffset, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, visual_class,
     red_mask, green_mask, blue_mask, _bits_per_rgb, _entries, ncolors,
     *_rest) = fields
    if visual_class not in (4, 5):  # TrueColor, DirectColor
        raise SystemExit(f"unsupported visual class {visual_class}")
    if bits_per_pixel not in (24, 32):
        raise SystemExit(f"unsupported bits per pixel {bits_per_pixel}")
    start = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def channel(mask):
        shift = (mask & -mask).bit_length() - 1
        top = mask >> shift
        return shift, top

    channels = [channel(m) for m in (red_mask, green_mask, blue_mask)]
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        row = bytearray()
        for x in range(0, width * step, step):
            pixel = int.from_bytes(line[x:x + step], order)
            for shift, top in channels:
                row.append(((pixel >> shift) & top) * 255 // top)
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    width, height, rows = read_xwd(sys.argv[1])
    write_png(sys.argv[2], width, height, rows)


if __name__ == "__main__":
    main()
