"""The tool over whole folders: the walk, the workers, the dry run, JSON lines and Ctrl-C, on a generated tree
of the project's photos."""

import hashlib
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")

NOT_TAKEN = None
# (path in the tree, what it holds, outcomes `delete -r` may give; NOT_TAKEN: the walk must leave it out).
# A photo without a thumbnail has nothing to delete; a read-only or truncated one fails and keeps its bytes.
TREE = [
    ("a/canon-40d.jpg", "canon-40d.jpg", {"done"}),
    ("a/b/nikon-gps.jpg", "nikon-gps.jpg", {"done"}),
    ("a/b/c/kodak-dc240-mm.jpg", "kodak-dc240-mm.jpg", {"done"}),
    ("a/NO-EXTENSION", "fujifilm-6900zoom-mm.jpg", {"done"}),  # a JPEG by content, whatever its name
    ("a/UPPER.JPG", "nikon-d70.jpg", {"done"}),
    ("no-thumbnail.jpg", "fujifilm-e500-no-thumbnail.jpg", {"nothing to do"}),
    ("no-exif.jpg", "olympus-no-exif.jpg", {"nothing to do"}),
    ("read-only.jpg", "canon-40d.jpg", {"failed"}),
    ("truncated.jpg", "truncated", {"failed"}),
    ("has-backup.jpg", "canon-40d.jpg", {"done"}),
    ("has-backup.jpg.orig", "nikon-gps.jpg", NOT_TAKEN),  # a backup is never an input
    ("text.jpg", "text", NOT_TAKEN),
    ("png.jpg", "png", NOT_TAKEN),
    ("a/.p.jpg.lumivex-Xy12", "canon-40d.jpg", NOT_TAKEN),  # the tool's temporary files
    ("a/p.jpg.new~", "canon-40d.jpg", NOT_TAKEN),
    ("a/link.jpg", "link:canon-40d.jpg", NOT_TAKEN),  # links are not followed without --follow
    ("a/b/up", "link:../..", NOT_TAKEN),  # a loop
    ("fifo.jpg", "fifo", NOT_TAKEN),  # never opened: it would block
]


def run(*args, **kw):
    return subprocess.run([LUMIVEX, *args], capture_output=True, timeout=120, **kw)


def json_lines(output):
    return [json.loads(line) for line in output.decode().splitlines()]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def image_data(data):
    """Everything from SOS on: no edit may change it."""
    pos = 2
    while pos + 4 <= len(data) and data[pos] == 0xFF:
        if data[pos + 1] == 0xDA:
            return data[pos:]
        pos += 2 + int.from_bytes(data[pos + 2:pos + 4], "big")
    raise ValueError("no SOS")


def exif_thumbnail(path):
    return subprocess.run(["exiftool", "-b", "-ThumbnailImage", path], capture_output=True, check=True).stdout


def tree_state(root, times=True):
    """Every entry under root with its kind, bytes, mode and (when asked) its modification and change times (a
    rename, a link or a new mode changes the latter), links not followed. Access times are left out: reading
    the tree to hash it moves them."""
    state = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            if os.path.islink(path):
                what = "link:" + os.readlink(path)
            elif os.path.isfile(path):
                what = hashlib.sha256(read(path)).hexdigest()
            else:
                what = oct(st.st_mode)
            state[os.path.relpath(path, root)] = (what, st.st_mode, st.st_mtime_ns if times else 0,
                                                  st.st_ctime_ns if times else 0)
    return state


