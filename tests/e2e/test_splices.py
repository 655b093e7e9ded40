"""A tool edit changes the Exif segment alone: every other segment, the image data and the bytes after it stay
byte for byte, on the project's photos and on generated files with the segments cameras and editors add."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest

from jpeg_segments import segments

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def is_exif(marker, seg):
    return marker == 0xE1 and seg[4:8] == b"Exif"


def without_exif(data):
    """The file's segments but its first Exif one, and the image data with what follows it. An MPF index's first
    entry gives the photo's own size, which the Exif segment is part of: its 4 bytes are left out."""
    parts = [(m, s[:MAIN_SIZE] + s[MAIN_SIZE + 4:] if s[4:8] == b"MPF\0" else s) for m, _, s in segments(data)]
    exif = next((i for i, (m, s) in enumerate(parts) if is_exif(m, s)), None)
    return parts if exif is None else parts[:exif] + parts[exif + 1:]


def rebuild(data, before_exif=(), after_exif=(), tail=b""):
    """The photo with extra segments put in front of and behind its Exif segment, and bytes after its end."""
    out = bytearray(b"\xff\xd8")
    for marker, _, seg in segments(data):
        if marker is None:
            out += seg
        elif is_exif(marker, seg):
            out += b"".join(before_exif) + seg + b"".join(after_exif)
        else:
            out += seg
    return bytes(out) + tail


SECOND_IMAGE = b"\xff\xd8" + segment(0xDB, bytes(65)) + b"\xff\xd9"


def mpf_segment(second_offset, main_size):
    """An MPF index of two images in big-endian order; the second image's offset counts from the index's
    header, as the format says."""
    entries = struct.pack(">IIIHH", 0x20030000, main_size, 0, 0, 0)
    entries += struct.pack(">IIIHH", 0, len(SECOND_IMAGE), second_offset, 0, 0)
    ifd = struct.pack(">H", 3)
    ifd += struct.pack(">HHI", 0xB000, 7, 4) + b"0100"
    ifd += struct.pack(">HHII", 0xB001, 4, 1, 2)
    ifd += struct.pack(">HHII", 0xB002, 7, 32, 8 + 2 + 36 + 4)
    ifd += struct.pack(">I", 0)
    return segment(0xE2, b"MPF\0" + b"MM\0\x2a" + struct.pack(">I", 8) + ifd + entries)


def with_mpf(data, before):
    """The photo with an MPF index (before or after its Exif segment) naming a second image after its end."""
    probe = mpf_segment(0, 0)
    placed = rebuild(data, before_exif=[probe] if before else [], after_exif=[] if before else [probe])
    header = placed.index(b"MPF\0") + 4
    built = rebuild(data, before_exif=[mpf_segment(len(placed) - header, len(placed))] if before else [],
                    after_exif=[] if before else [mpf_segment(len(placed) - header, len(placed))],
                    tail=SECOND_IMAGE)
    return built


# In the segment: marker, length, "MPF\0", the TIFF header, three directory entries and the next link, then
# the first entry's attribute.
MAIN_SIZE = 4 + 4 + 8 + 2 + 36 + 4 + 4


def second_image_found(data):
    """The MPF index's second entry still points at the second image's bytes, and the first entry's size (the
    photo itself) reaches up to it."""
    header = data.index(b"MPF\0") + 4
    entries = header + 8 + 2 + 36 + 4
    (main_size,) = struct.unpack(">I", data[entries + 4:entries + 8])
    _, size, offset, _, _ = struct.unpack(">IIIHH", data[entries + 16:entries + 32])
    return data[header + offset:header + offset + size] == SECOND_IMAGE and main_size == header + offset


def generated():
    base = read(os.path.join(PHOTOS, "canon-40d.jpg"))
    flir = segment(0xE1, b"FLIR\0\x01\x01\x00" + bytes(range(256)) * 3)
    jfxx = segment(0xE0, b"JFXX\0\x13" + bytes([2, 2]) + bytes(12))
    icc = segment(0xE2, b"ICC_PROFILE\0\x01\x01" + bytes(200))
    comment = segment(0xFE, b"second comment")
    ducky = segment(0xEC, b"Ducky\0\x01\0\x04\0\0\0\x50\0\0")
    return {
        "flir-app1": rebuild(base, after_exif=[flir]),
        "jfxx-app0": rebuild(base, before_exif=[jfxx]),
        "icc-app2": rebuild(base, after_exif=[icc]),
        "two-comments": rebuild(base, after_exif=[segment(0xFE, b"first comment"), comment]),
        "exif-after-app2": rebuild(base, before_exif=[icc, ducky]),
        "trailer": rebuild(base, tail=b"trailing bytes the camera left"),
        "mpf-after-exif": with_mpf(base, before=False),
        "mpf-before-exif": with_mpf(base, before=True),
    }


class SegmentsOutsideExifStay(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lumivex-splices-")
        donor = os.path.join(PHOTOS, "nikon-d70.jpg")
        self.thumb = os.path.join(self.dir, "thumb.jpg")
        with open(self.thumb, "wb") as f:
            f.write(subprocess.run(["exiftool", "-b", "-ThumbnailImage", donor], capture_output=True).stdout)
        self.cases = {name: read(os.path.join(PHOTOS, name)) for name in sorted(os.listdir(PHOTOS))
                      if name.endswith(".jpg")}
        self.cases.update(generated())

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def edit(self, name, data, args):
        path = os.path.join(self.dir, name.replace(".jpg", "") + ".jpg")
        with open(path, "wb") as f:
            f.write(data)
        result = subprocess.run([LUMIVEX, *args, "--no-backup", path], capture_output=True)
        return result, read(path)

    def test_every_edit_keeps_every_other_byte(self):
        edited = 0
        for name, data in self.cases.items():
            for args in (["replace", "--thumbnail", self.thumb], ["delete"]):
                with self.subTest(photo=name, edit=args[0]):
                    result, after = self.edit(name, data, args)
                    if result.returncode != 0 or after == data:
                        self.assertEqual(after, data, result.stderr)  # refused or nothing to do: untouched
                        continue
                    edited += 1
                    self.assertEqual(without_exif(after), without_exif(data))
                    if b"MPF\0" in data:
                        self.assertTrue(second_image_found(after))
        self.assertGreaterEqual(edited, 2 * len(self.cases) - 6)

    def test_mpf_index_before_a_growing_exif_segment_is_refused_with_the_reason(self):
        data = self.cases["mpf-before-exif"]
        big = os.path.join(self.dir, "big.jpg")
        with open(big, "wb") as f:
            f.write(read(self.thumb) + bytes(6000))
        result, after = self.edit("mpf-before-exif", data, ["replace", "--thumbnail", big])
        self.assertEqual(after, data)
        self.assertIn(b"MPF index", result.stdout + result.stderr)

    def test_a_user_comment_ending_in_blanks_is_edited_and_keeps_them(self):
        photo = os.path.join(self.dir, "comment.jpg")
        shutil.copyfile(os.path.join(PHOTOS, "nikon-d70.jpg"), photo)
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-UserComment=padded   ", photo], check=True)
        before = read(photo)
        result, after = self.edit("comment", before, ["delete"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotEqual(after, before)
        self.assertIn(b"padded   ", after)


if __name__ == "__main__":
    unittest.main()
