#!/usr/bin/env python3
"""The library's two figures: in-memory replace and delete through the Python module against piexif round
trips on the same photos, and the Dask runner on a LocalCluster of 2 processes against `lumivex -j 2` on the
same tree. Never fails on time; prints a Markdown table and writes it to --out.

    PYTHONPATH=<installed module> bench/library.py --photos DIR --tool build/python/cli/lumivex
"""

import argparse
import io
import os
import re
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import lumivex
import piexif


def best_of(runs, function):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return min(times), statistics.median(times)


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
        ("replace", lambda: [lumivex.replace_thumbnail(d, thumbnail) for d in datas],
         lambda: [piexif_replace(d, thumbnail) for d in datas]),
        ("delete", lambda: [lumivex.delete_thumbnail(d) for d in datas], lambda: [piexif_delete(d) for d in datas]),
    ]:
        ours_best, _ = best_of(runs, ours)
        theirs_best, _ = best_of(runs, theirs)
        rows.append((name, len(datas), ours_best / len(datas) * 1e3, theirs_best / len(datas) * 1e3,
                     theirs_best / ours_best))
    return rows


def make_tree(photos, folder, count):
    folder.mkdir(parents=True)
    for i in range(count):
        source = photos[i % len(photos)]
        sub = folder / f"d{i // 100:02d}"
        sub.mkdir(exist_ok=True)
        shutil.copyfile(source, sub / f"{i:05d}-{source.name}")


def timed(command, env=None):
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True, env=env)
    return time.perf_counter() - start, done


def distributed(photos, tool, count, runs, work):
    rows = []
    for command in (["check"], ["delete", "--no-backup"]):
        tool_times, dask_times, dask_work = [], [], []
        for run in range(runs):
            a, b = work / f"tool{run}{command[0]}", work / f"dask{run}{command[0]}"
            make_tree(photos, a, count)
            make_tree(photos, b, count)
            seconds, tool_run = timed([tool, *command, "--json", "-q", "-j", "2", "-r", str(a)])
            tool_times.append(seconds)
            seconds, dask_run = timed([sys.executable, "-m", "lumivex.dask", *command, "-r", str(b), "--workers", "2"])
            dask_times.append(seconds)
            if dask_run.stdout.decode().replace(str(b), "") != tool_run.stdout.decode().replace(str(a), ""):
                sys.exit(f"the Dask runner's lines differ from the tool's for {command}")
            # the runner's own time without listing the photos and starting the cluster: its summary line
            summary = re.search(rb"photos in ([0-9.]+) s on", dask_run.stderr)
            dask_work.append(float(summary.group(1)) if summary else float("nan"))
            shutil.rmtree(a), shutil.rmtree(b)
        tool_best, dask_best, work_best = min(tool_times), min(dask_times), min(dask_work)
        rows.append((command[0], count, count / tool_best, count / dask_best, tool_best / dask_best,
                     count / work_best, tool_best / work_best))
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--photos", default="tests/data/photos")
    parser.add_argument("--tool", default="build/python/cli/lumivex")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--tree", type=int, default=2000, help="photos in the tree for the Dask comparison")
    parser.add_argument("--out", default="bench/results/library.md")
    args = parser.parse_args()
    photos = sorted(p for p in pathlib.Path(args.photos).rglob("*") if p.suffix.lower() in (".jpg", ".jpeg"))
    lines = ["# liblumivex from Python and on Dask", "",
             f"{len(photos)} photos from `{args.photos}`, {os.cpu_count()} cores; best of {args.runs} runs.", "",
             "| in memory | photos | lumivex ms/photo | piexif ms/photo | lumivex is × faster |", "|---|---|---|---|---|"]
    for name, n, ours, theirs, ratio in in_memory(photos, args.runs):
        lines.append(f"| {name} | {n} | {ours:.3f} | {theirs:.3f} | {ratio:.1f} |")
    lines += ["", "Whole commands, and the Dask run without listing the photos and starting the cluster:", "",
              "| tree | photos | lumivex -j 2 photos/s | Dask LocalCluster(2) photos/s | Dask / tool "
              "| Dask once running, photos/s | Dask once running / tool |",
              "|---|---|---|---|---|---|---|"]
    with tempfile.TemporaryDirectory(dir="/dev/shm" if os.path.isdir("/dev/shm") else None) as work:
        runs = max(1, args.runs // 2)
        for name, n, tool_rate, dask_rate, ratio, work_rate, work_ratio in distributed(
            photos, args.tool, args.tree, runs, pathlib.Path(work)
        ):
            lines.append(f"| {name} | {n} | {tool_rate:.0f} | {dask_rate:.0f} | {ratio:.2f} | {work_rate:.0f} "
                         f"| {work_ratio:.2f} |")
    text = "\n".join(lines) + "\n"
    print(text)
    pathlib.Path(args.out).write_text(text)


if __name__ == "__main__":
    main()
