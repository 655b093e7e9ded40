"""End-to-end tests of the commands over every copy of a photo's picture (info, check, export --preview,
regenerate, delete --previews) on photos made with exiftool and by hand, with exiftool as the oracle."""

import base64
import json
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

import preview_files as pf
from jpeg_segments import segments

LUMIVEX = os.environ["LUMIVEX"]
DATA = os.environ["LUMIVEX_TEST_DATA"]
PHOTO = os.path.join(DATA, "photos", "nikon-gps.jpg")
OTHER = os.path.join(DATA, "photos", "kodak-dc240-mm.jpg")
CASIO = os.path.join(DATA, "previews", "casio-ex-z750-preview.jpg")

# Each kind's copy as exiftool extracts it.
EXIFTOOL_TAG = {"exif": "IFD1:ThumbnailImage", "jfxx": "JFXX:ThumbnailImage",
                "photoshop": "Photoshop:PhotoshopThumbnail", "xmp": "XMP-xmp:ThumbnailImage",
                "mpf": "MPImage2:PreviewImage", "makernote": "Casio:PreviewImage"}


def run(*args):
    return subprocess.run([LUMIVEX, *args], capture_output=True, text=True)


def run_json(*args):
    result = run(*args, "--json")
    return result.returncode, [json.loads(line) for line in result.stdout.splitlines()]


def extracted(path, kind):
    return subprocess.run(["exiftool", "-b", "-" + EXIFTOOL_TAG[kind], path], capture_output=True).stdout


def pixel_size(data):
    out = subprocess.run(["/usr/bin/identify", "-format", "%w %h", "-"], input=data, capture_output=True, check=True)
    return tuple(map(int, out.stdout.split()))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def validate_warnings(path):
    out = subprocess.run(["exiftool", "-validate", "-warning", "-a", "-s3", path], capture_output=True, text=True)
    return sorted(line for line in out.stdout.splitlines() if not line[0].isdigit() and line != "OK")


def verdicts(path):
    _, results = run_json("check", path)
    return {(p["kind"], p["index"]): p["verdict"] for p in results[0]["previews"]}


class Previews(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lumivex-previews-e2e-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def made(self, stale=pf.KINDS, gain_map=False, name="five.jpg"):
        return pf.five_copies(self.dir, PHOTO, OTHER, stale=stale, name=name, gain_map=gain_map)


class Info(Previews):
    def test_every_copy_is_listed_where_exiftool_finds_it(self):
        photo = self.made(gain_map=True)
        status, results = run_json("info", photo)
        self.assertEqual(status, 0)
        copies = results[0]["previews"]
        self.assertEqual([(c["kind"], c["width"], c["height"]) for c in copies],
                         [("exif", 160, 120), ("jfxx", 160, 120), ("photoshop", 160, 120), ("xmp", 160, 120),
                          ("mpf", 320, 240), ("mpf", 160, 120)])
        self.assertEqual(copies[5]["role"], "gain map")
        data = read(photo)
        for copy in copies[:5]:
            with self.subTest(kind=copy["kind"]):
                held = data[copy["offset"]:copy["offset"] + copy["length"]]
                if copy["kind"] == "xmp":
                    held = base64.b64decode(held.replace(b"&#xA;", b""))
                self.assertEqual(held, extracted(photo, copy["kind"]))

    @unittest.skipUnless(shutil.which("strace"), "needs strace to count the bytes read")
    def test_past_the_image_data_only_the_copies_are_read(self):
        # A 4 MB photo whose MPF image (1 MB, beyond the window kept of the file's end) is read on its own.
        photo, image = os.path.join(self.dir, "large.jpg"), os.path.join(self.dir, "mpf.jpg")
        subprocess.run([pf.CONVERT, "-size", "3000x2000", "xc:gray", "+noise", "Random", photo], check=True)
        subprocess.run([pf.CONVERT, "-size", "1600x1000", "xc:gray", "+noise", "Random", image], check=True)
        data = pf.add_mpf(read(photo), [read(image)], [pf.LARGE_THUMBNAIL])
        with open(photo, "wb") as out:
            out.write(data)
        log = os.path.join(self.dir, "reads.log")
        done = subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=read,pread64", LUMIVEX, "info", "--json",
                               photo], capture_output=True, text=True, env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
        self.assertEqual(done.returncode, 0, done.stderr)
        [copy] = json.loads(done.stdout)["previews"]
        self.assertEqual((copy["kind"], copy["width"], copy["height"]), ("mpf", 1600, 1000))
        with open(log) as f:
            read_bytes = sum(int(line.rsplit("=", 1)[1]) for line in f if line.rsplit("=", 1)[-1].strip().isdigit())
        self.assertLess(read_bytes, copy["length"] + 1024 * 1024)

    def test_a_jpeg_appended_after_the_picture_is_a_copy(self):
        # Another picture appended whole, as some cameras append a preview with no MPF index naming it.
        photo = os.path.join(self.dir, "appended.jpg")
        with open(photo, "wb") as f:
            f.write(read(PHOTO) + read(OTHER))
        _, results = run_json("info", photo)
        trailer = results[0]["previews"][-1]
        self.assertEqual((trailer["kind"], trailer["offset"], trailer["length"]),
                         ("trailer", len(read(PHOTO)), len(read(OTHER))))
        self.assertEqual(verdicts(photo)[("trailer", 0)], "stale")
        self.assertEqual(run("delete", "--previews", "trailer", photo).returncode, 0)
        self.assertEqual(read(photo), read(PHOTO))

    def test_plain_info_names_each_copy(self):
        result = run("info", self.made())
        lines = [l for l in result.stdout.splitlines() if l.startswith("Preview")]
        self.assertEqual(len(lines), 5)
        self.assertIn("mpf:0 (MPF large thumbnail (full HD)), jpeg 320x240", lines[4])
        # A JFIF extension segment is valid data: no note calls it a missing or short JFIF header.
        self.assertNotIn("JFIF", result.stderr)
        self.assertNotIn("Jfif", result.stderr)


