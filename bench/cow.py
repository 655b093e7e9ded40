#!/usr/bin/env python3
"""Edits on a file system that clones (XFS with reflink, loop-mounted here; needs root and a C compiler) against
copying the photos and against exiv2, and the same edits on the ordinary disk; writes bench/results/cow.md.

    bench/cow.py [--lumivex PROGRAM] [--base PROGRAM] [--photos N] [--megabytes M] [--reps R] [--results FILE]
"""

import argparse
import fcntl
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = os.path.join(ROOT, "tests", "data", "photos", "canon-40d.jpg")


def sh(*args, check=True):
    return subprocess.run(list(args), capture_output=True, check=check)


def used(folder):
    st = os.statvfs(folder)
    return (st.f_blocks - st.f_bfree) * st.f_frsize


def make_library(folder, count, megabytes):
    """A real camera header with megabytes of image data after it (only copied by every tool here)."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with open(SOURCE, "rb") as f:
        head = f.read()[:-2]
    body = os.urandom(1 << 20) * megabytes
    for i in range(count):
        with open(os.path.join(folder, f"p{i:03d}.jpg"), "wb") as f:
            f.write(head + body + b"\xff\xd9")
    os.sync()
    return sorted(os.path.join(folder, n) for n in os.listdir(folder))


def timed(args):
    """The run and the writing back of what it wrote: an edit is done when it is on the disk."""
    os.sync()
    start = time.perf_counter()
    subprocess.run(args, capture_output=True, check=False)
    os.sync()
    return time.perf_counter() - start


FICLONERANGE = 0x4020940D


def clone_floor(photos, blocks, growth, backup):
    """The floor's steps (see cow_floor.c) in this script's own process: no program to start."""
    head = b"\0" * (4096 * blocks)
    os.sync()
    start = time.perf_counter()
    for photo in photos:
        temp = photo + ".floor"
        with open(photo, "rb") as source:
            fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
            try:
                # struct file_clone_range: the source, from its start to its end, to `growth` blocks in.
                fcntl.ioctl(fd, FICLONERANGE, struct.pack("qQQQ", source.fileno(), 0, 0, 4096 * growth))
                os.pwrite(fd, head, 0)
            finally:
                os.close(fd)
        if backup:
            os.link(photo, photo + ".orig")
        os.rename(temp, photo)
    os.sync()
    return time.perf_counter() - start


# Each edit against the floor that does what it must: replace grows the head by a block (the clone moved by one,
# two blocks written), delete keeps its size (one written), and without a backup the old photo's blocks are let
# go by the rename. The floor is a program started once for all photos, as the tool is; the same steps in this
# script are shown beside it. (blocks written, blocks grown, backup)
FLOORS = {
    "floor: clone + 2 head blocks": (2, 1, True),
    "floor: clone + 1 head block": (1, 0, True),
    "floor: clone + 2 head blocks, no backup": (2, 1, False),
}
IN_SCRIPT = " (in this script)"
FLOOR_OF = {
    "lumivex replace": "floor: clone + 2 head blocks",
    "lumivex delete": "floor: clone + 1 head block",
    "earlier build: replace": "floor: clone + 2 head blocks",
    "earlier build: delete": "floor: clone + 1 head block",
    "lumivex replace --no-backup": "floor: clone + 2 head blocks, no backup",
}


def build_floor(work):
    program = os.path.join(work, "cow_floor")
    sh("cc", "-O2", "-o", program, os.path.join(ROOT, "bench", "cow_floor.c"))
    return program


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lumivex", default=os.path.join(ROOT, "build", "release", "cli", "lumivex"))
    parser.add_argument("--base", help="an earlier build of lumivex, timed beside this one")
    parser.add_argument("--photos", type=int, default=40)
    parser.add_argument("--megabytes", type=int, default=10)
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--results", default=os.path.join(ROOT, "bench", "results", "cow.md"))
    opts = parser.parse_args()
    if os.geteuid() != 0 or shutil.which("mkfs.xfs") is None or shutil.which("cc") is None:
        print("bench/cow.py: needs root, mkfs.xfs (xfsprogs) to loop-mount XFS, and cc", file=sys.stderr)
        return 2

    work = tempfile.mkdtemp(prefix="lumivex-cow-bench-", dir=os.path.join(ROOT, "bench"))
    floor_program = build_floor(work)
    mount = os.path.join(work, "xfs")
    os.makedirs(mount)
    image = os.path.join(work, "xfs.img")
    with open(image, "wb") as f:
        f.truncate((opts.photos * opts.megabytes * 4 + 256) << 20)
    sh("mkfs.xfs", "-q", "-m", "reflink=1", image)
    sh("mount", "-o", "loop", image, mount)
    thumb = os.path.join(work, "thumb.jpg")
    with open(thumb, "wb") as f:
        f.write(sh("exiftool", "-b", "-ThumbnailImage", os.path.join(ROOT, "tests", "data", "photos", "nikon-d70.jpg")).stdout)
    rows = []
    try:
        for disk, base in (("xfs reflink", mount), ("local disk", work)):
            library = os.path.join(base, "library")
            out = os.path.join(base, "copies")
            thumbs = os.path.join(base, "thumbs")
            cases = {
                **{name: (lambda steps: lambda photos: [floor_program, *(str(int(n)) for n in steps)] + photos)(steps)
                   for name, steps in FLOORS.items()},
                **{name + IN_SCRIPT: None for name in FLOORS},
                "cp --reflink=never": lambda photos: ["cp", "--reflink=never", "-t", out] + photos,
                "lumivex replace": lambda photos: [opts.lumivex, "replace", "-t", thumb] + photos,
                "lumivex replace --no-backup": lambda photos: [opts.lumivex, "replace", "--no-backup", "-t", thumb] + photos,
                "lumivex delete": lambda photos: [opts.lumivex, "delete"] + photos,
                "exiv2 -it": lambda photos: ["exiv2", "-it", "-l", thumbs] + photos,
            }
            if opts.base:
                cases["earlier build: replace"] = lambda photos: [opts.base, "replace", "-t", thumb] + photos
                cases["earlier build: delete"] = lambda photos: [opts.base, "delete"] + photos
            times = {name: [] for name in cases}
            growth = {name: [] for name in cases}
            for _ in range(opts.reps):
                for name, command in cases.items():
                    photos = make_library(library, opts.photos, opts.megabytes)
                    shutil.rmtree(out, ignore_errors=True)
                    os.makedirs(out)
                    shutil.rmtree(thumbs, ignore_errors=True)
                    os.makedirs(thumbs)
                    for p in photos:
                        shutil.copyfile(thumb, os.path.join(thumbs, os.path.basename(p)[:-4] + "-thumb.jpg"))
                    os.sync()
                    before = used(base)
                    if name.startswith("floor") and disk != "xfs reflink":
                        continue
                    if command is None:
                        times[name].append(clone_floor(photos, *FLOORS[name[: -len(IN_SCRIPT)]]))
                    else:
                        times[name].append(timed(command(photos)))
                    os.sync()
                    growth[name].append(used(base) - before)
            size = opts.photos * opts.megabytes << 20
            copy = statistics.median(times["cp --reflink=never"])
            for name in cases:
                if not times[name]:
                    continue
                t = statistics.median(times[name])
                floor_name = FLOOR_OF.get(name, name if name.startswith("floor") else None)
                if floor_name and floor_name.endswith(IN_SCRIPT):
                    floor_name = floor_name[: -len(IN_SCRIPT)]
                floors = (None, None)
                if disk == "xfs reflink" and floor_name:
                    floors = tuple(t / statistics.median(times[floor_name + kind]) for kind in ("", IN_SCRIPT))
                rows.append((disk, name, t, copy / t, *floors, statistics.median(growth[name]) / size))
    finally:
        sh("umount", mount, check=False)
        shutil.rmtree(work, ignore_errors=True)

    load = os.getloadavg()[0]
    lines = [
        "# Copy-on-write benchmark",
        "",
        f"Run {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())} on {os.cpu_count()} cores, load average {load:.1f};"
        f" {opts.photos} photos of {opts.megabytes} MiB (a real camera header, the rest image data), median of"
        f" {opts.reps}, a fresh library for every run. XFS: a loop-mounted image made with reflink=1."
        " Each time includes writing everything back to the disk (sync). × cp: how many times faster than copying"
        " the photos without sharing blocks, in the same run. The floors (XFS only): per photo a clone, the head"
        " blocks the edit changes written over it (the replacement grows the head by a block: the clone moved by one,"
        " two written; the deletion keeps its size: one), a hard-linked backup (or none) and a rename, by a small C program (cow_floor.c)"
        " started once for all photos, as the tool is, and the same steps in this script's own process, where no"
        " program starts. × floor: a case's time over its floor's in the same run; × in script: over the script's."
        + (f" Earlier build: {opts.base}." if opts.base else ""),
        " Space: what the file system's used space grew by, over the size of the photos (backups included).",
        "",
        "| file system | case | median ms | ms per photo | × cp | × floor | × in script | space / library |",
        "|---|---|---:|---:|---:|---:|---:|---:|",
    ]
    for disk, name, t, ratio, over_floor, over_script, space in rows:
        floor_text = f"{over_floor:.2f}×" if over_floor else ""
        script_text = f"{over_script:.2f}×" if over_script else ""
        lines.append(f"| {disk} | {name} | {1000 * t:.1f} | {1000 * t / opts.photos:.3f} | {ratio:.1f}× | {floor_text} |"
                     f" {script_text} | {space:.3f} |")
    with open(opts.results, "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
