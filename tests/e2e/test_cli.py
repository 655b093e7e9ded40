"""End-to-end tests of the lumivex command-line tool on real photos, with exiftool and exiv2 as oracles."""

import base64
import json
import os
import shutil
import stat
import struct
import subprocess
import tempfile
import time
import unittest

from jpeg_segments import exif_segment, segments, tiff_file_offset, with_value_after_thumbnail

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")


def run(*args, stdin=None):
    return subprocess.run([LUMIVEX, *args], capture_output=True, input=stdin)


def exiftool(*args):
    return subprocess.run(["exiftool", *args], capture_output=True, check=False)


def exiftool_json(path):
    out = exiftool("-j", "-n", "-a", "-G1", path).stdout
    return json.loads(out)[0]


def embedded_thumbnail(path):
    return exiftool("-b", "-ThumbnailImage", path).stdout


def warnings(path):
    """exiftool's and exiv2's complaints about the file, as a set of lines."""
    lines = set()
    for line in exiftool("-validate", "-warning", "-error", "-a", "-s", path).stdout.decode(errors="replace").splitlines():
        if "Validate" not in line:
            lines.add("exiftool " + line.split(":", 1)[-1].strip())
    result = subprocess.run(["exiv2", "-pa", path], capture_output=True)
    for line in result.stderr.decode(errors="replace").splitlines():
        lines.add("exiv2 " + line.split(":", 1)[-1].strip())
    return lines


def read(path):
    with open(path, "rb") as f:
        return f.read()


def info(path):
    result = run("info", "--json", path)
    assert result.returncode == 0, result.stderr
    return json.loads(result.stdout)


