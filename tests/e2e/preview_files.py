"""Photos carrying every kind of copy of their picture, made for the tests: exiftool writes the Exif,
Photoshop and XMP thumbnails; the JFXX segment and the MPF index and images are put together by hand here."""

import functools
import os
import struct
import subprocess
import sys

from jpeg_segments import segments

CONVERT = "/usr/bin/convert"

# MPF image type codes.
PRIMARY = 0x20030000
LARGE_THUMBNAIL = 0x00010002
UNDEFINED = 0x00000000


def small_jpeg(source, out, size, quality=90):
    """A JPEG of source reduced to fit size ("160x120"), no metadata."""
    subprocess.run([CONVERT, source, "-resize", size + "!", "-strip", "-quality", str(quality), out], check=True)
    with open(out, "rb") as f:
        return f.read()


def insert_after_app(data, segment):
    """data with segment put after its last APPn segment in front of the frame."""
    at = 2
    for marker, offset, seg in segments(data):
        if marker is None or not 0xE0 <= marker <= 0xEF:
            break
        at = offset + len(seg)
    return data[:at] + segment + data[at:]


def jfxx_segment(jpeg):
    payload = b"JFXX\0\x10" + jpeg
    return b"\xff\xe0" + struct.pack(">H", len(payload) + 2) + payload


def jfxx_rgb_segment(width, height, rgb):
    payload = b"JFXX\0\x13" + bytes([width, height]) + rgb
    return b"\xff\xe0" + struct.pack(">H", len(payload) + 2) + payload


def rgb_pixels(source, size):
    """The picture in source at size ("32x24") as raw RGB bytes."""
    return subprocess.run([CONVERT, source, "-resize", size + "!", "-depth", "8", "rgb:-"], check=True,
                          capture_output=True).stdout


def add_jfxx(data, segment):
    """A JFXX segment goes right after the JFIF segment; a JFIF segment is put first where there is none."""
    first = segments(data)[0]
    if first[0] == 0xE0 and first[2][4:9] == b"JFIF\0":
        at = first[1] + len(first[2])
        return data[:at] + segment + data[at:]
    jfif = b"\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    return data[:2] + jfif + segment + data[2:]


def gain_map_jpeg(source, out, size):
    """A grey JPEG with the XMP hint that says it is a gain map."""
    subprocess.run([CONVERT, source, "-resize", size + "!", "-colorspace", "gray", "-strip", out], check=True)
    with open(out, "rb") as f:
        data = f.read()
    xmp = (b"http://ns.adobe.com/xap/1.0/\0<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           b"xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
           b"xmlns:hdrgm='http://ns.adobe.com/hdr-gain-map/1.0/' hdrgm:Version='1.0'/></rdf:RDF></x:xmpmeta>")
    return data[:2] + b"\xff\xe1" + struct.pack(">H", len(xmp) + 2) + xmp + data[2:]


def add_mpf(data, images, types):
    """data with an APP2 MPF index (big-endian) and the images appended after its end."""
    count = 1 + len(images)
    ifd_bytes = 2 + 3 * 12 + 4
    entries_at = 8 + ifd_bytes

    def tiff(entries):
        head = b"MM\0*" + struct.pack(">I", 8)
        ifd = struct.pack(">H", 3)
        ifd += struct.pack(">HHI4s", 0xB000, 7, 4, b"0100")
        ifd += struct.pack(">HHII", 0xB001, 4, 1, count)
        ifd += struct.pack(">HHII", 0xB002, 7, 16 * count, entries_at)
        ifd += struct.pack(">I", 0)
        return head + ifd + b"".join(struct.pack(">IIIHH", *e) for e in entries)

    placeholder = tiff([(0, 0, 0, 0, 0)] * count)
    segment_bytes = 4 + 4 + len(placeholder)
    at = 2
    for marker, offset, seg in segments(data):
        if marker is None or not 0xE0 <= marker <= 0xEF:
            break
        at = offset + len(seg)
    header = at + 8  # FF E2, length, "MPF\0"
    primary = len(data) + segment_bytes
    entries = [(PRIMARY, primary, 0, 0, 0)]
    next_at = primary
    for image, kind in zip(images, types):
        entries.append((kind, len(image), next_at - header, 0, 0))
        next_at += len(image)
    body = b"MPF\0" + tiff(entries)
    segment = b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body
    return data[:at] + segment + data[at:] + b"".join(images)


KINDS = ("jfxx", "photoshop", "xmp", "mpf")


def five_copies(work, photo, other, stale=KINDS, name="five.jpg", gain_map=False):
    """photo (640x480, with a fresh Exif thumbnail) carrying JFXX, Photoshop, XMP and MPF copies of its
    picture; the kinds in stale show the picture in other instead."""
    out = os.path.join(work, name)
    shown = {kind: other if kind in stale else photo for kind in KINDS}
    fresh_thumb, stale_thumb = os.path.join(work, name + "-f.jpg"), os.path.join(work, name + "-s.jpg")
    thumbs = {photo: small_jpeg(photo, fresh_thumb, "160x120"), other: small_jpeg(other, stale_thumb, "160x120")}
    paths = {photo: fresh_thumb, other: stale_thumb}
    with open(photo, "rb") as f:
        data = f.read()
    with open(out, "wb") as f:
        f.write(data)
    subprocess.run(["exiftool", "-q", "-overwrite_original", "-PhotoshopThumbnail<=" + paths[shown["photoshop"]],
                    "-XMP-xmp:ThumbnailImage<=" + paths[shown["xmp"]], "-XMP-xmp:ThumbnailWidth=160",
                    "-XMP-xmp:ThumbnailHeight=120", "-XMP-xmp:ThumbnailFormat=JPEG", out], check=True)
    with open(out, "rb") as f:
        data = f.read()
    data = add_jfxx(data, jfxx_segment(thumbs[shown["jfxx"]]))
    images = [small_jpeg(shown["mpf"], os.path.join(work, name + "-mpf.jpg"), "320x240")]
    types = [LARGE_THUMBNAIL]
    if gain_map:
        images.append(gain_map_jpeg(photo, os.path.join(work, name + "-gain.jpg"), "160x120"))
        types.append(UNDEFINED)
    data = add_mpf(data, images, types)
    with open(out, "wb") as f:
        f.write(data)
    return out


@functools.lru_cache(maxsize=None)
def pillow_python():
    """An interpreter that has Pillow (this one, or the system's where this one has not), or None."""
    for python in (sys.executable, "/usr/bin/python3"):
        if os.path.exists(python) and subprocess.run([python, "-c", "import PIL"], capture_output=True).returncode == 0:
            return python
    return None


MPO_SCRIPT = """import sys
from PIL import Image
first = Image.open(sys.argv[1]).convert("RGB")
second = Image.open(sys.argv[2]).convert("RGB").resize((320, 240))
first.save(sys.argv[3], format="MPO", save_all=True, append_images=[second])
"""


def pillow_mpo(work, photo, second, name="pillow.mpo.jpg"):
    """An MPO file as Pillow writes it: photo's picture, then second's at 320x240 as the MPF image."""
    out = os.path.join(work, name)
    subprocess.run([pillow_python(), "-c", MPO_SCRIPT, photo, second, out], check=True)
    return out
