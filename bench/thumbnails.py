#!/usr/bin/env python3
"""Benchmarks `lumivex regenerate` and `lumivex check` against the usual outside pipeline (ImageMagick
`convert -thumbnail 160x120`, then `exiv2 -it`), side by side in one run, and the peak memory of both on a
24-megapixel photo. Times are the best of --reps runs, each on a fresh copy of the photos (not timed, flushed
before the run). The tools work on one core, so "on one core" is their processor time (user and system, from
getrusage of the children): the machine is shared, and the wall time, given beside it, counts the waits too.
    thumbnails.py --corpus DIR --lumivex PROGRAM --results FILE [--reps N] [--tiny]
DIR is the corpus of bench/corpus.py (its photos/ folder is used)."""

import argparse
import glob
import os
import resource
import shutil
import subprocess
import sys
import time

CONVERT = "/usr/bin/convert"
SEED_PHOTO = os.path.join(os.path.dirname(__file__), "..", "tests", "data", "photos", "nikon-gps.jpg")


def fresh_copy(photos, run_dir):
    shutil.rmtree(run_dir, ignore_errors=True)
    os.makedirs(os.path.join(run_dir, "thumbs"))
    copies = []
    for p in photos:
        copies.append(shutil.copy(p, run_dir))
    subprocess.run(["sync"], check=True)
    return copies


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(fn, photos, run_dir, reps):
    """(processor seconds, wall seconds) of the best run, and the copies it worked on."""
    best = None
    for _ in range(reps):
        copies = fresh_copy(photos, run_dir)
        cpu, start = children_cpu(), time.perf_counter()
        fn(copies, run_dir)
        elapsed = (children_cpu() - cpu, time.perf_counter() - start)
        best = elapsed if best is None else min(best, elapsed)
    return best, copies


def lumivex_regenerate(lumivex):
    def fn(copies, _):
        subprocess.run([lumivex, "regenerate", *copies], capture_output=True)
    return fn


def lumivex_check(lumivex):
    def fn(copies, _):
        subprocess.run([lumivex, "check", *copies], capture_output=True)
    return fn


def outside_pipeline(copies, run_dir):
    thumbs = os.path.join(run_dir, "thumbs")
    for p in copies:
        stem = os.path.basename(p)[:-4]
        subprocess.run([CONVERT, p, "-thumbnail", "160x120", os.path.join(thumbs, stem + "-thumb.jpg")],
                       capture_output=True)
        subprocess.run(["exiv2", "-it", "-l", thumbs, p], capture_output=True)


def outside_pipeline_scaled(copies, run_dir):
    """The same with ImageMagick told the size it needs, so that libjpeg decodes it at a reduced scale."""
    thumbs = os.path.join(run_dir, "thumbs")
    for p in copies:
        stem = os.path.basename(p)[:-4]
        subprocess.run([CONVERT, "-define", "jpeg:size=320x240", p, "-thumbnail", "160x120",
                        os.path.join(thumbs, stem + "-thumb.jpg")], capture_output=True)
        subprocess.run(["exiv2", "-it", "-l", thumbs, p], capture_output=True)


def thumbnail_size(path):
    """(width, height) of the embedded thumbnail, read with exiftool; None when there is none."""
    data = subprocess.run(["exiftool", "-b", "-ThumbnailImage", path], capture_output=True).stdout
    if not data:
        return None
    out = subprocess.run(["/usr/bin/identify", "-format", "%w %h", "-"], input=data, capture_output=True)
    return tuple(map(int, out.stdout.split())) if out.returncode == 0 else None


def peak_kib_and_cpu(argv):
    out = subprocess.run(["/usr/bin/time", "-f", "%M %U %S", *argv], capture_output=True, text=True)
    kib, user, system = out.stderr.strip().splitlines()[-1].split()
    return int(kib), (float(user) + float(system)) * 1000