class Workspace(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lumivex-e2e-")
        self.new_thumbnail = self.copy("nikon-d70.jpg", "donor.jpg")
        self.thumb_bytes = embedded_thumbnail(self.new_thumbnail)
        self.assertGreater(len(self.thumb_bytes), 1000)
        self.thumb_path = os.path.join(self.dir, "new-thumb.jpg")
        with open(self.thumb_path, "wb") as f:
            f.write(self.thumb_bytes)

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def copy(self, name, as_name=None):
        path = os.path.join(self.dir, as_name or name)
        shutil.copyfile(os.path.join(PHOTOS, name), path)
        os.chmod(path, 0o640)
        os.utime(path, ns=(1_300_000_000_123_456_789, 1_300_000_000_123_456_789))
        return path


class FactsAgreeWithExiftool(unittest.TestCase):
    def test_facts(self):
        for name in sorted(os.listdir(PHOTOS)):
            if not name.endswith(".jpg"):
                continue
            with self.subTest(photo=name):
                path = os.path.join(PHOTOS, name)
                ours = info(path)
                theirs = exiftool_json(path)
                data = read(path)

                def tag(*names):
                    for n in names:
                        if n in theirs:
                            return theirs[n]
                    return None

                make = tag("IFD0:Make")
                if make is not None:  # trimmed, as exiftool gives them
                    self.assertEqual(ours["cameraMake"], str(make).strip()[:31])
                    self.assertEqual(ours["cameraModel"], str(tag("IFD0:Model")).strip()[:39])
                self.assertFalse({"commentWideChars", "thumbLengthPos"} & set(ours))
                metering = exiftool("-s3", "-ExifIFD:MeteringMode", path).stdout.decode().strip()
                if metering:
                    text = run("info", path).stdout.decode()
                    self.assertIn("Metering mode     : %s\n" % metering.lower(), text)
                date = tag("ExifIFD:DateTimeOriginal", "IFD0:ModifyDate")
                if date is not None:
                    self.assertEqual(ours["dateTime"], str(date)[:19])
                orientation = tag("IFD0:Orientation")
                if orientation is not None:
                    self.assertEqual(ours["orientation"], orientation)
                exposure = tag("ExifIFD:ExposureTime")
                if exposure is not None:
                    self.assertAlmostEqual(ours["exposureTime"], exposure, delta=exposure * 1e-5)
                fnumber = tag("ExifIFD:FNumber")
                if fnumber is not None:
                    self.assertAlmostEqual(ours["fNumber"], fnumber, places=2)
                iso = tag("ExifIFD:ISO")
                if iso is not None and "Canon" not in ours["cameraMake"]:
                    self.assertEqual(ours["isoEquivalent"], iso if iso > 49 else iso * 200)
                offset = tag("IFD1:ThumbnailOffset")
                if offset is not None:
                    self.assertEqual(ours["thumbOffset"] + tiff_file_offset(data), offset)
                    self.assertEqual(ours["thumbLength"], tag("IFD1:ThumbnailLength"))
                else:
                    self.assertEqual(ours["thumbOffset"], 0)
                latitude = tag("GPS:GPSLatitude")
                if latitude is not None:
                    ref, text = ours["gpsLatitude"][0], ours["gpsLatitude"][2:]
                    d, m, s = (float(x[:-1]) for x in text.split())
                    self.assertEqual(ref, str(tag("GPS:GPSLatitudeRef"))[0])
                    self.assertAlmostEqual(d + m / 60 + s / 3600, latitude, places=5)
                order = ours["byteOrder"]
                if exif_segment(data)[1] is not None:
                    self.assertEqual(order, exif_segment(data)[1][10:12].decode())


class Replace(Workspace):
    def check_replaced(self, name, minimal=False):
        photo = self.copy(name)
        original = read(photo)
        before_warnings = warnings(photo)
        before_mode = os.stat(photo)
        result = run("replace", *(["--minimal-exif"] if minimal else []), photo, self.thumb_path)
        after = os.stat(photo)  # before anything reads the file and moves its access time
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(embedded_thumbnail(photo), self.thumb_bytes)
        self.assertEqual(read(photo + ".orig"), original)
        self.assertEqual(stat.S_IMODE(after.st_mode), stat.S_IMODE(before_mode.st_mode))
        self.assertEqual(after.st_mtime_ns, before_mode.st_mtime_ns)
        self.assertEqual(after.st_atime_ns, before_mode.st_mtime_ns)
        new_warnings = warnings(photo) - before_warnings
        if minimal:
            # The minimal block carries only the date and the thumbnail, so the validator misses the rest.
            new_warnings = {w for w in new_warnings if "Missing required" not in w}
        self.assertEqual(new_warnings, set())
        return original, read(photo)

    def test_thumbnail_at_the_end_of_the_block(self):
        for name, order in (("canon-40d.jpg", "II"), ("fujifilm-6900zoom-mm.jpg", "MM"), ("nikon-gps.jpg", "II")):
            with self.subTest(photo=name):
                original, written = self.check_replaced(name)
                # Every segment but the Exif one is as it was; APP0 is dropped by design.
                kept = lambda data: [s for m, _, s in segments(data) if m not in (0xE0, 0xE1)]
                self.assertEqual(kept(written), kept(original))
                self.assertEqual(info(os.path.join(self.dir, name))["byteOrder"], order)

    def test_photo_without_exif_gets_the_minimal_block_dated_from_the_file(self):
        _, written = self.check_replaced("olympus-no-exif.jpg", minimal=True)
        theirs = exiftool_json(os.path.join(self.dir, "olympus-no-exif.jpg"))
        expected = time.strftime("%Y:%m:%d %H:%M:%S", time.localtime(1_300_000_000))
        self.assertEqual(theirs["IFD0:ModifyDate"], expected)
        self.assertEqual(theirs["ExifIFD:DateTimeOriginal"], expected)
        _, seg = exif_segment(written)
        self.assertEqual(len(seg) - 2, 134 + len(self.thumb_bytes))

    def test_photo_without_exif_gets_no_capture_date_from_the_tool(self):
        photo = self.copy("olympus-no-exif.jpg")
        self.assertEqual(run("replace", photo, self.thumb_path).returncode, 0)
        theirs = exiftool_json(photo)
        self.assertEqual(embedded_thumbnail(photo), self.thumb_bytes)
        self.assertNotIn("ExifIFD:DateTimeOriginal", theirs)
        # Dated from the file, as the window dates its minimal block.
        self.assertEqual(theirs["IFD0:ModifyDate"], time.strftime("%Y:%m:%d %H:%M:%S", time.localtime(1_300_000_000)))

    def test_photo_without_a_thumbnail_keeps_its_date(self):
        photo = self.copy("fujifilm-e500-no-thumbnail.jpg")
        date = exiftool_json(photo)["ExifIFD:DateTimeOriginal"]
        result = run("replace", photo, self.thumb_path)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(embedded_thumbnail(photo), self.thumb_bytes)
        self.assertEqual(exiftool_json(photo)["ExifIFD:DateTimeOriginal"], date)
        subprocess.run(["exiv2", "-pa", photo], check=True, capture_output=True)

    def test_thumbnail_not_last_goes_through_the_minimal_block_with_the_windows_rules(self):
        photo = self.copy("canon-40d.jpg")
        changed = with_value_after_thumbnail(read(photo))
        with open(photo, "wb") as f:
            f.write(changed)
        self.assertEqual(info(photo)["thumbAtEnd"], 0)
        result = run("replace", "--minimal-exif", photo, self.thumb_path)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(embedded_thumbnail(photo), self.thumb_bytes)
        theirs = exiftool_json(photo)
        self.assertEqual(theirs["ExifIFD:DateTimeOriginal"], "2008:05:30 15:56:01")
        self.assertEqual(theirs["IFD0:ModifyDate"], "2008:05:30 15:56:01")
        self.assertNotIn("IFD0:Make", theirs)  # the old block is gone, as described for this case
        subprocess.run(["exiv2", "-pa", photo], check=True, capture_output=True)

    def test_thumbnail_too_large_writes_nothing(self):
        photo = self.copy("canon-40d.jpg")
        before = read(photo)
        big = os.path.join(self.dir, "big.jpg")
        with open(big, "wb") as f:
            f.write(b"\xff\xd8" + b"\0" * 69998 + b"\xff\xd9")
        result = run("replace", photo, big)
        self.assertEqual(result.returncode, 1)
        self.assertIn(b"bytes over its limit of 65,533 bytes of content", result.stderr)
        self.assertEqual(read(photo), before)
        self.assertFalse(os.path.exists(photo + ".orig"))


# Groups a delete may change: the thumbnail's directory, the file itself, and the JFIF header that the
# reader drops by design.
IGNORED_AFTER_DELETE = ("IFD1:", "System:", "File:", "Composite:", "ExifTool:", "JFIF:")


class DeleteAndExport(Workspace):
    def test_delete_leaves_no_thumbnail_and_keeps_the_rest(self):
        for name in ("canon-40d.jpg", "kodak-dc240-mm.jpg"):
            with self.subTest(photo=name):
                photo = self.copy(name)
                thumbnail = embedded_thumbnail(photo)
                before = {k: v for k, v in exiftool_json(photo).items() if not k.startswith(IGNORED_AFTER_DELETE)}
                self.assertEqual(run("delete", photo).returncode, 0)
                self.assertEqual(embedded_thumbnail(photo), b"")
                self.assertNotIn(thumbnail, read(photo))
                after = {k: v for k, v in exiftool_json(photo).items() if not k.startswith(IGNORED_AFTER_DELETE)}
                self.assertEqual(after, before)

    def test_delete_of_a_thumbnail_that_is_not_last_zeroes_it_in_place(self):
        photo = self.copy("canon-40d.jpg")
        changed = with_value_after_thumbnail(read(photo))
        with open(photo, "wb") as f:
            f.write(changed)
        thumbnail = embedded_thumbnail(photo)
        before = {k: v for k, v in exiftool_json(photo).items() if not k.startswith(IGNORED_AFTER_DELETE)}
        size = len(exif_segment(read(photo))[1])
        self.assertEqual(run("delete", photo).returncode, 0)
        self.assertEqual(embedded_thumbnail(photo), b"")
        self.assertNotIn(thumbnail, read(photo))
        # Nothing cut, nothing moved; the segment may only grow by the zeros that keep the header's size.
        self.assertGreaterEqual(len(exif_segment(read(photo))[1]), size)
        after = {k: v for k, v in exiftool_json(photo).items() if not k.startswith(IGNORED_AFTER_DELETE)}
        self.assertEqual(after, before)
        self.assertNotIn("IFD1:ThumbnailLength", exiftool_json(photo))
        # The thumbnail's entries (and a directory that only described it) go with it, so the validator finds nothing new.
        self.assertEqual(warnings(photo) - warnings(photo + ".orig"), set())

    def test_delete_twice_and_without_thumbnail(self):
        photo = self.copy("canon-40d.jpg")
        self.assertEqual(run("delete", photo).returncode, 0)
        once = read(photo)
        again = run("delete", "--json", photo)  # no thumbnail left: nothing to do, nothing written
        self.assertEqual(again.returncode, 0)
        self.assertEqual(json.loads(again.stdout)["outcome"], "nothing to do")
        self.assertEqual(read(photo), once)
        plain = self.copy("fujifilm-e500-no-thumbnail.jpg")
        before = read(plain)
        self.assertEqual(run("delete", plain).returncode, 0)
        self.assertEqual(read(plain), before)
        self.assertFalse(os.path.exists(plain + ".orig"))

    def test_export_to_a_file_and_to_standard_output(self):
        photo = self.copy("nikon-gps.jpg")
        before = read(photo)
        out = os.path.join(self.dir, "out.jpg")
        self.assertEqual(run("export", photo, out).returncode, 0)
        self.assertEqual(read(out), embedded_thumbnail(photo))
        result = run("export", photo, "-")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, embedded_thumbnail(photo))
        self.assertEqual(read(photo), before)
        self.assertFalse(os.path.exists(photo + ".orig"))
        # Without a thumbnail the image stream stays empty: the status goes to standard error.
        none = run("export", self.copy("fujifilm-e500-no-thumbnail.jpg"), "-")
        self.assertEqual((none.returncode, none.stdout), (0, b""))
        self.assertIn(b"nothing to do", none.stderr)