class Check(Previews):
    def test_each_kind_stale_alone_is_named(self):
        for kind in pf.KINDS:
            with self.subTest(kind=kind):
                photo = self.made(stale=(kind,), name=kind + ".jpg")
                status, results = run_json("check", photo)
                self.assertEqual(status, 1)
                r = results[0]
                self.assertEqual(r["verdict"], "stale")
                self.assertEqual(r["reason"], "content differs (stale: %s)" % kind)
                stale = [p["kind"] for p in r["previews"] if p["verdict"] == "stale"]
                self.assertEqual(stale, [kind])
                self.assertEqual(set(r["previews"][0]), {"kind", "index", "verdict", "reason", "score"})

    def test_fresh_copies_and_a_gain_map_leave_the_photo_fresh(self):
        photo = self.made(stale=(), gain_map=True)
        status, results = run_json("check", photo)
        self.assertEqual(status, 0)
        self.assertEqual(results[0]["verdict"], "fresh")
        gain = results[0]["previews"][-1]
        self.assertEqual((gain["kind"], gain["verdict"], gain["reason"]), ("mpf", "skipped", "gain map"))

    def test_the_sheet_shows_each_stale_copy(self):
        sheet = os.path.join(self.dir, "sheet.jpg")
        self.assertEqual(run("check", "--sheet", sheet, self.made()).returncode, 1)
        width, height = pixel_size(read(sheet))
        # Four stale copies, three cells to a row: two rows.
        self.assertGreater(height, 2 * 120)


