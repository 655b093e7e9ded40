"""Work that nothing else bounds, and outputs that must not reach what they should not: decoder bombs made on the
spot, FIFOs (always guarded by SIGKILL), links where outputs go, and a run asked twice to stop."""

import os
import shutil
import signal
import stat
import struct
import subprocess
import tempfile
import threading
import time
import unittest

import jpeg_bombs

LUMIVEX = os.environ["LUMIVEX"]
PHOTOS = os.path.join(os.environ["LUMIVEX_TEST_DATA"], "photos")
PHOTO = os.path.join(PHOTOS, "canon-40d.jpg")

MAX_RSS_BYTES = 256 << 20  # the time each bomb takes is measured by bench/decoder_bombs.py
GUARD_SECONDS = 20  # a run still going after this is stuck: SIGKILL, never a signal it could catch
# LeakSanitizer cannot run under ptrace; the rows under strace do not look for leaks.
TRACED_ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def measured(args):
    """(returncode, output, peak RSS in bytes) of one run; SIGKILL after GUARD_SECONDS."""
    with tempfile.TemporaryFile() as output:
        proc = subprocess.Popen([LUMIVEX, *args], stdout=output, stderr=subprocess.STDOUT)
        guard = threading.Timer(GUARD_SECONDS, proc.kill)
        guard.start()
        _, status, usage = os.wait4(proc.pid, 0)
        guard.cancel()
        proc.returncode = os.waitstatus_to_exitcode(status)
        output.seek(0)
        return proc.returncode, output.read().decode(errors="replace"), usage.ru_maxrss * 1024


def run(args, guard=GUARD_SECONDS):
    """(returncode, output) of a run that must end by itself; SIGKILL after guard seconds fails it."""
    try:
        done = subprocess.run([LUMIVEX, *args], capture_output=True, timeout=guard)
    except subprocess.TimeoutExpired:
        raise AssertionError("lumivex %s did not end within %d s" % (" ".join(args), guard))
    return done.returncode, (done.stdout + done.stderr).decode(errors="replace")


def photo_with_exif(jpeg):
    """A bomb that carries a real photo's Exif block, so that the commands go on to decode it."""
    return jpeg_bombs.progressive(*jpeg, app1=jpeg_bombs.exif_app1(read(PHOTO)))


def photo_with_thumbnail(workdir, thumbnail):
    path = os.path.join(workdir, "carrier.jpg")
    shutil.copy(PHOTO, path)
    thumb = os.path.join(workdir, "thumb-in.jpg")
    write(thumb, thumbnail)
    subprocess.run(["exiftool", "-q", "-overwrite_original", "-ThumbnailImage<=" + thumb, path], check=True)
    return read(path)