class Backups(Workspace):
    def test_restore_and_drop_backup(self):
        kept, changed = self.copy("canon-40d.jpg", "kept.jpg"), self.copy("canon-40d.jpg", "changed.jpg")
        original = read(kept)
        self.assertEqual(run("delete", kept, changed).returncode, 0)
        subprocess.run(["/usr/bin/convert", changed, "-rotate", "90", changed], check=True)
        rows = [  # command, photo, exit status, outcome, backup left
            (["drop-backup", "-n"], kept, 0, "done", True),
            (["drop-backup"], changed, 1, "refused", True),  # another picture now: the backup is all that is left
            (["drop-backup"], kept, 0, "done", False),
            (["drop-backup"], kept, 0, "nothing to do", False),
            (["restore", "-n"], changed, 0, "done", True),
            (["restore"], changed, 0, "done", False),
            (["restore"], changed, 0, "nothing to do", False),
        ]
        for args, photo, status, outcome, backup in rows:
            with self.subTest(args=args, photo=photo):
                result = run(*args, "--json", photo)
                self.assertEqual((result.returncode, json.loads(result.stdout)["outcome"]), (status, outcome))
                self.assertEqual(os.path.exists(photo + ".orig"), backup)
        self.assertEqual(read(changed), original)

    def test_restore_takes_only_a_regular_backup(self):
        photo = self.copy("canon-40d.jpg")
        before = read(photo)
        target = self.copy("nikon-gps.jpg", "elsewhere.jpg")
        os.symlink(target, photo + ".orig")
        os.mkfifo(os.path.join(self.dir, "fifo.jpg.orig"))
        for name in (photo, os.path.join(self.dir, "fifo.jpg")):
            with self.subTest(name=name):
                result = run("restore", name)
                self.assertEqual(result.returncode, 1)
                self.assertIn(b"not a regular file", result.stderr)
        self.assertEqual(read(photo), before)
        self.assertTrue(os.path.islink(photo + ".orig"))