def make_24mp(path):
    """A 6000x4000 photo with the seed photo's Exif block (and so its old thumbnail), noisy like a camera's."""
    if not os.path.exists(path):
        subprocess.run([CONVERT, SEED_PHOTO, "-resize", "6000x4000!", "-attenuate", "0.4", "+noise", "Gaussian",
                        "-quality", "92", path], check=True)
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--lumivex", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("--reps", type=int, default=3)
    parser.add_argument("--tiny", action="store_true")
    args = parser.parse_args()

    work = os.path.join(os.path.dirname(os.path.abspath(args.results)), "thumbnails-work")
    photos = sorted(glob.glob(os.path.join(args.corpus, "photos", "*.jpg")))
    big = make_24mp(os.path.join(os.path.dirname(os.path.abspath(args.corpus)), "photo-24mp.jpg"))
    megabytes = sum(os.path.getsize(p) for p in photos) / 1e6
    run_dir = os.path.join(work, "run")
    failures = []

    cases = [("lumivex regenerate", lumivex_regenerate(args.lumivex)),
             ("convert -thumbnail 160x120 + exiv2 -it", outside_pipeline),
             ("the same with -define jpeg:size=320x240", outside_pipeline_scaled),
             ("lumivex check", lumivex_check(args.lumivex))]
    rows = []
    for name, fn in cases:
        seconds, copies = timed(fn, photos, run_dir, args.reps)
        rows.append((name, seconds))
        # A tool that fails quickly must not pass for a fast one: the edits leave a thumbnail in the box.
        if name != "lumivex check":
            for p in copies[:: max(1, len(copies) // 8)]:
                size = thumbnail_size(p)
                if size is None or size[0] > 160 or size[1] > 120:
                    failures.append(f"{name}: {os.path.basename(p)} has no thumbnail in the box ({size})")

    big_mb = os.path.getsize(big) / 1e6
    big_rows = []
    for name, argv in (("lumivex regenerate", [args.lumivex, "regenerate"]), ("lumivex check", [args.lumivex, "check"]),
                       ("convert -thumbnail 160x120", [CONVERT, "-", "-thumbnail", "160x120"])):
        copy = fresh_copy([big], run_dir)[0]
        full = argv + [copy] if "-" not in argv else [CONVERT, copy, "-thumbnail", "160x120",
                                                     os.path.join(run_dir, "thumbs", "big-thumb.jpg")]
        big_rows.append((name, *peak_kib_and_cpu(full)))
    shutil.rmtree(work, ignore_errors=True)

    cpu = {name: t[0] for name, t in rows}
    regen = cpu["lumivex regenerate"] * 1000 / megabytes
    check = cpu["lumivex check"] * 1000 / megabytes
    outside = cpu["convert -thumbnail 160x120 + exiv2 -it"] * 1000 / megabytes
    lines = [
        "# Thumbnails made from the photo, and the check for stale ones",
        "",
        f"{len(photos)} photos, {megabytes:.1f} MB, best of {args.reps} run(s), one process for all photos "
        "(the outside pipeline: two processes per photo). Targets: regenerate at most 10 ms/MB and at least 5x "
        "faster than the outside pipeline; check at most 8 ms/MB; at most 16 MiB for a 24-megapixel photo.",
        "",
        "| case | processor s | ms per MB on one core | vs. outside pipeline | wall s | wall ms per MB |",
        "|---|---:|---:|---:|---:|---:|",
    ]
    for name, (c, w) in rows:
        per_mb = c * 1000 / megabytes
        lines.append(f"| {name} | {c:.2f} | {per_mb:.2f} | {outside / per_mb:.1f}x | {w:.2f} | "
                     f"{w * 1000 / megabytes:.2f} |")
    lines += ["", f"24-megapixel photo (6000x4000, {big_mb:.1f} MB): peak resident memory and time of one process",
              "", "| case | peak MiB | processor ms | ms per MB |", "|---|---:|---:|---:|"]
    for name, kib, ms in big_rows:
        lines.append(f"| {name} | {kib / 1024:.1f} | {ms:.0f} | {ms / big_mb:.1f} |")
    verdict = [
        f"regenerate {regen:.2f} ms/MB (target 10): {'met' if regen <= 10 else 'NOT met'}",
        f"regenerate {outside / regen:.1f}x faster than the outside pipeline (target 5x): "
        f"{'met' if outside / regen >= 5 else 'NOT met'}",
        f"check {check:.2f} ms/MB (target 8): {'met' if check <= 8 else 'NOT met'}",
    ]
    for name, kib, _ in big_rows[:2]:
        verdict.append(f"{name} peak {kib / 1024:.1f} MiB on 24 MP (target 16): {'met' if kib <= 16 * 1024 else 'NOT met'}")
    lines += ["", *("- " + v for v in verdict)]
    if failures:
        lines += ["", "Failures:", *("- " + f for f in failures)]
    text = "\n".join(lines) + "\n"
    os.makedirs(os.path.dirname(os.path.abspath(args.results)), exist_ok=True)
    with open(args.results, "w") as f:
        f.write(text)
    print(text)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
