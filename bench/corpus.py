#!/usr/bin/env python3
"""Generates the benchmark corpus: JPEG photos with Exif, GPS and a 160x120 thumbnail.

The image data comes from ImageMagick (random pixels, so that it does not compress to nothing); the Exif
block is written here, so that its layout (byte order, thumbnail last or not, no Exif at all) is chosen
per photo. A few base images are made and their image data is reused by every photo of that size.
"""

import argparse
import json
import os
import random
import shutil
import struct
import subprocess
import sys

CONVERT = "/usr/bin/convert"
CORPUS_VERSION = 5  # bump when the photos change, so that an old corpus is made again

BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED = 1, 2, 3, 4, 5, 7
TYPE_SIZE = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, UNDEFINED: 1}

# Per size class: pixel size of the base image (about 2 bytes a pixel at quality 95 without subsampling).
SIZES = {
    "3mb": (1400, 1050),
    "12mb": (2800, 2100),
    "tiny": (320, 240),
}


def run(args, **kw):
    subprocess.run(args, check=True, **kw)


def random_image_jpeg(path, width, height, seed, quality=95):
    pixels = random.Random(seed).randbytes(width * height * 3)
    run([CONVERT, "-size", f"{width}x{height}", "-depth", "8", "rgb:-", "-sampling-factor", "1x1",
         "-quality", str(quality), path], input=pixels)


def thumbnail_jpeg(source, path, quality):
    run([CONVERT, source, "-resize", "160x120!", "-sampling-factor", "1x1", "-quality", str(quality),
         "-strip", path])


def segments_after_soi(jpeg):
    """The bytes after SOI with every APPn segment left out: tables, frame header, scan and the rest."""
    if jpeg[:2] != b"\xff\xd8":
        raise ValueError("not a JPEG")
    pos, kept = 2, []
    while True:
        if jpeg[pos] != 0xFF:
            raise ValueError("marker expected")
        marker = jpeg[pos + 1]
        length = struct.unpack(">H", jpeg[pos + 2:pos + 4])[0]
        end = pos + 2 + length
        if marker == 0xDA:
            kept.append(jpeg[pos:])
            return b"".join(kept)
        if not 0xE0 <= marker <= 0xEF:
            kept.append(jpeg[pos:end])
        pos = end


class Ifd:
    """One directory: entries are (tag, type, values); values is bytes, a str, a list, or a callable that
    takes the offset table and gives the list (for pointers resolved after layout)."""

    def __init__(self, entries, next_name=None):
        self.entries = sorted(entries, key=lambda e: e[0])
        self.next_name = next_name

    @staticmethod
    def count(kind, values):
        if kind == ASCII:
            return len(values) + 1
        if isinstance(values, (bytes, bytearray)):
            return len(values)
        if callable(values):
            return 1
        return len(values)

    def value_bytes(self, kind, values, order, offsets):
        if callable(values):
            values = values(offsets)
        if kind == ASCII:
            return values.encode("ascii") + b"\0"
        if kind in (BYTE, UNDEFINED) and isinstance(values, (bytes, bytearray)):
            return bytes(values)
        fmt = {BYTE: "B", SHORT: "H", LONG: "I"}.get(kind)
        if kind == RATIONAL:
            return b"".join(struct.pack(order + "II", n, d) for n, d in values)
        return b"".join(struct.pack(order + fmt, v) for v in values)

    def size(self):
        total = 2 + 12 * len(self.entries) + 4
        for tag, kind, values in self.entries:
            n = self.count(kind, values) * TYPE_SIZE[kind]
            if n > 4:
                total += n + (n & 1)
        return total

    def encode(self, start, order, offsets):
        head = [struct.pack(order + "H", len(self.entries))]
        tail = []
        tail_at = start + 2 + 12 * len(self.entries) + 4
        for tag, kind, values in self.entries:
            data = self.value_bytes(kind, values, order, offsets)
            count = self.count(kind, values)
            if len(data) <= 4:
                head.append(struct.pack(order + "HHI", tag, kind, count)[:8] + data.ljust(4, b"\0"))
            else:
                head.append(struct.pack(order + "HHII", tag, kind, count, tail_at))
                padded = data + b"\0" * (len(data) & 1)
                tail.append(padded)
                tail_at += len(padded)
        head.append(struct.pack(order + "I", offsets[self.next_name] if self.next_name else 0))
        return b"".join(head) + b"".join(tail)