class PlainOutput(Workspace):
    def test_names_with_control_characters_reach_the_terminal_escaped(self):
        name = "a\x1b]0;owned\x07\rFile name : x\n.jpg"
        photo = self.copy("canon-40d.jpg", name)
        for args in (["info"], ["check"], ["delete", "-n"]):
            with self.subTest(args=args):
                result = run(*args, photo)
                shown = result.stdout + result.stderr
                self.assertFalse(set(shown) & {0x1B, 0x07, 0x0D}, shown)
                self.assertIn(b"a\\e]0;owned\\x07\\rFile name : x\\n.jpg", shown)
        self.assertEqual(json.loads(run("info", "--json", photo).stdout)["path"], photo)

    def test_info_lists_the_image_data_last_among_the_sections(self):
        photo = os.path.join(PHOTOS, "nikon-d70.jpg")
        data = read(photo)
        image_data = segments(data)[-1]
        sections = json.loads(run("info", "--json", photo).stdout)["sections"]
        self.assertEqual(sections[-2]["marker"], 0xDA)
        self.assertEqual(sections[-1], {"marker": 0x123, "size": len(image_data[2])})

    def test_info_says_why_and_leaves_out_what_the_photo_does_not_say(self):
        text = os.path.join(self.dir, "text.jpg")
        with open(text, "wb") as f:
            f.write(b"not a photo\n")
        for name, why in ((os.path.join(self.dir, "missing.jpg"), b"Cannot find"), (text, b"not a JPEG photo")):
            result = run("info", name)
            self.assertEqual(result.returncode, 1)
            self.assertIn(b"lumivex: " + os.fsencode(name) + b": ", result.stderr)
            self.assertIn(why, result.stderr)
        gps = self.copy("canon-40d.jpg", "gps-version-only.jpg")  # a GPS block that holds only its version
        exiftool("-overwrite_original", "-GPSVersionID=2 2 0 0", gps)
        self.assertEqual(exiftool_json(gps)["GPS:GPSVersionID"], "2 2 0 0")
        shown = run("info", gps).stdout.decode()
        self.assertNotIn("GPS Latitude", shown)
        self.assertNotIn("GPS Altitude", shown)
        facts = info(gps)
        self.assertEqual((facts["gpsLatitude"], facts["gpsAltitude"]), ("", ""))

    def test_a_name_that_is_not_utf8_comes_back_whole_in_json(self):
        photo = os.fsencode(self.copy("canon-40d.jpg", os.fsdecode(b"\xff\xfe.jpg")))
        for args in (["info"], ["check"], ["delete", "-n"]):
            with self.subTest(args=args):
                line = json.loads(run(*args, "--json", photo).stdout)
                self.assertEqual(base64.b64decode(line["path_bytes"]), photo)


