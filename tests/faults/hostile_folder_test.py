"""The tool run by root in folders that another user (`nobody`) can write: every row is an attack or an accident
of such a folder, held open at a named step of the edit (LUMIVEX_TEST_PAUSE_AT) rather than left to luck."""

import fcntl
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

LUMIVEX = os.environ["LUMIVEX"]
PHOTO = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos", "canon-40d.jpg")
NOBODY = 65534


def read(path):
    with open(path, "rb") as f:
        return f.read()


def as_nobody(*command):
    subprocess.run(list(command), check=True, user=NOBODY, group=NOBODY, timeout=30)


class Folder:
    """base/rootdir: root's, 0755, holding a victim file; base/shared/album: nobody's, holding the photo."""

    def __init__(self):
        self.base = tempfile.mkdtemp(prefix="lumivex-hostile-")
        os.chmod(self.base, 0o755)
        self.rootdir = os.path.join(self.base, "rootdir")
        os.mkdir(self.rootdir, 0o755)
        self.shared = os.path.join(self.base, "shared")
        self.album = os.path.join(self.shared, "album")
        os.makedirs(self.album)
        for folder in (self.shared, self.album):
            os.chown(folder, NOBODY, NOBODY)
            os.chmod(folder, 0o755)
        self.photo = self.add_photo("photo.jpg")
        self.original = read(self.photo)

    def add_photo(self, name, folder=None):
        path = os.path.join(folder or self.album, name)
        shutil.copyfile(PHOTO, path)
        os.chown(path, NOBODY, NOBODY)
        return path

    def rootdir_state(self):
        return {name: read(os.path.join(self.rootdir, name)) for name in sorted(os.listdir(self.rootdir))}

    def close(self):
        shutil.rmtree(self.base, ignore_errors=True)


