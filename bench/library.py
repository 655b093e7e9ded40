#!/usr/bin/env python3
"""The library's two figures: in-memory replace and delete through the Python module against piexif round
trips on the same photos, and the Dask runner on a LocalCluster of 2 processes against `lumivex -j 2` on the
same tree, with and without the cluster's start. Never fails on time; prints a Markdown table and writes it
to --out.

    PYTHONPATH=<installed module> bench/library.py --photos DIR --tool build/python/cli/lumivex
"""

import argparse
import io
import os
import pathlib
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import lumivex
import piexif

NOTES = "<!-- notes: kept when the figures are measured again -->"
LARGE = 1 << 20  # photos from here on are reported apart: their copies, not their Exif, set the time


def best_of(runs, function):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return min(times)


def piexif_replace(data, thumbnail):
    exif = piexif.load(data)
    exif["thumbnail"] = thumbnail
    out = io.BytesIO()
    piexif.insert(piexif.dump(exif), data, out)
    return out.getvalue()


def piexif_delete(data):
    exif = piexif.load(data)
    exif["thumbnail"] = None
    exif["1st"] = {}
    out = io.BytesIO()
    piexif.insert(piexif.dump(exif), data, out)
    return out.getvalue()


def in_memory(photos, runs):
    """Each photo on its own, best of runs calls, so that one photo's fresh pages do not land on the next."""
    thumbnail = next(p.thumbnail for p in map(lumivex.read, photos) if p.thumbnail)
    datas = []
    for path in photos:
        data = path.read_bytes()
        try:  # only photos both can edit are compared
            piexif_replace(data, thumbnail), piexif_delete(data)
            lumivex.replace_thumbnail(data, thumbnail), lumivex.delete_thumbnail(data)
        except Exception:
            continue
        datas.append(data)
    rows = []
    for name, ours, theirs in [
        ("replace", lambda d: lumivex.replace_thumbnail(d, thumbnail), lambda d: piexif_replace(d, thumbnail)),
        ("delete", lumivex.delete_thumbnail, piexif_delete),
    ]:
        times = [(len(d), best_of(runs, lambda: ours(d)), best_of(runs, lambda: theirs(d))) for d in datas]
        row = [name, len(times)]
        for group in (times, [t for t in times if t[0] < LARGE], [t for t in times if t[0] >= LARGE]):
            mine, others = sum(t[1] for t in group), sum(t[2] for t in group)
            row.append((len(group), mine / len(group) * 1e3, others / len(group) * 1e3, others / mine) if group else
                       (0, None, None, None))
        row.append(statistics.median(t[2] / t[1] for t in times))
        rows.append(row)
    return rows


def make_tree(photos, folder, count):
    folder.mkdir(parents=True)
    for i in range(count):
        source = photos[i % len(photos)]
        sub = folder / f"d{i // 100:02d}"
        sub.mkdir(exist_ok=True)
        shutil.copyfile(source, sub / f"{i:05d}-{source.name}")