class Tree(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lumivex-batch-")
        self.thumb = os.path.join(self.dir, "thumb.jpg")
        self.assertEqual(run("export", os.path.join(PHOTOS, "nikon-d70.jpg"), self.thumb).returncode, 0)

    def tearDown(self):
        for folder, dirs, files in os.walk(self.dir):
            for name in dirs + files:
                path = os.path.join(folder, name)
                if not os.path.islink(path):
                    os.chmod(path, 0o755)
        shutil.rmtree(self.dir, ignore_errors=True)

    def make_tree(self, name):
        root = os.path.join(self.dir, name)
        for path, source, _ in TREE:
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            if source.startswith("link:"):
                os.symlink(source[5:], full)
            elif source == "fifo":
                os.mkfifo(full)
            else:
                data = {"truncated": read(os.path.join(PHOTOS, "canon-40d.jpg"))[:3000],
                        "text": b"not a photo\n", "png": b"\x89PNG\r\n\x1a\n" + b"\0" * 64}.get(source)
                with open(full, "wb") as f:
                    f.write(data if data is not None else read(os.path.join(PHOTOS, source)))
                os.utime(full, ns=(1_300_000_000_000_000_000, 1_300_000_000_000_000_000))
        os.chmod(os.path.join(root, "read-only.jpg"), 0o444)
        return root

    def outcomes(self, result, root):
        lines = json_lines(result.stdout)
        return {os.path.relpath(line["path"], root): line["outcome"] for line in lines}

    def test_walk_workers_and_outcomes(self):
        runs = {}
        for jobs in ("1", "4"):
            root = self.make_tree("tree-j" + jobs)
            result = run("delete", "-r", "--json", "-j", jobs, root)
            self.assertEqual(result.returncode, 1, result.stderr)  # the read-only and the truncated photo
            runs[jobs] = (self.outcomes(result, root), tree_state(root, times=False), result.stdout, root)
        outcomes = runs["1"][0]
        expected = {path: allowed for path, _, allowed in TREE if allowed is not NOT_TAKEN}
        self.assertEqual(set(outcomes), set(expected))
        for path, allowed in expected.items():
            self.assertIn(outcomes[path], allowed, path)
        # The same photos, the same outcomes, in the same order, and the same bytes with four workers.
        self.assertEqual(runs["4"][0], outcomes)
        self.assertEqual(list(runs["4"][0]), list(outcomes))
        self.assertEqual(runs["4"][1], runs["1"][1])
        root = runs["1"][3]
        self.assertFalse(os.path.exists(os.path.join(root, "has-backup.jpg.orig.orig")))
        for path, source, allowed in TREE:
            if allowed == {"done"}:
                edited = read(os.path.join(root, path))
                self.assertEqual(image_data(edited), image_data(read(os.path.join(PHOTOS, source))), path)

        # A photo named twice is edited once: its backup holds the original.
        photo = os.path.join(root, "a", "b", "nikon-gps.jpg")
        os.replace(photo + ".orig", photo)
        original = read(photo)
        twice = json_lines(run("delete", "--json", photo, os.path.join(root, "a", "b", ".", "nikon-gps.jpg")).stdout)
        self.assertEqual([line["outcome"] for line in twice], ["done", "nothing to do"])
        self.assertEqual(read(photo + ".orig"), original)

        # With --follow the link is taken, once, and the loop ends.
        follow = self.make_tree("tree-follow")
        listed = self.outcomes(run("info", "-r", "--follow", "--json", follow), follow)
        self.assertEqual(set(listed), set(expected) | {"a/link.jpg"})

    def test_dry_run_changes_nothing(self):
        root = self.make_tree("tree")
        before = tree_state(root)
        for args in (["delete"], ["replace", "-t", self.thumb], ["replace", "--minimal-exif", "-t", self.thumb],
                     ["delete", "--no-backup"]):
            with self.subTest(args=args):
                result = run(*args, "-n", "-r", "--json", root)
                lines = json_lines(result.stdout)
                self.assertTrue(all(line["dry_run"] for line in lines))
                self.assertEqual(tree_state(root), before)
                text = run(*args, "-n", "-r", root)
                self.assertEqual(len(text.stdout.decode().splitlines()), len(lines))  # one line per photo
                self.assertEqual(tree_state(root), before)

    def test_output_pattern_leaves_the_tree_as_it_was(self):
        root = self.make_tree("tree")
        before = tree_state(root)
        out = os.path.join(self.dir, "out")
        os.makedirs(out)
        exported = json_lines(run("export", "-r", "--json", "-o", out + "/", root).stdout)
        done = {os.path.basename(line["path"]) for line in exported if line["outcome"] == "done"}
        self.assertIn("canon-40d.jpg", done)
        self.assertEqual(sorted(os.listdir(out)), sorted(os.path.splitext(n)[0] + ".thumb.jpg" for n in done))
        photo = os.path.join(root, "a", "canon-40d.jpg")
        self.assertEqual(read(os.path.join(out, "canon-40d.thumb.jpg")), exif_thumbnail(photo))
        # An edit with -o writes the edited copy beside the photo under the pattern's name, the photo untouched.
        edited = json_lines(run("delete", "-r", "--json", "-o", "%d/%f-small.%e", root).stdout)
        self.assertIn(("done", photo), [(line["outcome"], line["path"]) for line in edited])
        copy = os.path.join(root, "a", "canon-40d-small.jpg")
        self.assertEqual(image_data(read(copy)), image_data(read(photo)))
        self.assertEqual(exif_thumbnail(copy), b"")
        after = tree_state(root)
        files = [p for p in before if not os.path.isdir(os.path.join(root, p))]  # folders gain the copies
        self.assertEqual({p: after[p] for p in files}, {p: before[p] for p in files})
        self.assertTrue(all("-small" in p for p in set(after) - set(before)), set(after) - set(before))
        again = run("delete", "-r", "-o", "%d/%f-small.%e", root)  # the copies exist: refused, never overwritten
        self.assertEqual(again.returncode, 1)
        self.assertIn(b"File exists", again.stderr)
        # Not even --force removes the photo under another spelling of its name.
        photo_bytes = read(photo)
        itself = run("delete", "--force", "-o", "%d/./%f.%e", photo)
        self.assertEqual(itself.returncode, 1)
        self.assertIn(b"the photo itself", itself.stderr)
        self.assertEqual(read(photo), photo_bytes)

    def test_info_json_lines_stay_valid_around_a_bad_photo(self):
        root = self.make_tree("tree")
        names = ["a/canon-40d.jpg", "truncated.jpg", "text.jpg", "absent.jpg", "a/b/c/kodak-dc240-mm.jpg"]
        result = run("info", "--json", *[os.path.join(root, n) for n in names])
        self.assertEqual(result.returncode, 1)
        lines = json_lines(result.stdout)
        self.assertEqual(len(lines), len(names))
        self.assertEqual(lines[0]["cameraModel"], "Canon EOS 40D")
        self.assertEqual(lines[4]["byteOrder"], "MM")
        for line in lines[1:4]:
            self.assertEqual(line["outcome"], "failed")
            self.assertTrue(line["message"])

    def test_interrupted_run_leaves_every_photo_whole(self):
        folder = os.path.join(self.dir, "many")
        os.makedirs(folder)
        original = read(os.path.join(PHOTOS, "canon-40d.jpg"))
        count = 3000
        for i in range(count):
            with open(os.path.join(folder, f"p{i:04}.jpg"), "wb") as f:
                f.write(original)
        process = subprocess.Popen([LUMIVEX, "replace", "-r", "-j", "2", "-t", self.thumb, folder],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 60
        while not os.path.exists(os.path.join(folder, "p0000.jpg.orig")) and time.monotonic() < deadline:
            time.sleep(0.005)
        process.send_signal(signal.SIGINT)
        _, stderr = process.communicate(timeout=120)
        self.assertEqual(process.returncode, 130, stderr)
        self.assertIn(b"interrupted", stderr)
        names = sorted(os.listdir(folder))
        photos = [n for n in names if n.endswith(".jpg")]
        self.assertEqual(len(photos), count)
        self.assertEqual([n for n in names if not n.endswith((".jpg", ".jpg.orig"))], [])  # no temporary file
        edited = [n for n in photos if os.path.exists(os.path.join(folder, n + ".orig"))]
        self.assertLess(len(edited), count)
        new_length = len(read(self.thumb))
        facts = json_lines(run("info", "--json", *[os.path.join(folder, n) for n in photos]).stdout)
        for name, fact in zip(photos, facts):
            data = read(os.path.join(folder, name))
            self.assertEqual(image_data(data), image_data(original), name)
            if name in edited:
                self.assertEqual(fact["thumbLength"], new_length, name)
                self.assertEqual(read(os.path.join(folder, name + ".orig")), original, name)
            else:
                self.assertEqual(data, original, name)


if __name__ == "__main__":
    unittest.main()