class Export(Previews):
    def test_each_kind_is_written_as_exiftool_extracts_it(self):
        photo = self.made(gain_map=True)
        for spec, kind in (("jfxx", "jfxx"), ("photoshop:0", "photoshop"), ("xmp", "xmp"), ("mpf:0", "mpf")):
            with self.subTest(spec=spec):
                out = os.path.join(self.dir, spec.replace(":", "-") + ".jpg")
                self.assertEqual(run("export", "--preview", spec, photo, out).returncode, 0)
                self.assertEqual(read(out), extracted(photo, kind))
        out = os.path.join(self.dir, "gain.jpg")
        self.assertEqual(run("export", "--preview", "mpf:1", photo, out).returncode, 0)
        self.assertEqual(pixel_size(read(out)), (160, 120))

    def test_a_copy_stored_as_pixels_comes_out_as_a_jpeg(self):
        photo = os.path.join(self.dir, "rgb.jpg")
        with open(PHOTO, "rb") as f:
            data = pf.add_jfxx(f.read(), pf.jfxx_rgb_segment(32, 24, pf.rgb_pixels(PHOTO, "32x24")))
        with open(photo, "wb") as f:
            f.write(data)
        self.assertEqual(verdicts(photo)[("jfxx", 0)], "fresh")
        out = os.path.join(self.dir, "rgb-out.jpg")
        self.assertEqual(run("export", "--preview", "jfxx", photo, out).returncode, 0)
        self.assertEqual(pixel_size(read(out)), (32, 24))

    def test_usage(self):
        for args in (["export", "--preview", "thumbnail", "a.jpg", "b.jpg"], ["export", "--preview", "mpf:x", "a", "b"],
                     ["info", "--preview", "mpf", "a.jpg"], ["delete", "--previews", "exif,bogus", "a.jpg"],
                     ["check", "--previews", "all", "a.jpg"]):
            with self.subTest(args=args):
                self.assertEqual(run(*args).returncode, 2)


class Regenerate(Previews):
    def test_every_copy_is_rebuilt_at_its_size_and_matches_the_picture(self):
        photo = self.made(gain_map=True)
        before = {kind: pixel_size(extracted(photo, kind)) for kind in EXIFTOOL_TAG if kind != "makernote"}
        warnings = validate_warnings(photo)
        gain = subprocess.run(["exiftool", "-b", "-MPImage3", photo], capture_output=True).stdout
        self.assertEqual(run("regenerate", photo).returncode, 0)
        self.assertEqual(set(verdicts(photo).values()), {"fresh", "skipped"})
        for kind, size in before.items():
            with self.subTest(kind=kind):
                self.assertEqual(pixel_size(extracted(photo, kind)), size)
        self.assertEqual(subprocess.run(["exiftool", "-b", "-MPImage3", photo], capture_output=True).stdout, gain)
        self.assertEqual(validate_warnings(photo), warnings)

    @unittest.skipUnless(shutil.which("strace"), "needs strace to count the renames")
    def test_the_exif_thumbnail_and_the_other_copies_change_in_one_replacement(self):
        # (command, what check finds after): one backup holding the original, one rename, every copy done.
        for args, after in ((["regenerate"], {"fresh", "skipped"}), (["delete", "--previews", "all"], set())):
            with self.subTest(args=args):
                photo = self.made(gain_map=True, name=args[0] + ".jpg")
                old = read(photo)
                log = os.path.join(self.dir, "renames.log")
                done = subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=rename,renameat,renameat2",
                                       LUMIVEX, *args, photo], capture_output=True, text=True,
                                      env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
                self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
                with open(log) as f:
                    self.assertEqual(len([line for line in f if "rename" in line]), 1)
                self.assertEqual(read(photo + ".orig"), old)
                self.assertEqual(set(verdicts(photo).values()), after)

    def test_the_option_limits_the_kinds(self):
        photo = self.made()
        self.assertEqual(run("regenerate", "--previews", "xmp,mpf", photo).returncode, 0)
        self.assertEqual({k: v for (k, _), v in verdicts(photo).items()},
                         {"exif": "fresh", "jfxx": "stale", "photoshop": "stale", "xmp": "fresh", "mpf": "fresh"})

    def test_only_the_stale_copies_change(self):
        photo = self.made(stale=("photoshop",))
        old = read(photo)
        self.assertEqual(run("regenerate", "--previews", "stale", photo).returncode, 0)
        new = read(photo)
        app13 = [(o, len(s)) for m, o, s in segments(old) if m == 0xED][0]
        grown = len(new) - len(old)
        self.assertEqual(new[:app13[0]], old[:app13[0]])
        # After the copy only the photo's own size in the MPF index changes: it grows with the copy.
        size_at = [o for m, o, s in segments(old) if m == 0xE2][0] + 8 + 50 + 4  # the first entry's size
        (size,) = struct.unpack(">I", old[size_at:size_at + 4])
        expected = old[:size_at] + struct.pack(">I", size + grown) + old[size_at + 4:]
        self.assertEqual(new[app13[0] + app13[1] + grown:], expected[app13[0] + app13[1]:])
        self.assertEqual(verdicts(photo)[("photoshop", 0)], "fresh")