def tiff_block(parts, order):
    """parts: (name, Ifd or bytes) in file order after the 8-byte header; the first part is IFD0."""
    offsets, at = {}, 8
    for name, part in parts:
        offsets[name] = at
        at += part.size() if isinstance(part, Ifd) else len(part) + (len(part) & 1)
    out = [(b"II" if order == "<" else b"MM") + struct.pack(order + "HI", 42, 8)]
    for name, part in parts:
        if isinstance(part, Ifd):
            out.append(part.encode(offsets[name], order, offsets))
        else:
            out.append(part + b"\0" * (len(part) & 1))
    return b"".join(out)


def degrees(value):
    d = int(value)
    m = int((value - d) * 60)
    s = round(((value - d) * 60 - m) * 60 * 100)
    return [(d, 1), (m, 1), (s, 100)]


def exif_segment(rng, index, thumbnail, width, height, thumb_last, order):
    day = 1 + index % 28
    stamp = f"2024:{1 + index % 12:02d}:{day:02d} {8 + index % 10:02d}:{index % 60:02d}:{(index * 7) % 60:02d}"
    lat, lon = rng.uniform(-60, 60), rng.uniform(-170, 170)
    ifd0 = Ifd([
        (0x010F, ASCII, "Benchcam"),
        (0x0110, ASCII, f"Model {index % 5}"),
        (0x0112, SHORT, [1]),
        (0x011A, RATIONAL, [(72, 1)]),
        (0x011B, RATIONAL, [(72, 1)]),
        (0x0128, SHORT, [2]),
        (0x0131, ASCII, "bench corpus 1.0"),
        (0x0132, ASCII, stamp),
        (0x0213, SHORT, [1]),
        (0x8769, LONG, lambda o: [o["exif"]]),
        (0x8825, LONG, lambda o: [o["gps"]]),
    ], next_name="ifd1")
    exif = Ifd([
        (0x829A, RATIONAL, [(1, 60 + index % 200)]),
        (0x829D, RATIONAL, [(28 + index % 30, 10)]),
        (0x8827, SHORT, [100 * (1 + index % 8)]),
        (0x9000, UNDEFINED, b"0231"),
        (0x9003, ASCII, stamp),
        (0x9004, ASCII, stamp),
        (0x9101, UNDEFINED, b"\x01\x02\x03\x00"),
        (0x920A, RATIONAL, [(50 + index % 150, 1)]),
        # A user comment of a few kilobytes stands for the maker data real cameras write.
        (0x9286, UNDEFINED, b"ASCII\0\0\0" + rng.randbytes(2000 + index % 3000).hex().encode()[:4000]),
        (0xA000, UNDEFINED, b"0100"),
        (0xA001, SHORT, [1]),
        (0xA002, LONG, [width]),
        (0xA003, LONG, [height]),
    ])
    gps = Ifd([
        (0x0000, BYTE, [2, 3, 0, 0]),
        (0x0001, ASCII, "N" if lat >= 0 else "S"),
        (0x0002, RATIONAL, degrees(abs(lat))),
        (0x0003, ASCII, "E" if lon >= 0 else "W"),
        (0x0004, RATIONAL, degrees(abs(lon))),
        (0x0005, BYTE, [0]),
        (0x0006, RATIONAL, [(rng.randrange(0, 300000), 100)]),
        (0x0007, RATIONAL, [(8 + index % 10, 1), (index % 60, 1), (0, 1)]),
        (0x001D, ASCII, stamp[:10]),
    ])
    ifd1 = Ifd([
        (0x0103, SHORT, [6]),
        (0x011A, RATIONAL, [(72, 1)]),
        (0x011B, RATIONAL, [(72, 1)]),
        (0x0128, SHORT, [2]),
        (0x0201, LONG, lambda o: [o["thumb"]]),
        (0x0202, LONG, [len(thumbnail)]),
    ])
    if thumb_last:
        parts = [("ifd0", ifd0), ("exif", exif), ("gps", gps), ("ifd1", ifd1), ("thumb", thumbnail)]
    else:
        # The thumbnail sits between the directories, as some editors leave it.
        parts = [("ifd0", ifd0), ("ifd1", ifd1), ("thumb", thumbnail), ("exif", exif), ("gps", gps)]
    payload = b"Exif\0\0" + tiff_block(parts, order)
    if len(payload) + 2 > 0xFFFF:
        raise ValueError("Exif segment too large")
    return b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload


JFIF = b"\xff\xe0\x00\x10JFIF\x00\x01\x01\x01\x00\x48\x00\x48\x00\x00"


def plan(tiny):
    """(name, size class, kind) for every photo; kind is 'end', 'middle' or 'none'."""
    photos = []
    if tiny:
        for i, kind in enumerate(["end", "end", "end", "middle", "none"]):
            photos.append((f"t{i:03d}.jpg", "tiny", kind))
        return photos
    for i in range(200):
        kind = "middle" if i % 20 == 7 else "none" if i % 20 == 13 else "end"
        photos.append((f"p{i:03d}.jpg", "3mb", kind))
    for i in range(10):
        photos.append((f"q{i:03d}.jpg", "12mb", "none" if i == 3 else "middle" if i == 6 else "end"))
    return photos


def generate(out_dir, tiny):
    stamp_path = os.path.join(out_dir, "corpus.json")
    wanted = {"version": CORPUS_VERSION, "tiny": tiny}
    if os.path.exists(stamp_path):
        with open(stamp_path) as f:
            if json.load(f).get("stamp") == wanted:
                return
    shutil.rmtree(out_dir, ignore_errors=True)
    photos_dir = os.path.join(out_dir, "photos")
    base_dir = os.path.join(out_dir, "base")
    os.makedirs(photos_dir)
    os.makedirs(base_dir)

    photos = plan(tiny)
    bases = {}  # size class -> list of (image data after SOI, thumbnail, width, height)
    for size_class in sorted({p[1] for p in photos}):
        width, height = SIZES[size_class]
        bases[size_class] = []
        for b in range(3 if size_class != "12mb" else 2):
            path = os.path.join(base_dir, f"{size_class}-{b}.jpg")
            random_image_jpeg(path, width, height, seed=f"{size_class}-{b}")
            thumb_path = os.path.join(base_dir, f"{size_class}-{b}-thumb.jpg")
            thumbnail_jpeg(path, thumb_path, 90)
            with open(path, "rb") as f:
                body = segments_after_soi(f.read())
            with open(thumb_path, "rb") as f:
                bases[size_class].append((body, f.read(), width, height))

    # The thumbnail every replace puts in: another picture of the same size.
    new_thumb = os.path.join(out_dir, "new-thumb.jpg")
    random_image_jpeg(os.path.join(base_dir, "other.jpg"), 320, 240, seed=4242)
    thumbnail_jpeg(os.path.join(base_dir, "other.jpg"), new_thumb, 85)

    # exiv2 -it takes the thumbnail of PHOTO.jpg from DIR/PHOTO-thumb.jpg.
    exiv2_dir = os.path.join(out_dir, "exiv2-thumbs")
    os.makedirs(exiv2_dir)
    for name, _, _ in photos:
        shutil.copyfile(new_thumb, os.path.join(exiv2_dir, name[:-4] + "-thumb.jpg"))

    rng = random.Random(7)
    manifest = []
    for index, (name, size_class, kind) in enumerate(photos):
        body, thumb, width, height = bases[size_class][index % len(bases[size_class])]
        if kind == "none":
            data = b"\xff\xd8" + JFIF + body
        else:
            order = ">" if index % 3 == 2 else "<"
            data = b"\xff\xd8" + exif_segment(rng, index, thumb, width, height, kind == "end", order) + body
        path = os.path.join(photos_dir, name)
        with open(path, "wb") as f:
            f.write(data)
        manifest.append({"name": name, "class": size_class, "kind": kind, "bytes": len(data),
                         "thumb_bytes": len(thumb) if kind != "none" else 0})
        if kind != "none":
            with open(os.path.join(base_dir, name + ".thumb"), "wb") as f:
                f.write(thumb)
    with open(stamp_path, "w") as f:
        json.dump({"stamp": wanted, "photos": manifest}, f, indent=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("out_dir")
    parser.add_argument("--tiny", action="store_true", help="5 small photos instead of 210 large ones")
    args = parser.parse_args()
    generate(args.out_dir, args.tiny)
    return 0


if __name__ == "__main__":
    sys.exit(main())