def timed(command):
    """Wall seconds, processor seconds of the command and everything it started, and its result."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done


def distributed(photos, tool, count, runs, work):
    rows = []
    for command in (["check"], ["delete", "--no-backup"]):
        tool_runs, dask_runs, dask_work = [], [], []
        for run in range(runs):
            a, b = work / f"tool{run}{command[0]}", work / f"dask{run}{command[0]}"
            # side by side: the tool, then the runner, on twin trees made one at a time (a large tree is gigabytes)
            make_tree(photos, a, count)
            wall, cpu, tool_run = timed([tool, *command, "--json", "-q", "-j", "2", "-r", str(a)])
            tool_runs.append((wall, cpu))
            tool_lines = tool_run.stdout.decode().replace(str(a), "")
            shutil.rmtree(a)
            make_tree(photos, b, count)
            wall, cpu, dask_run = timed([sys.executable, "-m", "lumivex.dask", *command, "-r", str(b), "--workers", "2"])
            dask_runs.append((wall, cpu))
            if dask_run.stdout.decode().replace(str(b), "") != tool_lines:
                sys.exit(f"the Dask runner's lines differ from the tool's for {command}")
            # the runner's time once the cluster is up: its summary line
            summary = re.search(rb"photos in ([0-9.]+) s on", dask_run.stderr)
            dask_work.append(float(summary.group(1)) if summary else float("nan"))
            shutil.rmtree(b)
        tool_wall, tool_cpu = min(tool_runs)
        dask_wall, dask_cpu = min(dask_runs)
        work_best = min(dask_work)
        rows.append((command[0], count, count / tool_wall, count / dask_wall, tool_wall / dask_wall, count / work_best,
                     tool_wall / work_best, tool_cpu, dask_cpu, dask_wall - work_best))
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--photos", default="tests/data/photos")
    parser.add_argument("--tool", default="build/python/cli/lumivex")
    parser.add_argument("--runs", type=int, default=7, help="calls per photo in memory")
    parser.add_argument("--dask-runs", type=int, default=3, help="runs of each whole command")
    parser.add_argument("--tree", type=int, action="append",
                        help="photos in a tree for the Dask comparison, once a tree size (default: 2000)")
    parser.add_argument("--out", default="bench/results/library.md")
    args = parser.parse_args()
    photos = sorted(p for p in pathlib.Path(args.photos).rglob("*") if p.suffix.lower() in (".jpg", ".jpeg"))
    load = "%.1f %.1f %.1f" % os.getloadavg()
    lines = ["# liblumivex from Python and on Dask", "",
             f"{len(photos)} photos from `{args.photos}`, {os.cpu_count()} cores, load average {load} at the start.",
             "", f"In memory, each photo alone, best of {args.runs} calls; ms per photo, and piexif's time over ours:",
             "", "| call | photos | lumivex | piexif | × faster (mean) | under 1 MB: photos | lumivex | piexif "
             "| × faster | 1 MB and more: photos | lumivex | piexif | × faster | × faster (median photo) |",
             "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"]
    for row in in_memory(photos, args.runs):
        name, n, everything, small, large, median = row
        cells = [f"{everything[1]:.4f} | {everything[2]:.4f} | {everything[3]:.1f}"]
        for count, mine, others, ratio in (small, large):
            cells.append(f"{count} | {mine:.4f} | {others:.4f} | {ratio:.1f}" if count else "0 | | |")
        lines.append(f"| {name} | {n} | {' | '.join(cells)} | {median:.1f} |")
    trees = args.tree or [2000]
    sizes = " and ".join(map(str, trees))
    lines += ["", f"Whole commands on trees of {sizes} copies on tmpfs, best of {args.dask_runs} runs side by side; "
              "the Dask run with its start (Python, importing distributed, the LocalCluster, its close) and once "
              "the cluster is up; processor seconds of every process:", "",
              "| command | photos | lumivex -j 2 photos/s | Dask photos/s | Dask / tool | Dask once up, photos/s "
              "| once up / tool | tool CPU s | Dask CPU s | Dask start and close, s |",
              "|---|---|---|---|---|---|---|---|---|---|"]
    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as work:
        for row in (row for count in trees
                    for row in distributed(photos, args.tool, count, args.dask_runs, pathlib.Path(work))):
            name, n, tool_rate, dask_rate, ratio, work_rate, work_ratio, tool_cpu, dask_cpu, fixed = row
            lines.append(f"| {name} | {n} | {tool_rate:.0f} | {dask_rate:.0f} | {ratio:.2f} | {work_rate:.0f} "
                         f"| {work_ratio:.2f} | {tool_cpu:.1f} | {dask_cpu:.1f} | {fixed:.1f} |")
    lines += ["", "Load average %.1f %.1f %.1f at the end." % os.getloadavg()]
    text = "\n".join(lines) + "\n"
    print(text)
    out = pathlib.Path(args.out)
    # what a person wrote below the figures stays
    previous = out.read_text() if out.exists() else ""
    if NOTES in previous:
        text += "\n" + previous[previous.index(NOTES):]
    out.write_text(text)


if __name__ == "__main__":
    main()