def with_exif_segment_first(photo):
    """The photo with a second, thumbnail-less Exif segment put before its own."""
    tiff = b"II*\0\x08\0\0\0" + struct.pack("<H", 1) + struct.pack("<HHII", 0x010F, 2, 6, 26) + b"\0\0\0\0Maker\0"
    body = b"Exif\0\0" + tiff
    return photo[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + photo[2:]


class Workspace(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lumivex-bounded-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)


# (what, the photo's bytes made from the workspace, command, what the refusal says)
BOMBS = [
    ("progressive 40000x40000, DC scan only (3.1 MB)", lambda w: photo_with_exif((40000, 40000)), ["check"],
     "too large to decode"),
    ("progressive 4096x4096 with 883 scans", lambda w: photo_with_exif((4096, 4096, "all")),
     ["regenerate", "--dry-run"], "more than 64 scans"),
    ("a 31 KB thumbnail that is a progressive 4000x4000", lambda w: photo_with_thumbnail(
        w, jpeg_bombs.progressive(4000, 4000)), ["check"], "more than 2048 pixels a side"),
]


class DecoderBombs(Workspace):
    def test_each_bomb_is_refused_within_the_budget(self):
        for what, make, command, refusal in BOMBS:
            with self.subTest(what):
                photo = self.path("bomb.jpg")
                write(photo, make(self.dir))
                rc, out, rss = measured([*command, photo])
                self.assertIn(refusal, out)
                self.assertEqual(rc, 1, out)
                self.assertLess(rss, MAX_RSS_BYTES, out)


# (what, the new thumbnail's bytes, what the refusal says)
NEW_THUMBNAILS = [
    ("FF D8 GARBAGE FF D9", b"\xff\xd8GARBAGE\xff\xd9", "not a thumbnail: bad JPEG data"),
    ("a progressive 4000x4000", jpeg_bombs.progressive(4000, 4000), "more than 2048 pixels a side"),
]


class NewThumbnails(Workspace):
    def test_replace_decodes_the_new_thumbnail_first(self):
        for what, thumbnail, refusal in NEW_THUMBNAILS:
            with self.subTest(what):
                photo, thumb = self.path("p.jpg"), self.path("t.jpg")
                shutil.copy(PHOTO, photo)
                write(thumb, thumbnail)
                rc, out = run(["replace", photo, thumb])
                self.assertEqual(rc, 1, out)
                self.assertIn("Refused", out)
                self.assertIn(refusal, out)
                self.assertEqual(read(photo), read(PHOTO))
                self.assertFalse(os.path.exists(photo + ".orig"))

    def test_regenerate_gives_the_edits_own_reason(self):
        photo = self.path("two-segments.jpg")
        write(photo, with_exif_segment_first(read(PHOTO)))
        rc, out = run(["regenerate", photo])
        self.assertEqual(rc, 1, out)
        self.assertIn("the thumbnail is named in a second Exif segment", out)
        self.assertNotIn("bytes left", out)


def make_link(workdir):
    target = os.path.join(workdir, "target")
    write(target, b"not to be touched")
    os.symlink(target, os.path.join(workdir, "out"))


def make_fifo(workdir):
    os.mkfifo(os.path.join(workdir, "out"))


def make_photo(workdir):
    shutil.copy(PHOTO, os.path.join(workdir, "out"))


# (what, how OUT is made, arguments with OUT and PHOTO, exit code, what must hold afterwards)
OUTPUTS = [
    ("export --force over a link replaces the link", make_link, ["export", "--force", "PHOTO", "OUT"], 0,
     "replaced"),
    ("export --force to a FIFO is refused at once", make_fifo, ["export", "--force", "PHOTO", "OUT"], 1, "fifo"),
    ("check --sheet over a photo (FILE forgotten) is refused", make_photo, ["check", "--sheet", "OUT", "PHOTO"], 1,
     "photo"),
    ("check --sheet --force over a link replaces the link", make_link,
     ["check", "--force", "--sheet", "OUT", "PHOTO"], 0, "replaced"),
    ("check --sheet --force to a FIFO is refused at once", make_fifo, ["check", "--force", "--sheet", "OUT", "PHOTO"],
     1, "fifo"),
]


class Outputs(Workspace):
    def test_outputs_replace_names_and_never_write_through_them(self):
        for what, make, args, code, after in OUTPUTS:
            with self.subTest(what):
                shutil.rmtree(self.dir)
                os.mkdir(self.dir)
                photo, out = self.path("p.jpg"), self.path("out")
                shutil.copy(PHOTO, photo)
                make(self.dir)
                rc, text = run([photo if a == "PHOTO" else out if a == "OUT" else a for a in args])
                self.assertEqual(rc, code, text)
                if after == "replaced":
                    self.assertTrue(stat.S_ISREG(os.lstat(out).st_mode))
                    self.assertEqual(read(out)[:2], b"\xff\xd8")
                    self.assertEqual(read(self.path("target")), b"not to be touched")
                elif after == "fifo":
                    self.assertTrue(stat.S_ISFIFO(os.lstat(out).st_mode))
                else:
                    self.assertEqual(read(out), read(PHOTO))
                self.assertEqual([n for n in os.listdir(self.dir) if ".lumivex-" in n], [])


class PhotoFifos(Workspace):
    def test_a_fifo_given_as_the_photo_never_blocks(self):
        fifo = self.path("p.jpg")
        os.mkfifo(fifo)
        os.symlink(fifo, self.path("link.jpg"))
        for command in (["info"], ["check"], ["regenerate"]):
            for name in ("p.jpg", "link.jpg"):
                with self.subTest(command=command, name=name):
                    rc, out = run([*command, self.path(name)], guard=5)
                    self.assertEqual(rc, 1, out)


def wait_until_catching(pid, signum):
    """Until the process has its handler for signum in place, as /proc says."""
    for _ in range(1000):
        with open("/proc/%d/status" % pid) as status:
            caught = [line.split()[1] for line in status if line.startswith("SigCgt:")]
        if caught and int(caught[0], 16) >> (signum - 1) & 1:
            return
        time.sleep(0.01)
    raise AssertionError("the signal handler was never installed")


def child_of(pid):
    """The one process strace started."""
    for _ in range(200):
        found = subprocess.run(["pgrep", "-P", str(pid)], capture_output=True, text=True).stdout.split()
        if found:
            return int(found[0])
        time.sleep(0.01)
    raise AssertionError("strace started no process")


def traced(strace_args, args):
    return subprocess.Popen(["strace", "-f", "-qq", "-o", "/dev/null", *strace_args, LUMIVEX, *args],
                            env=TRACED_ENV, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)


def end_traced(proc):
    """Waits for a traced run; a stuck one is killed, the tool first (a tracee outlives its strace)."""
    try:
        out, _ = proc.communicate(timeout=GUARD_SECONDS)
        return proc.returncode, out.decode(errors="replace")
    except subprocess.TimeoutExpired:
        try:
            os.kill(child_of(proc.pid), signal.SIGKILL)
        except (AssertionError, ProcessLookupError):
            pass
        proc.kill()
        proc.communicate()
        raise AssertionError("the run did not end within %d s" % GUARD_SECONDS)


class Interrupts(Workspace):
    def test_a_second_interrupt_ends_the_run_within_a_second(self):
        photo = self.path("many-scans.jpg")
        write(photo, photo_with_exif((8192, 8192, "all")))
        proc = subprocess.Popen([LUMIVEX, "check", photo], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        wait_until_catching(proc.pid, signal.SIGINT)
        time.sleep(0.5)  # into the photo's decode, which takes seconds
        proc.send_signal(signal.SIGINT)
        time.sleep(0.2)
        asked = time.monotonic()
        proc.send_signal(signal.SIGINT)
        try:
            proc.communicate(timeout=GUARD_SECONDS)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
        self.assertLess(time.monotonic() - asked, 1.0)
        self.assertEqual(proc.returncode, 128 + signal.SIGINT)

    @unittest.skipUnless(shutil.which("strace"), "needs strace to hold the edit open")
    def test_a_second_interrupt_removes_the_temporary_files_and_keeps_the_photo(self):
        photo = self.path("p.jpg")
        shutil.copy(PHOTO, photo)
        # The new file's mode is set after it is written and before it takes the photo's name: held there.
        proc = traced(["-e", "trace=fchmod", "-e", "inject=fchmod:delay_enter=3s"], ["delete", "--no-backup", photo])
        start = time.monotonic()
        while not [n for n in os.listdir(self.dir) if ".lumivex-" in n] and time.monotonic() - start < 10:
            time.sleep(0.02)
        tool = child_of(proc.pid)
        wait_until_catching(tool, signal.SIGTERM)
        os.kill(tool, signal.SIGINT)
        time.sleep(0.1)
        os.kill(tool, signal.SIGTERM)
        rc, out = end_traced(proc)
        self.assertEqual(rc, 128 + signal.SIGTERM, out)
        self.assertEqual(os.listdir(self.dir), ["p.jpg"])
        self.assertEqual(read(photo), read(PHOTO))

    @unittest.skipUnless(shutil.which("strace"), "needs strace to hold the walk open")
    def test_the_walk_never_opens_a_fifo_swapped_in_after_it_looked(self):
        folder = self.path("tree")
        os.mkdir(folder)
        entry = os.path.join(folder, "x")
        shutil.copy(PHOTO, entry)
        log = self.path("strace.log")
        # Held right after the walk has seen a regular file there.
        proc = subprocess.Popen(["strace", "-f", "-qq", "-o", log, "-P", entry, "-e", "trace=newfstatat,lstat,statx",
                                 "-e", "inject=newfstatat,lstat,statx:delay_exit=2s:when=1", LUMIVEX, "info", "-r",
                                 folder], env=TRACED_ENV, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        start = time.monotonic()
        while time.monotonic() - start < 10 and not (os.path.exists(log) and entry in read(log).decode()):
            time.sleep(0.02)
        os.remove(entry)
        os.mkfifo(entry)
        rc, out = end_traced(proc)
        self.assertEqual(rc, 0, out)
        self.assertIn("0 photos", out)


if __name__ == "__main__":
    unittest.main()