class Delete(Previews):
    def test_all_copies_go_and_exiftool_finds_none(self):
        photo = self.made(gain_map=True)
        warnings = validate_warnings(photo)
        self.assertEqual(run("delete", "--previews", "all", photo).returncode, 0)
        found = subprocess.run(["exiftool", "-a", "-G1", "-s", "-preview:all", "-ThumbnailImage", "-MPImage3",
                                photo], capture_output=True, text=True).stdout
        self.assertEqual(found, "")
        self.assertEqual(validate_warnings(photo), warnings)
        _, results = run_json("info", photo)
        self.assertEqual(results[0]["previews"], [])

    def test_an_mpf_image_goes_with_its_index_entry_and_the_rest_keeps_its_bytes(self):
        photo = self.made(gain_map=True)
        old = read(photo)
        _, results = run_json("info", photo)
        main_end = results[0]["previews"][4]["offset"]  # the first MPF image follows the main image
        self.assertEqual(run("delete", "--previews", "mpf", photo).returncode, 0)
        new = read(photo)
        at, old_length = [(o, len(s)) for m, o, s in segments(old) if m == 0xE2][0]
        new_length = [len(s) for m, o, s in segments(new) if m == 0xE2][0]
        self.assertEqual(new[:at], old[:at])
        self.assertEqual(new[at + new_length:], old[at + old_length:main_end])
        info = subprocess.run(["exiftool", "-s3", "-NumberOfImages", "-MPImageLength", photo], capture_output=True,
                              text=True).stdout.split()
        self.assertEqual(info, ["1", str(len(new))])

    def test_stale_takes_only_the_stale_copies(self):
        photo = self.made(stale=("xmp", "jfxx"))
        self.assertEqual(run("delete", "--previews", "stale", photo).returncode, 0)
        self.assertEqual({k for k, _ in verdicts(photo)}, {"exif", "photoshop", "mpf"})

    def test_a_thumbnail_left_in_place_is_a_refusal(self):
        # An uncompressed Exif thumbnail the edit does not remove: said, and the photo unchanged.
        photo = os.path.join(self.dir, "strips.jpg")
        shutil.copyfile(os.path.join(DATA, "previews", "sony-d700-strips.jpg"), photo)
        old = read(photo)
        status, results = run_json("delete", "--previews", "all", photo)
        self.assertEqual((status, results[0]["outcome"]), (1, "refused"))
        self.assertIn("exif:0: a thumbnail stored as strips is not removed", results[0]["message"])
        self.assertEqual(read(photo), old)

    def test_plain_delete_still_removes_only_the_exif_thumbnail(self):
        photo = self.made()
        self.assertEqual(run("delete", photo).returncode, 0)
        self.assertNotIn("exif", {k for k, _ in verdicts(photo)})


