#!/usr/bin/env python3
"""Two builds of lumivex side by side on the benchmark corpus: the batch edits, export, info and check, each
case timed for both builds in the same round on fresh copies, the rounds interleaved, so that a shared machine's
noise falls on both alike. Writes a Markdown table of the medians and their ratio.

    bench/versions.py --old PROGRAM --new PROGRAM [--corpus DIR] [--photos N] [--reps N] [--results FILE]

--photos N takes N photos spread evenly over the corpus, so that its mix of sizes and layouts stays.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HERE = os.path.join(ROOT, "bench")


def photos_in(folder):
    return sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.lower().endswith(".jpg"))


def cases(thumb, exports):
    """Each case: a name, and the command for a build given the photos of its fresh copy."""
    return {
        "replace -t THUMB (all photos)": lambda lumivex, ps: [lumivex, "replace", "-t", thumb] + ps,
        "delete (all photos)": lambda lumivex, ps: [lumivex, "delete"] + ps,
        "export (all photos)": lambda lumivex, ps: [lumivex, "export"]
        + [x for p in ps for x in (p, os.path.join(exports, os.path.basename(p) + ".thumb.jpg"))],
        "info (all photos)": lambda lumivex, ps: [lumivex, "info"] + ps,
        "check (all photos)": lambda lumivex, ps: [lumivex, "check"] + ps,
    }


def timed(args):
    os.sync()
    start = time.perf_counter()
    subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    os.sync()
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--old", required=True)
    parser.add_argument("--new", required=True)
    parser.add_argument("--corpus", default=os.path.join(HERE, "work", "corpus", "photos"))
    parser.add_argument("--photos", type=int, default=0)
    parser.add_argument("--reps", type=int, default=3)
    parser.add_argument("--results", default=os.path.join(HERE, "results", "versions.md"))
    opts = parser.parse_args()
    if not os.path.isdir(opts.corpus):
        subprocess.run([sys.executable, os.path.join(HERE, "corpus.py"), os.path.dirname(opts.corpus)], check=True)
    source = photos_in(opts.corpus)
    if 0 < opts.photos < len(source):
        source = [source[i * len(source) // opts.photos] for i in range(opts.photos)]
    megabytes = sum(os.path.getsize(p) for p in source) / (1 << 20)
    work = tempfile.mkdtemp(prefix="lumivex-versions-", dir=os.path.join(HERE, "work"))
    thumb = os.path.join(work, "thumb.jpg")
    with open(thumb, "wb") as f:
        f.write(subprocess.run(["exiftool", "-b", "-ThumbnailImage", os.path.join(ROOT, "tests", "data", "photos",
                                                                               "nikon-d70.jpg")],
                               capture_output=True, check=True).stdout)
    exports = os.path.join(work, "exports")
    table = cases(thumb, exports)
    times = {(name, build): [] for name in table for build in ("old", "new")}
    load_start = os.getloadavg()[0]
    try:
        for _ in range(opts.reps):
            for name, command in table.items():
                for build, program in (("old", opts.old), ("new", opts.new)):
                    copy = os.path.join(work, "photos")
                    shutil.rmtree(copy, ignore_errors=True)
                    shutil.rmtree(exports, ignore_errors=True)
                    os.makedirs(exports)
                    os.makedirs(copy)
                    for p in source:
                        shutil.copyfile(p, os.path.join(copy, os.path.basename(p)))
                    times[(name, build)].append(timed(command(program, photos_in(copy))))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    lines = [
        "# Two builds side by side",
        "",
        f"Run {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())} on {os.cpu_count()} cores, load average"
        f" {load_start:.1f} at the start and {os.getloadavg()[0]:.1f} at the end; {len(source)} photos,"
        f" {megabytes:.0f} MiB; median of {opts.reps}, both builds timed in every round on a fresh copy, each"
        " time including the write-back (sync).",
        "",
        f"old: `{opts.old}`; new: `{opts.new}`. new/old below 1 means the new build is faster.",
        "",
        "| case | old s | new s | new/old | new ms/MB |",
        "|---|---:|---:|---:|---:|",
    ]
    for name in table:
        old = statistics.median(times[(name, "old")])
        new = statistics.median(times[(name, "new")])
        lines.append(f"| {name} | {old:.3f} | {new:.3f} | {new / old:.2f} | {1000 * new / megabytes:.2f} |")
    with open(opts.results, "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