class Refusals(Workspace):
    def test_read_only_missing_and_long_paths(self):
        photo = self.copy("canon-40d.jpg")
        os.chmod(photo, 0o444)
        before = read(photo)
        result = run("delete", photo)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.decode().splitlines()[0], f"lumivex: {photo}: read-only")
        self.assertEqual(read(photo), before)

        result = run("delete", os.path.join(self.dir, "absent.jpg"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("Cannot find", result.stderr.decode())

        # The window's 258-byte limit is not the tool's: only the system's own limit counts.
        long_path = os.path.join(self.dir, "p" * (259 - len(self.dir) - 5) + ".jpg")
        self.assertEqual(len(long_path.encode()), 259)
        shutil.copyfile(photo, long_path)
        os.chmod(long_path, 0o644)
        self.assertEqual(run("info", long_path).returncode, 0)
        result = run("delete", long_path)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.path.exists(long_path + ".orig"))


    def test_names_that_reach_nothing_or_go_through_links(self):
        real = os.path.join(self.dir, "real")
        os.makedirs(real)
        os.makedirs(os.path.join(self.dir, "sub"))
        photo = shutil.copyfile(os.path.join(PHOTOS, "canon-40d.jpg"), os.path.join(real, "p.jpg"))
        os.symlink("real/p.jpg", os.path.join(self.dir, "direct.jpg"))
        os.symlink("nothing.jpg", os.path.join(self.dir, "dangling.jpg"))
        os.symlink("../real", os.path.join(self.dir, "sub", "linkdir"))
        shutil.copyfile(photo, os.path.join(real, "q.jpg"))
        rows = [  # name given, how it ends, what the tool says
            ("missing.jpg", 1, "lumivex: missing.jpg: Cannot find 'missing.jpg'"),
            ("nofolder/x.jpg", 1, "lumivex: nofolder/x.jpg: Cannot find 'nofolder/x.jpg'"),
            ("dangling.jpg", 1, "lumivex: dangling.jpg: 'dangling.jpg' is a link to nothing"),
            ("direct.jpg", 0, "direct.jpg: done: thumbnail removed"),
            ("sub/linkdir/q.jpg", 0, "sub/linkdir/q.jpg: done: thumbnail removed"),
        ]
        for name, code, said in rows:
            with self.subTest(name=name):
                result = subprocess.run([LUMIVEX, "delete", name], capture_output=True, cwd=self.dir)
                self.assertEqual(result.returncode, code)
                self.assertEqual((result.stdout + result.stderr).decode().splitlines()[0], said)
        # A link given as the photo stays a link: its target was edited, with the backup beside the target.
        self.assertTrue(os.path.islink(os.path.join(self.dir, "direct.jpg")))
        self.assertEqual(sorted(os.listdir(real)), ["p.jpg", "p.jpg.orig", "q.jpg", "q.jpg.orig"])
    def test_export_over_the_photo_itself_is_refused(self):
        photo = self.copy("canon-40d.jpg")
        before = read(photo)
        result = run("export", photo, photo)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(read(photo), before)

    def test_usage(self):
        self.assertEqual(run().returncode, 2)
        self.assertEqual(run("frobnicate").returncode, 2)
        self.assertEqual(run("replace", "only-one").returncode, 2)
        help_text = run("--help")
        self.assertEqual(help_text.returncode, 0)
        self.assertIn(b"Usage: lumivex", help_text.stdout)
        self.assertEqual(run("--version").stdout, b"lumivex 1.0.0\n")

    def test_replace_and_export_many_photos_in_one_call(self):
        a = self.copy("canon-40d.jpg", "a.jpg")
        b = self.copy("nikon-gps.jpg", "b.jpg")
        result = run("replace", "-t", self.thumb_path, a, b)
        self.assertEqual(result.returncode, 0, result.stderr)
        out_a, out_b = os.path.join(self.dir, "ta.jpg"), os.path.join(self.dir, "tb.jpg")
        self.assertEqual(run("export", a, out_a, b, out_b).returncode, 0)
        self.assertEqual(read(out_a), self.thumb_bytes)
        self.assertEqual(read(out_b), self.thumb_bytes)
        self.assertEqual(run("export", a, out_a, b).returncode, 2)  # pairs only

    def test_several_photos_in_one_call(self):
        a = self.copy("canon-40d.jpg", "a.jpg")
        b = os.path.join(self.dir, "absent.jpg")
        c = self.copy("nikon-gps.jpg", "c.jpg")
        result = run("delete", a, b, c)
        self.assertEqual(result.returncode, 1)  # one failed, the others were done
        self.assertEqual(embedded_thumbnail(a), b"")
        self.assertEqual(embedded_thumbnail(c), b"")
        listing = [json.loads(line) for line in run("info", "--json", a, c).stdout.splitlines()]
        self.assertEqual([entry["thumbLength"] for entry in listing], [0, 0])

    def test_a_path_outside_ascii_is_written_as_itself_in_json(self):
        photo = self.copy("canon-40d.jpg", "café.jpg")
        facts = json.loads(run("info", "--json", photo).stdout)
        named = {value for value in facts.values() if isinstance(value, str) and "caf" in value}
        self.assertEqual(named, {photo})


if __name__ == "__main__":
    unittest.main()
