#!/usr/bin/env python3
"""Packs rendered RGBA PNG images into a Windows .ico file with exact bit depths.

Usage:
  pack_ico.py OUT.ico SPEC...   each SPEC is PNG:BITS, BITS being 8, 32 or 32png
  pack_ico.py --png IN.png OUT.png   rewrite a PNG as plain 8-bit RGBA without extra chunks

Only the standard library is used, so the icons can be rebuilt anywhere python3 runs.
"""

import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def read_png(path):
    """Returns (width, height, rgba bytes) of a non-interlaced 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != PNG_SIGNATURE:
        raise ValueError(f"{path}: not a PNG")
    pos = 8
    idat = b""
    header = None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if len(body) != length:
            raise ValueError(f"{path}: truncated chunk")
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        raise ValueError(f"{path}: no IHDR")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"{path}: only 8-bit RGB/RGBA non-interlaced PNGs are handled")
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(idat)
    if len(raw) != height * (stride + 1):
        raise ValueError(f"{path}: wrong image data size")
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1 : start + 1 + stride])
        unfilter_row(kind, row, previous, channels)
        rows.append(row)
        previous = row
    pixels = bytearray()
    for row in rows:
        if channels == 4:
            pixels += row
        else:
            for x in range(width):
                pixels += row[x * 3 : x * 3 + 3] + b"\xff"
    return width, height, bytes(pixels)


def unfilter_row(kind, row, previous, bpp):
    for i in range(len(row)):
        left = row[i - bpp] if i >= bpp else 0
        up = previous[i]
        upper_left = previous[i - bpp] if i >= bpp else 0
        if kind == 0:
            predictor = 0
        elif kind == 1:
            predictor = left
        elif kind == 2:
            predictor = up
        elif kind == 3:
            predictor = (left + up) // 2
        elif kind == 4:
            p = left + up - upper_left
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
            predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else upper_left)
        else:
            raise ValueError(f"unknown PNG filter {kind}")
        row[i] = (row[i] + predictor) & 0xFF


def encode_png(width, height, rgba):
    """A minimal RGBA PNG: IHDR, one IDAT, IEND; the 'up' filter keeps it small and deterministic."""

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    stride = width * 4
    raw = bytearray()
    previous = bytes(stride)
    for y in range(height):
        row = rgba[y * stride : (y + 1) * stride]
        raw.append(2)
        raw += bytes((row[i] - previous[i]) & 0xFF for i in range(stride))
        previous = row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (
        PNG_SIGNATURE
        + chunk(b"IHDR", header)
        + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + chunk(b"IEND", b"")
    )


def and_mask(width, height, transparent):
    """1-bit mask, bottom-up, rows padded to 32 bits; a set bit lets the screen show through."""
    row_bytes = ((width + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(height)):
        row = bytearray(row_bytes)
        for x in range(width):
            if transparent(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return bytes(mask)


def bitmap_header(width, height, bits, image_size):
    # The height counts the colour rows and the mask rows together.
    return struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, image_size, 0, 0, 0, 0)


def entry_32bpp(width, height, rgba):
    xor = bytearray()
    for y in reversed(range(height)):
        for x in range(width):
            r, g, b, a = rgba[(y * width + x) * 4 : (y * width + x) * 4 + 4]
            xor += bytes((b, g, r, a))
    mask = and_mask(width, height, lambda x, y: rgba[(y * width + x) * 4 + 3] == 0)
    return bitmap_header(width, height, 32, len(xor) + len(mask)) + bytes(xor) + mask


def median_cut(colours, count):
    """Reduces a list of (r, g, b) to at most `count` representative colours."""
    boxes = [list(colours)]
    while len(boxes) < count:
        boxes.sort(key=lambda box: max(max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)))
        box = boxes.pop()
        spread = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
        if len(box) < 2 or max(spread) == 0:
            boxes.append(box)
            break
        channel = spread.index(max(spread))
        box.sort(key=lambda c: c[channel])
        middle = len(box) // 2
        boxes += [box[:middle], box[middle:]]
    return [tuple(sum(c[i] for c in box) // len(box) for i in range(3)) for box in boxes if box]


def entry_8bpp(width, height, rgba):
    """A 256-colour palette image; pixels under half opacity become transparent through the mask."""

    def opaque(x, y):
        return rgba[(y * width + x) * 4 + 3] >= 128

    def colour(x, y):
        i = (y * width + x) * 4
        return tuple(rgba[i : i + 3])

    used = [colour(x, y) for y in range(height) for x in range(width) if opaque(x, y)]
    distinct = sorted(set(used))
    # Index 0 stays black: transparent pixels need black in the colour image so that the screen shows unchanged.
    palette = distinct if len(distinct) <= 255 else median_cut(used, 255)
    palette = [(0, 0, 0)] + palette
    palette += [(0, 0, 0)] * (256 - len(palette))
    nearest = {}

    def index_of(c):
        if c not in nearest:
            nearest[c] = min(
                range(1, 256),
                key=lambda i: sum((c[k] - palette[i][k]) ** 2 for k in range(3)),
            )
        return nearest[c]

    row_bytes = (width + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(height)):
        row = bytearray(row_bytes)
        for x in range(width):
            row[x] = index_of(colour(x, y)) if opaque(x, y) else 0
        pixels += row
    mask = and_mask(width, height, lambda x, y: not opaque(x, y))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return bitmap_header(width, height, 8, len(pixels) + len(mask)) + table + bytes(pixels) + mask


def pack_ico(out_path, specs):
    entries = []
    for spec in specs:
        path, _, kind = spec.rpartition(":")
        width, height, rgba = read_png(path)
        if width > 256 or height > 256:
            raise ValueError(f"{path}: icons are at most 256 px")
        if kind == "32":
            entries.append((width, height, 32, entry_32bpp(width, height, rgba)))
        elif kind == "32png":
            entries.append((width, height, 32, encode_png(width, height, rgba)))
        elif kind == "8":
            entries.append((width, height, 8, entry_8bpp(width, height, rgba)))
        else:
            raise ValueError(f"unknown bit depth in {spec}")
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    images = b""
    for width, height, bits, image in entries:
        # 256 is written as 0; the colour count is 0 for 8 bits and above.
        directory += struct.pack(
            "<BBBBHHII", width % 256, height % 256, 0, 0, 1, bits, len(image), offset + len(images)
        )
        images += image
    with open(out_path, "wb") as f:
        f.write(directory + images)


def main(argv):
    if len(argv) == 4 and argv[1] == "--png":
        width, height, rgba = read_png(argv[2])
        with open(argv[3], "wb") as f:
            f.write(encode_png(width, height, rgba))
        return 0
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    pack_ico(argv[1], argv[2:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