def run(*args, pause=None, attack=None):
    """Runs the tool; with `pause`, stops it at that step, runs `attack`, and lets it go on."""
    env = dict(os.environ)
    gate = None
    if pause:
        gate = tempfile.mktemp(prefix="lumivex-gate-")
        env["LUMIVEX_TEST_PAUSE_AT"] = pause + ":" + gate
    tool = subprocess.Popen([LUMIVEX, "--json", *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if gate:
        deadline = time.monotonic() + 30
        while not os.path.exists(gate + ".reached") and tool.poll() is None and time.monotonic() < deadline:
            time.sleep(0.01)
        reached = os.path.exists(gate + ".reached")
        if reached and attack:
            attack()
        open(gate, "w").close()
    out, err = tool.communicate(timeout=60)
    if gate:
        for leftover in (gate, gate + ".reached"):
            if os.path.exists(leftover):
                os.unlink(leftover)
        if not reached:
            raise AssertionError("the tool never reached the step '%s': %s" % (pause, err.decode()))
    return [json.loads(line) for line in out.decode().splitlines()], err.decode()


def thumbnail_length(path):
    out = subprocess.run(["exiftool", "-s3", "-ThumbnailLength", path], capture_output=True, timeout=60)
    return out.stdout.decode().strip()


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class Swaps(unittest.TestCase):
    """A folder or a photo swapped for a link between the walk and the edit never leads the edit out of the
    folder that really holds the photo."""

    ROWS = [
        # (what is swapped, the step it happens at, the command)
        ("album", "create-temporary", ["delete", "-r"]),  # the photo's folder, after the photo was locked
        ("album", "backup", ["delete", "-r"]),
        ("album", "rename", ["delete", "-r", "--no-backup"]),
        ("photo", "open-photo", ["delete", "-r"]),  # the photo itself, after the walk
        ("photo", "open-photo", ["delete", "-r", "--no-backup"]),
        ("sub", "open-photo", ["delete", "-r"]),  # a folder on the way, after the walk
    ]

    def test_rows(self):
        for swapped, step, command in self.ROWS:
            with self.subTest(swapped=swapped, step=step, command=command):
                f = Folder()
                self.addCleanup(f.close)
                shutil.copyfile(PHOTO, os.path.join(f.rootdir, "photo.jpg"))  # root's own photo
                secret = os.path.join(f.rootdir, "secret.jpg")
                shutil.copyfile(PHOTO, secret)
                os.chmod(secret, 0o600)
                sub = os.path.join(f.album, "sub")
                os.mkdir(sub)
                os.chown(sub, NOBODY, NOBODY)
                f.add_photo("photo.jpg", sub)
                if swapped == "album":
                    attack = ["sh", "-c", 'mv "$0" "$0.real" && ln -s "$1" "$0"', f.album, f.rootdir]
                elif swapped == "photo":
                    attack = ["sh", "-c", 'rm "$0" && ln -s "$1" "$0"', f.photo, secret]
                else:
                    attack = ["sh", "-c", 'mv "$0" "$0.real" && ln -s "$1" "$0"', sub, f.rootdir]
                before = f.rootdir_state()
                run(*command, f.shared, pause=step, attack=lambda: as_nobody(*attack))
                self.assertEqual(f.rootdir_state(), before)


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class LinksTheUserChose(unittest.TestCase):
    """Links nobody else could have put there still work: named on the command line, or on the way to a folder
    in folders only root can change."""

    def test_rows(self):
        # (the link's name in root's folder, points to, the operand, options)
        rows = [
            ("photo-link.jpg", "photo", "link", []),
            ("album-link", "album", "link", ["-r"]),
            ("album-link", "album", "link/photo.jpg", []),
        ]
        for name, target, operand, options in rows:
            with self.subTest(name=name, operand=operand):
                f = Folder()
                self.addCleanup(f.close)
                link = os.path.join(f.rootdir, name)
                os.symlink(f.photo if target == "photo" else f.album, link)
                path = link if operand == "link" else os.path.join(link, "photo.jpg")
                results, _ = run("delete", *options, path)
                self.assertEqual([r["outcome"] for r in results], ["done"], results)
                self.assertTrue(os.path.islink(link))
                self.assertEqual(thumbnail_length(f.photo), "")


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class PhotoState(unittest.TestCase):
    def setUp(self):
        self.f = Folder()
        self.addCleanup(self.f.close)

    def test_a_photo_still_being_written_is_left_whole(self):
        f = self.f
        tail = b"\0" * 100000

        def append():
            as_nobody("sh", "-c", 'head -c 100000 /dev/zero >> "$0"', f.photo)

        results, _ = run("delete", "--no-backup", f.photo, pause="rename", attack=append)
        self.assertEqual(results[0]["outcome"], "failed")
        self.assertEqual(read(f.photo), f.original + tail)

    def test_a_photo_cut_short_is_edited_with_a_warning(self):
        f = self.f
        with open(f.photo, "wb") as out:
            out.write(f.original[: len(f.original) - 1000])
        results, _ = run("delete", f.photo)
        self.assertEqual(results[0]["outcome"], "done")
        self.assertIn("cut short", results[0]["message"])

    def test_hard_linked_photos(self):
        f = self.f
        names = [f.photo, os.path.join(f.album, "second.jpg"), os.path.join(f.album, "third.jpg")]
        for name in names[1:]:
            os.link(f.photo, name)
        # Without --in-place every name is refused and keeps the photo as it was.
        results, _ = run("delete", "-r", f.album)
        self.assertEqual(sorted(r["outcome"] for r in results), ["refused"] * 3)
        for name in names:
            self.assertEqual(read(name), f.original)
        # With it the one file is rewritten: every name sees the edit, and a full copy is the backup.
        results, _ = run("delete", "-r", "--in-place", f.album)
        self.assertIn("done", [r["outcome"] for r in results])
        for name in names:
            self.assertEqual(os.stat(name).st_ino, os.stat(f.photo).st_ino)
            self.assertEqual(thumbnail_length(name), "")
        self.assertEqual(read(f.photo + ".orig"), f.original)
        self.assertEqual(os.stat(f.photo + ".orig").st_nlink, 1)


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class ReplacedDuringTheEdit(unittest.TestCase):
    """Another file put in the photo's place while it is edited is left as it is; where the edit's backup has
    become the only name of the photo as it was, the backup stays."""

    def test_rows(self):
        # (the step the other file comes at, options, whether PHOTO.orig then holds the photo as it was)
        rows = [("backup", [], False), ("rename", [], True), ("rename", ["--no-backup"], False)]
        for step, options, kept in rows:
            with self.subTest(step=step, options=options):
                f = Folder()
                self.addCleanup(f.close)
                other = os.path.join(f.album, "other.jpg")
                other_bytes = f.original[:-2] + b"other" + b"\xff\xd9"
                with open(other, "wb") as out:
                    out.write(other_bytes)
                os.chown(other, NOBODY, NOBODY)
                results, _ = run("delete", *options, f.photo, pause=step, attack=lambda: as_nobody("mv", other, f.photo))
                self.assertEqual(results[0]["outcome"], "failed", results)
                self.assertIn("replaced by another file", results[0]["message"])
                self.assertEqual(read(f.photo), other_bytes)
                self.assertEqual(sorted(os.listdir(f.album)), ["photo.jpg"] + (["photo.jpg.orig"] if kept else []))
                if kept:
                    self.assertEqual(read(f.photo + ".orig"), f.original)


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class PlantedBackup(unittest.TestCase):
    """A PHOTO.orig that is not this photo's earlier version never stands in for its backup."""

    def rows(self, f):
        orig = f.photo + ".orig"
        target = os.path.join(f.rootdir, "target")
        return [
            ("symlink", lambda: os.symlink(target, orig), []),
            ("dangling link", lambda: os.symlink(os.path.join(f.rootdir, "nothing"), orig), []),
            ("folder", lambda: os.mkdir(orig), []),
            ("fifo", lambda: os.mkfifo(orig), []),
            ("another photo", lambda: shutil.copyfile(os.path.join(os.path.dirname(PHOTO), "nikon-gps.jpg"), orig), []),
            ("a second name of the photo", lambda: os.link(f.photo, orig), ["--in-place"]),  # would change with it
        ]

    def test_rows(self):
        for index in range(6):
            f = Folder()
            self.addCleanup(f.close)
            with open(os.path.join(f.rootdir, "target"), "wb") as out:
                out.write(b"root's target\n")
            name, plant, options = self.rows(f)[index]
            with self.subTest(name):
                plant()
                before = f.rootdir_state()
                results, _ = run("delete", *options, f.photo)
                self.assertEqual(results[0]["outcome"], "done")
                self.assertIn(".orig.1", results[0]["message"])
                self.assertEqual(read(f.photo + ".orig.1"), f.original)
                self.assertEqual(f.rootdir_state(), before)

    def test_the_photos_own_earlier_version_stays(self):
        f = Folder()
        self.addCleanup(f.close)
        shutil.copyfile(PHOTO, f.photo + ".orig")
        results, _ = run("delete", f.photo)
        self.assertEqual(results[0]["outcome"], "done")
        self.assertFalse(os.path.exists(f.photo + ".orig.1"))
        self.assertEqual(read(f.photo + ".orig"), f.original)


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class Leftovers(unittest.TestCase):
    def test_stale_temporary_files_of_ours_are_removed(self):
        f = Folder()
        self.addCleanup(f.close)
        old = time.time() - 3600
        # (name, locked by a running edit, modified an hour ago, kept)
        rows = [
            (".lumivex-abcdefghijkl", False, True, False),
            (".photo.jpg.lumivex-abcdefghijkl", False, True, False),  # the earlier, longer names
            (".lumivex-mnopqrstuvwx", True, True, True),
            (".lumivex-0123456789ab", False, False, True),
            (".lumivex-short", False, True, True),  # not our pattern
        ]
        held = []
        for name, locked, aged, _ in rows:
            path = os.path.join(f.album, name)
            with open(path, "wb") as out:
                out.write(b"partial copy")
            if aged:
                os.utime(path, (old, old))
            if locked:
                handle = open(path, "rb")
                fcntl.flock(handle, fcntl.LOCK_EX)
                held.append(handle)
        results, _ = run("delete", f.photo)
        self.assertEqual(results[0]["outcome"], "done")
        for name, _, _, kept in rows:
            with self.subTest(name):
                self.assertEqual(os.path.exists(os.path.join(f.album, name)), kept)
        for handle in held:
            handle.close()


@unittest.skipUnless(os.geteuid() == 0, "needs root: the second user is nobody")
class LongNames(unittest.TestCase):
    def test_rows(self):
        # (name length in bytes, options, outcome)
        rows = [
            (233, [], "done"),
            (240, [], "done"),
            (250, [], "done"),
            (251, [], "failed"),  # no room for ".orig": said so, nothing written
            (255, ["--no-backup"], "done"),
        ]
        for length, options, outcome in rows:
            with self.subTest(length=length, options=options):
                f = Folder()
                self.addCleanup(f.close)
                name = "p" * (length - 4) + ".jpg"
                path = f.add_photo(name)
                results, _ = run("delete", *options, path)
                self.assertEqual(results[0]["outcome"], outcome, results[0]["message"])
                if outcome == "done":
                    self.assertEqual(thumbnail_length(path), "")
                else:
                    self.assertEqual(read(path), read(PHOTO))


if __name__ == "__main__":
    unittest.main()
