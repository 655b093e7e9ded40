"""Each photo is opened once per command, through one open that neither follows a link nor waits on a FIFO:
counted with strace on real photos."""

import os
import shutil
import subprocess
import tempfile
import unittest

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")
NAME = "one-open-photo.jpg"  # a name nothing else the tool opens ends with
# LeakSanitizer cannot run under ptrace.
TRACED_ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")

# (command, photo) with photos that take different ways through the readers: a thumbnail, none, no Exif at all,
# and a file that is no JPEG (None).
ROWS = [
    (["info"], "canon-40d.jpg"),
    (["info", "--json"], "fujifilm-e500-no-thumbnail.jpg"),
    (["info"], None),
    (["check"], "canon-40d.jpg"),
    (["check", "--json"], "olympus-no-exif.jpg"),
    (["check"], None),
]


def opens_of(log_path):
    with open(log_path) as log:
        return [line for line in log if ('/%s"' % NAME in line or '"%s"' % NAME in line) and "open" in line]


class OneOpen(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    @unittest.skipUnless(shutil.which("strace"), "needs strace to count the opens")
    def test_info_and_check_open_the_photo_once(self):
        for command, source in ROWS:
            with self.subTest(command=command, photo=source):
                photo = os.path.join(self.dir, NAME)
                if source is None:
                    with open(photo, "wb") as f:
                        f.write(b"not a photo\n" * 100)
                else:
                    shutil.copy(os.path.join(PHOTOS, source), photo)
                log = os.path.join(self.dir, "strace.log")
                done = subprocess.run(["strace", "-f", "-qq", "-o", log, "-e", "trace=open,openat,openat2,creat",
                                       LUMIVEX, *command, photo], capture_output=True, env=TRACED_ENV, timeout=60)
                self.assertIn(done.returncode, (0, 1), done.stderr)
                opens = opens_of(log)
                self.assertEqual(len(opens), 1, "".join(opens))
                self.assertIn("O_NONBLOCK", opens[0])

    def test_regenerate_from_inside_the_photos_folder(self):
        # A relative folder is opened from the working folder itself, without following links.
        shutil.copy(os.path.join(PHOTOS, "canon-40d.jpg"), os.path.join(self.dir, NAME))
        for args in (["regenerate", "--no-backup", NAME], ["regenerate", "--no-backup", "-r", "."]):
            with self.subTest(args=args):
                done = subprocess.run([LUMIVEX, *args], capture_output=True, text=True, cwd=self.dir)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertIn("done", done.stdout)


if __name__ == "__main__":
    unittest.main()
