#!/usr/bin/env python3
"""Seconds and peak resident memory of lumivex on decoder bombs, and on the most costly picture it still
decodes (a progressive image just inside the memory budget, with the most scans allowed).

    bench/decoder_bombs.py [--lumivex PATH]     # default: build/release/cli/lumivex

Targets: at most 10 s and 256 MiB per photo. The bombs are made on the spot (tests/faults/jpeg_bombs.py) and
carry a real photo's Exif block, so that check and regenerate go on to decode them."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "faults"))
import jpeg_bombs  # noqa: E402

PHOTO = os.path.join(HERE, "..", "tests", "data", "photos", "canon-40d.jpg")


def with_exif(data):
    app1 = jpeg_bombs.exif_app1(open(PHOTO, "rb").read())
    return data[:2] + app1 + data[2:]


def with_thumbnail(workdir, thumbnail):
    path = os.path.join(workdir, "carrier.jpg")
    shutil.copy(PHOTO, path)
    thumb = os.path.join(workdir, "thumb.jpg")
    open(thumb, "wb").write(thumbnail)
    subprocess.run(["exiftool", "-q", "-overwrite_original", "-ThumbnailImage<=" + thumb, path], check=True)
    return open(path, "rb").read()


CASES = [
    ("progressive 40000x40000, DC scan only", lambda w: with_exif(jpeg_bombs.progressive(40000, 40000))),
    ("progressive 8192x8192, 883 scans", lambda w: with_exif(jpeg_bombs.progressive(8192, 8192, "all"))),
    ("thumbnail: progressive 4000x4000", lambda w: with_thumbnail(w, jpeg_bombs.progressive(4000, 4000))),
    ("most costly still decoded: progressive 10000x10000, 21 scans",
     lambda w: with_exif(jpeg_bombs.progressive(10000, 10000, 21))),
    ("one scan more: progressive 10000x10000, 22 scans",
     lambda w: with_exif(jpeg_bombs.progressive(10000, 10000, 22))),
]


def measure(lumivex, args):
    start = time.monotonic()
    proc = subprocess.Popen([lumivex, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - start
    message = proc.stdout.read().decode(errors="replace").strip().splitlines()
    return seconds, usage.ru_maxrss / 1024, os.waitstatus_to_exitcode(status), message[0] if message else ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lumivex", default=os.path.join(HERE, "..", "build", "release", "cli", "lumivex"))
    lumivex = parser.parse_args().lumivex
    work = tempfile.mkdtemp(prefix="lumivex-bombs-")
    try:
        print("| input | command | size | seconds | peak RSS (MiB) | exit | says |")
        print("|---|---|---|---|---|---|---|")
        for what, make in CASES:
            photo = os.path.join(work, "bomb.jpg")
            data = make(work)
            for command in (["check"], ["regenerate", "--dry-run"]):
                open(photo, "wb").write(data)
                seconds, rss, code, said = measure(lumivex, [*command, photo])
                print("| %s | %s | %d KB | %.2f | %.0f | %d | %s |" % (
                    what, " ".join(command), len(data) // 1024, seconds, rss, code, said.replace(photo, "PHOTO")))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
