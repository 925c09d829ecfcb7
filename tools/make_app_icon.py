#!/usr/bin/env python3
"""Write the installer's Windows application icon (.ico) from its PNG artwork.

Usage: make_app_icon.py OUT.ico ICON_16.png ICON_32.png ICON_48.png ICON_256.png

The 16, 32 and 48 pixel images become 32-bit BGRA DIBs with an AND mask, which
every Windows version draws; the 256 pixel image is stored as the PNG itself,
as Windows Vista and later expect for that size. Standard library only.
"""

import struct
import sys
import zlib


def read_png_rgba(path):
    """Decode an 8-bit RGBA, non-interlaced PNG into (size, rows of RGBA bytes)."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind = data[pos + 4 : pos + 8]
        body = data[pos + 8 : pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0) or width != height:
        raise ValueError(f"{path}: needs a square 8-bit RGBA PNG without interlacing")

    raw = zlib.decompress(idat)
    stride = width * 4
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1 : start + 1 + stride])
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = previous[x]
            c = previous[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + b) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[x] = (line[x] + predictor) & 0xFF
            elif kind != 0:
                raise ValueError(f"{path}: bad filter {kind}")
        rows.append(bytes(line))
        previous = line
    return width, rows


def dib_image(size, rows):
    """Icon DIB: BITMAPINFOHEADER (height doubled for the mask), bottom-up BGRA, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_stride = ((size + 7) // 8 + 3) // 4 * 4
    pixels, mask = bytearray(), bytearray()
    for row in reversed(rows):
        mask_row = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = row[x * 4 : x * 4 + 4]
            pixels += bytes((b, g, r, a))
            if a == 0:  # renderers that ignore alpha still get the outline
                mask_row[x // 8] |= 0x80 >> (x % 8)
        mask += mask_row
    return header + bytes(pixels) + bytes(mask)


def main(argv):
    if len(argv) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    out, pngs = argv[1], argv[2:]
    images = []
    for expected, path in zip((16, 32, 48), pngs[:3]):
        size, rows = read_png_rgba(path)
        if size != expected:
            raise ValueError(f"{path}: {size} px, expected {expected}")
        images.append((size, dib_image(size, rows)))
    size, _ = read_png_rgba(pngs[3])
    if size != 256:
        raise ValueError(f"{pngs[3]}: {size} px, expected 256")
    images.append((256, open(pngs[3], "rb").read()))

    header_size = 6 + 16 * len(images)
    ico = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = header_size
    for size, data in images:
        ico += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        ico += data
    with open(out, "wb") as f:
        f.write(ico)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