class Mpo(Previews):
    """MPO files as Pillow writes them, their MPF image showing another picture."""

    def mpf_copies(self, photo):
        _, results = run_json("info", photo)
        return [c for c in results[0]["previews"] if c["kind"] == "mpf"]

    @unittest.skipUnless(pf.pillow_python(), "needs Pillow")
    def test_each_action_on_the_mpf_image(self):
        # (arguments, exit status, the MPF image's verdict after, its size as exiftool extracts it after)
        rows = ((["info"], 0, "stale", (320, 240)),
                (["check"], 1, "stale", (320, 240)),
                (["regenerate", "--previews", "mpf"], 0, "fresh", (320, 240)),
                (["delete", "--previews", "mpf"], 0, None, None))
        for args, status, verdict, size in rows:
            with self.subTest(args=args):
                photo = pf.pillow_mpo(self.dir, PHOTO, OTHER, name=args[0] + ".jpg")
                old, [copy] = read(photo), self.mpf_copies(photo)
                self.assertEqual((copy["width"], copy["height"], copy["role"]), (320, 240, "picture"))
                self.assertEqual(run(*args, photo).returncode, status)
                new = read(photo)
                self.assertEqual(verdicts(photo).get(("mpf", 0)), verdict)
                image = subprocess.run(["exiftool", "-b", "-MPImage2", photo], capture_output=True).stdout
                self.assertEqual(pixel_size(image) if image else None, size)
                # Only the MPF index and the image after the picture may change.
                at, old_length = [(o, len(s)) for m, o, s in segments(old) if m == 0xE2][0]
                new_length = [len(s) for m, o, s in segments(new) if m == 0xE2][0]
                self.assertEqual(new[:at], old[:at])
                main_end = copy["offset"] + new_length - old_length
                self.assertEqual(new[at + new_length:main_end], old[at + old_length:copy["offset"]])

    @unittest.skipUnless(pf.pillow_python(), "needs Pillow")
    def test_a_new_exif_block_in_front_of_the_index_and_the_rebuilt_image_in_one_plan(self):
        # The block goes in where the index starts: one insertion and one replacement at the same offset.
        thumb = os.path.join(self.dir, "thumb.jpg")
        self.assertEqual(run("export", OTHER, thumb).returncode, 0)
        for args in (["regenerate"], ["replace", "-t", thumb]):
            with self.subTest(args=args):
                photo = pf.pillow_mpo(self.dir, PHOTO, OTHER, name=args[0] + ".jpg")
                self.assertEqual(run(*args, photo).returncode, 0)
                self.assertEqual([m for m, _, s in segments(read(photo)) if m in (0xE1, 0xE2)], [0xE1, 0xE2])
                image = subprocess.run(["exiftool", "-b", "-MPImage2", photo], capture_output=True).stdout
                self.assertEqual(pixel_size(image), (320, 240))
                # The photo's own entry grows with the block: it ends where the second image starts.
                sizes = subprocess.run(["exiftool", "-a", "-s3", "-MPImageStart", "-MPImageLength", photo],
                                       capture_output=True, text=True).stdout.split()
                self.assertEqual(sizes[2], sizes[1], sizes)
                self.assertEqual(verdicts(photo)[("mpf", 0)], "fresh" if args[0] == "regenerate" else "stale")


class MakerNote(Previews):
    def setUp(self):
        super().setUp()
        self.photo = os.path.join(self.dir, "casio.jpg")
        shutil.copyfile(CASIO, self.photo)
        self.old = read(self.photo)
        _, results = run_json("info", self.photo)
        self.copy = [c for c in results[0]["previews"] if c["kind"] == "makernote"][0]

    def outside_copy(self, data):
        start, end = self.copy["offset"], self.copy["offset"] + self.copy["length"]
        return data[:start] + data[end:]

    def test_rebuilt_in_place_padded(self):
        self.assertEqual(run("regenerate", "--previews", "makernote", self.photo).returncode, 0)
        new = read(self.photo)
        self.assertEqual(len(new), len(self.old))
        self.assertEqual(self.outside_copy(new), self.outside_copy(self.old))
        self.assertEqual(pixel_size(extracted(self.photo, "makernote")), (320, 240))
        self.assertEqual(verdicts(self.photo)[("makernote", 0)], "fresh")

    def test_blanked_in_place_with_its_length_kept(self):
        warnings = validate_warnings(self.photo)
        self.assertEqual(run("delete", "--previews", "makernote", self.photo).returncode, 0)
        new = read(self.photo)
        self.assertEqual(self.outside_copy(new), self.outside_copy(self.old))
        self.assertEqual(new[self.copy["offset"]:self.copy["offset"] + self.copy["length"]],
                         bytes(self.copy["length"]))
        self.assertEqual(validate_warnings(self.photo), warnings)
        self.assertNotIn(("makernote", 0), verdicts(self.photo))


if __name__ == "__main__":
    unittest.main()
