"""End-to-end tests of `lumivex regenerate` and `lumivex check` on real photos and on stale variants made
from them with ImageMagick and jpegtran, with exiftool and exiv2 as oracles."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

from jpeg_segments import segments

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")
CONVERT = "/usr/bin/convert"  # ImageMagick itself, whatever else is on the path

# Groups a thumbnail edit may change: the thumbnail's directory, the file itself, and the JFIF header that the
# writer puts in front of a photo whose first segment is not APP0 or APP1.
IGNORED_AFTER_EDIT = ("IFD1:", "System:", "File:", "Composite:", "ExifTool:", "JFIF:")
WITH_THUMBNAIL = ["nikon-gps.jpg", "kodak-dc240-mm.jpg", "canon-40d.jpg", "fujifilm-6900zoom-mm.jpg"]


def run(*args):
    return subprocess.run([LUMIVEX, *args], capture_output=True, text=True)


def exiftool_json(path):
    out = subprocess.run(["exiftool", "-j", "-n", "-a", "-G1", path], capture_output=True, check=True).stdout
    return json.loads(out)[0]


def kept_tags(path):
    return {k: v for k, v in exiftool_json(path).items() if not k.startswith(IGNORED_AFTER_EDIT)}


def embedded_thumbnail(path):
    return subprocess.run(["exiftool", "-b", "-ThumbnailImage", path], capture_output=True).stdout


def identify(path_or_dash, data=None, fmt="%w %h"):
    out = subprocess.run(["/usr/bin/identify", "-format", fmt, path_or_dash], input=data, capture_output=True,
                         check=True)
    return out.stdout.decode().split()


def check_json(*paths):
    result = run("check", "--json", *paths)
    return result.returncode, [json.loads(line) for line in result.stdout.splitlines()]


class Workspace(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lumivex-imaging-e2e-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def copy(self, name, as_name=None):
        path = os.path.join(self.dir, as_name or name)
        shutil.copyfile(os.path.join(PHOTOS, name), path)
        return path

    def variant(self, name, source, *convert_args):
        """The source photo changed by ImageMagick, which keeps its Exif block and so its old thumbnail."""
        out = os.path.join(self.dir, name)
        subprocess.run([CONVERT, source, *convert_args, "-quality", "90", out], check=True)
        return out


class Regenerate(Workspace):
    def assert_thumbnail_fits(self, photo, box=(160, 120)):
        width, height = map(int, identify(photo))
        thumb = embedded_thumbnail(photo)
        self.assertTrue(thumb.startswith(b"\xff\xd8"), photo)
        tw, th = map(int, identify("-", thumb))
        self.assertLessEqual(tw, min(box[0], width))
        self.assertLessEqual(th, min(box[1], height))
        self.assertTrue(tw == min(box[0], width) or th == min(box[1], height), (tw, th))
        # The photo's aspect within one pixel.
        self.assertTrue(abs(tw * height / width - th) <= 1 or abs(th * width / height - tw) <= 1, (tw, th))
        # Baseline (SOF0) with nothing before the image data but tables, the frame and the scan header.
        markers = [marker for marker, _, _ in segments(thumb)][:-1]
        self.assertEqual(set(markers), {0xDB, 0xC4, 0xC0, 0xDA}, photo)
        return tw, th

    def test_new_thumbnail_fits_keeps_every_other_tag_and_is_fresh(self):
        for name in WITH_THUMBNAIL:
            with self.subTest(photo=name):
                photo = self.copy(name)
                before = kept_tags(photo)
                result = run("regenerate", photo)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertTrue(os.path.exists(photo + ".orig"))
                self.assert_thumbnail_fits(photo)
                self.assertEqual(kept_tags(photo), before)
                exiv2 = subprocess.run(["exiv2", "-pt", photo], capture_output=True, text=True)
                self.assertNotIn("Error", exiv2.stderr)
                self.assertEqual(check_json(photo)[1][0]["verdict"], "fresh")

    def test_a_photo_without_a_thumbnail_gets_one(self):
        photo = self.copy("fujifilm-e500-no-thumbnail.jpg")
        result = run("regenerate", photo)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assert_thumbnail_fits(photo)
        self.assertEqual(check_json(photo)[1][0]["verdict"], "fresh")

    def test_size_option_and_every_kind_of_image_data(self):
        source = self.copy("nikon-gps.jpg")
        photos = {
            "cmyk.jpg": self.variant("cmyk.jpg", source, "-colorspace", "CMYK"),
            "grey.jpg": self.variant("grey.jpg", source, "-colorspace", "Gray"),
            "progressive.jpg": self.variant("progressive.jpg", source, "-interlace", "JPEG"),
            "444.jpg": self.variant("444.jpg", source, "-sampling-factor", "1x1"),
        }
        result = run("regenerate", "--size", "100x100", *photos.values())
        self.assertEqual(result.returncode, 0, result.stderr)
        for name, photo in photos.items():
            with self.subTest(photo=name):
                self.assertEqual(self.assert_thumbnail_fits(photo, (100, 100)), (100, 75))
                colours = identify("-", embedded_thumbnail(photo), "%[colorspace]")[0]
                self.assertEqual(colours, "Gray" if name == "grey.jpg" else "sRGB")
                warnings = subprocess.run(["exiftool", "-validate", "-warning", "-a", "-s", photo],
                                          capture_output=True, text=True).stdout
                self.assertNotIn("Thumbnail", warnings)

    def test_a_broken_photo_is_left_alone_and_the_others_are_done(self):
        good = self.copy("kodak-dc240-mm.jpg")
        broken = os.path.join(self.dir, "broken.jpg")
        with open(os.path.join(PHOTOS, "nikon-gps.jpg"), "rb") as f:
            data = f.read()
        with open(broken, "wb") as f:
            f.write(data[: len(data) // 2])
        result = run("regenerate", broken, good)
        self.assertEqual(result.returncode, 1)
        self.assertIn("broken.jpg", result.stderr)
        self.assertIn("JPEG", result.stderr)
        with open(broken, "rb") as f:
            self.assertEqual(f.read(), data[: len(data) // 2])
        self.assertFalse(os.path.exists(broken + ".orig"))
        self.assertTrue(os.path.exists(good + ".orig"))

    def test_usage(self):
        for args in (["regenerate"], ["regenerate", "--size", "160"], ["regenerate", "--quality", "0", "x.jpg"],
                     ["regenerate", "--bogus", "x.jpg"], ["check"], ["check", "--sheet"]):
            with self.subTest(args=args):
                self.assertEqual(run(*args).returncode, 2)


class Check(Workspace):
    def test_untouched_photos_are_fresh_or_have_none(self):
        names = sorted(n for n in os.listdir(PHOTOS) if n.endswith(".jpg"))
        status, results = check_json(*(os.path.join(PHOTOS, n) for n in names))
        self.assertEqual(status, 0)
        self.maxDiff = None
        verdicts = {os.path.basename(r["path"]): r["verdict"] for r in results}
        # The photo without Exif carries a JFXX thumbnail, which is checked too.
        self.assertEqual(verdicts, {n: ("none" if n == "fujifilm-e500-no-thumbnail.jpg" else "fresh") for n in names})
        previews = {os.path.basename(r["path"]): [(p["kind"], p["verdict"]) for p in r["previews"]] for r in results}
        self.assertEqual(previews["xmp-bluesquare.jpg"], [("exif", "fresh"), ("photoshop", "fresh")])

    def test_edited_photos_that_kept_their_thumbnail_are_stale(self):
        other = os.path.join(PHOTOS, "kodak-dc240-mm.jpg")
        expected = {}
        for name in ("nikon-gps.jpg", "kodak-dc240-mm.jpg"):
            source = self.copy(name)
            stem = name[:-4]
            made = {
                self.variant(stem + "-crop.jpg", source, "-crop", "75%x100%+0+0", "+repage"): "aspect ratio differs",
                self.variant(stem + "-rotated.jpg", source, "-rotate", "90"): "orientation differs",
                self.variant(stem + "-painted.jpg", source, "-fill", "#c03020", "-draw",
                             "rectangle 176,132 464,348"): "content differs",
                self.variant(stem + "-other.jpg", source, "-draw",
                             "image over 0,0 640,480 '%s'" % (os.path.join(PHOTOS, "nikon-gps.jpg")
                                                            if name != "nikon-gps.jpg" else other)): "content differs",
            }
            mirrored = os.path.join(self.dir, stem + "-mirrored.jpg")
            subprocess.run(["jpegtran", "-copy", "all", "-flip", "horizontal", "-outfile", mirrored, source],
                           check=True)
            made[mirrored] = "orientation differs"
            expected.update(made)
        sheet = os.path.join(self.dir, "sheet.jpg")
        self.maxDiff = None
        result = run("check", "--json", "--sheet", sheet, *expected)
        self.assertEqual(result.returncode, 1)
        results = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual({r["path"]: (r["verdict"], r["reason"]) for r in results},
                         {p: ("stale", reason) for p, reason in expected.items()})
        for r in results:
            self.assertEqual(set(r), {"path", "operation", "outcome", "verdict", "reason", "score", "previews"})
            self.assertEqual((r["operation"], r["outcome"]), ("check", "stale"))
            self.assertLess(r["score"], 0.65)
        # Five stale photos a row of three: the sheet is two rows of cells.
        width, height = map(int, identify(sheet))
        self.assertGreater(width, 3 * 320)
        self.assertGreater(height, 3 * 120)

    def test_the_summary_counts_each_verdict_in_its_place(self):
        fresh = self.copy("nikon-gps.jpg")
        photos = [fresh, self.copy("fujifilm-e500-no-thumbnail.jpg", "none-1.jpg"),
                  self.copy("fujifilm-e500-no-thumbnail.jpg", "none-2.jpg"),
                  self.variant("rotated.jpg", fresh, "-rotate", "90"),
                  self.variant("cropped.jpg", fresh, "-crop", "75%x100%+0+0", "+repage"),
                  self.variant("painted.jpg", fresh, "-fill", "#c03020", "-draw", "rectangle 176,132 464,348")]
        result = run("check", *photos)
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stdout + result.stderr, r"6 photos in [\d.]+ s: 1 fresh, 2 none, 3 stale\n")

    def test_plain_text_and_a_photo_that_cannot_be_read(self):
        photo = self.copy("nikon-gps.jpg")
        missing = os.path.join(self.dir, "missing.jpg")
        result = run("check", photo, missing)
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stdout, r"nikon-gps\.jpg: fresh: score 0\.\d{3}\n")
        self.assertIn("missing.jpg", result.stderr)

    def test_every_verdict_on_standard_output_with_the_score_of_the_json(self):
        fresh = self.copy("nikon-gps.jpg")
        none = self.copy("fujifilm-e500-no-thumbnail.jpg")
        stale = self.variant("rotated.jpg", fresh, "-rotate", "90")
        result = run("check", fresh, none, stale)
        self.assertEqual(result.returncode, 1)
        lines = result.stdout.splitlines()
        self.assertEqual([line.split(": ")[1] for line in lines], ["fresh", "none", "stale"])
        self.assertTrue(lines[1].endswith("fujifilm-e500-no-thumbnail.jpg: none: no thumbnail"), lines[1])
        self.assertNotIn("stale", result.stderr.replace("1 stale", ""))
        self.assertRegex(result.stderr, r": 1 fresh, 1 none, 1 stale\n$")
        _, decoded = check_json(fresh, stale)
        for line, r in zip((lines[0], lines[2]), decoded):
            self.assertTrue(line.endswith("score %.3f" % r["score"]), (line, r))


if __name__ == "__main__":
    unittest.main()
