"""Edits on a file system that clones files: the new photo shares the original's data blocks, its image data is
byte for byte the original's, and the oracles read it as they read the original. Needs root to loop-mount an XFS
image made here; skipped, with the reason, where that is impossible."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")
SOURCES = ["canon-40d.jpg", "nikon-d70.jpg", "fujifilm-6900zoom-mm.jpg", "kodak-dc240-mm.jpg"]
EXTRA = 6 << 20  # image data added to each photo, so that a copy would show in the used space


def sh(*args, check=True):
    return subprocess.run(list(args), capture_output=True, check=check)


def used_bytes(folder):
    st = os.statvfs(folder)
    return (st.f_blocks - st.f_bfree) * st.f_frsize


def tags_and_warnings(path):
    """What exiftool reads (but the file facts and the thumbnail's directory), its warnings, and exiv2's."""
    tags = json.loads(sh("exiftool", "-j", "-a", "-G1", "-n", path, check=False).stdout)[0]
    # The thumbnail's own directory changes by design, and the JFIF header is rebuilt by the writer's rules.
    skip = ("System:", "File:", "ExifTool:", "Composite:", "SourceFile", "IFD1:", "JFIF:")
    tags = {k: str(v) for k, v in tags.items() if not k.startswith(skip)}
    out = sh("exiftool", "-validate", "-warning", "-a", "-s", path, check=False).stdout.decode(errors="replace")
    warned = {line.split(":", 1)[-1].strip() for line in out.splitlines() if "Validate" not in line}
    exiv2 = set(sh("exiv2", "-pa", path, check=False).stderr.decode(errors="replace").splitlines())
    return tags, warned | exiv2


def read(path):
    with open(path, "rb") as f:
        return f.read()


def make_library(folder):
    """Real camera headers with several megabytes of image data each (the data after SOS is only copied)."""
    os.makedirs(folder)
    for i, name in enumerate(SOURCES):
        with open(os.path.join(PHOTOS, name), "rb") as f:
            data = f.read()
        with open(os.path.join(folder, f"p{i}.jpg"), "wb") as f:
            f.write(data[:-2] + bytes((j * 7 + i) & 0xFF for j in range(256)) * (EXTRA // 256) + b"\xff\xd9")
    return sorted(os.path.join(folder, n) for n in os.listdir(folder))


class CopyOnWrite(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="lumivex-cow-")
        cls.mount = os.path.join(cls.dir, "xfs")
        os.makedirs(cls.mount)
        image = os.path.join(cls.dir, "xfs.img")
        cls.mounted = False
        if os.geteuid() != 0 or shutil.which("mkfs.xfs") is None:
            cls.why = "needs root and mkfs.xfs to loop-mount a file system that clones"
            return
        with open(image, "wb") as f:
            f.truncate(400 << 20)
        made = sh("mkfs.xfs", "-q", "-m", "reflink=1", image, check=False)
        mounted = made.returncode == 0 and sh("mount", "-o", "loop", image, cls.mount, check=False).returncode == 0
        cls.mounted = mounted
        cls.why = "cannot loop-mount an XFS image here: " + (made.stderr or b"mount refused").decode(errors="replace")
        thumb = sh("exiftool", "-b", "-ThumbnailImage", os.path.join(PHOTOS, "nikon-d70.jpg")).stdout
        cls.thumbnail = os.path.join(cls.dir, "thumb.jpg")
        with open(cls.thumbnail, "wb") as f:
            f.write(thumb)

    @classmethod
    def tearDownClass(cls):
        if cls.mounted:
            sh("umount", cls.mount, check=False)
        shutil.rmtree(cls.dir, ignore_errors=True)

    def edit(self, command, photos, backup):
        args = [LUMIVEX, command] + (["-t", self.thumbnail] if command == "replace" else [])
        args += [] if backup else ["--no-backup"]
        result = subprocess.run(args + photos, capture_output=True)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_edits_share_blocks_and_keep_everything(self):
        if not self.mounted:
            self.skipTest(self.why)
        for command in ("replace", "delete"):
            for backup in (True, False):
                with self.subTest(command=command, backup=backup):
                    library = os.path.join(self.mount, f"{command}-{backup}")
                    photos = make_library(library)
                    before = {p: read(p) for p in photos}
                    read_before = {p: tags_and_warnings(p) for p in photos}
                    os.sync()
                    used = used_bytes(self.mount)
                    self.edit(command, photos, backup)
                    os.sync()
                    grown = used_bytes(self.mount) - used
                    # Four photos of six megabytes: a copy would need 24 MB more, a clone a few blocks each.
                    self.assertLess(grown, EXTRA // 4, f"{grown} bytes more used")
                    for p in photos:
                        after = read(p)
                        # The image data is the original's, moved by whole blocks at most.
                        self.assertEqual((len(after) - len(before[p])) % 4096, 0)
                        self.assertEqual(after[-EXTRA:], before[p][-EXTRA:])
                        self.assertEqual(os.path.exists(p + ".orig"), backup)
                        tags, warned = tags_and_warnings(p)
                        old_tags, old_warned = read_before[p]
                        self.assertEqual(tags, old_tags, p)
                        self.assertLessEqual(warned, old_warned, p)

    def test_a_refused_clone_gives_the_same_header(self):
        if not self.mounted:
            self.skipTest(self.why)
        cloned = make_library(os.path.join(self.mount, "same"))
        copied = make_library(os.path.join(self.dir, "ordinary"))  # the test's own folder: no clones there
        self.edit("replace", cloned, True)
        self.edit("replace", copied, True)
        for a, b in zip(cloned, copied):
            self.assertEqual(read(a), read(b))


if __name__ == "__main__":
    unittest.main()
