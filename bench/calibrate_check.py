#!/usr/bin/env python3
"""Calibrates `lumivex check` on real photos: untouched ones must come out fresh, and variants made from them
with ImageMagick or jpegtran that keep the old Exif thumbnail must come out stale.
    calibrate_check.py LUMIVEX WORK_DIR PHOTO...
Prints one line per variant kind with how many were caught, and the photos that were not."""
import json
import os
import shutil
import subprocess
import sys

CONVERT = "/usr/bin/convert"


def size_of(path):
    out = subprocess.run(["/usr/bin/identify", "-format", "%w %h", path], capture_output=True, text=True, check=True)
    w, h = out.stdout.split()
    return int(w), int(h)


def variants(photo, other, w, h):
    """(kind, command writing OUT) for each stale variant; every command keeps the photo's Exif block."""
    pw, ph = int(w * 0.45), int(h * 0.45)
    x0, y0 = (w - pw) // 2, (h - ph) // 2
    return [
        ("crop a quarter of the width", [CONVERT, photo, "-crop", "75%x100%+0+0", "+repage"]),
        ("crop a quarter of the area", [CONVERT, photo, "-gravity", "center", "-crop", "87%x87%+0+0", "+repage"]),
        ("rotate 90 in pixels", [CONVERT, photo, "-rotate", "90"]),
        ("mirror (jpegtran)", ["jpegtran", "-copy", "all", "-flip", "horizontal", "-trim", "-outfile"]),
        ("paint over a fifth", [CONVERT, photo, "-fill", "#c03020", "-draw",
                                f"rectangle {x0},{y0} {x0 + pw},{y0 + ph}"]),
        ("another picture", [CONVERT, photo, "-draw", f"image over 0,0 {w},{h} '{other}'"]),
    ]


def make(command, photo, out):
    if command[0] == "jpegtran":
        subprocess.run(command + [out, photo], check=True)
    else:
        subprocess.run(command + ["-quality", "90", out], check=True)


def check(lumivex, paths):
    out = subprocess.run([lumivex, "check", "--json"] + paths, capture_output=True, text=True)
    return [json.loads(line) for line in out.stdout.splitlines()]


def main():
    lumivex, work, photos = sys.argv[1], sys.argv[2], sys.argv[3:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    originals = check(lumivex, photos)
    counts = {}
    for r in originals:
        counts[r["verdict"]] = counts.get(r["verdict"], 0) + 1
    print("untouched photos:", ", ".join(f"{n} {v}" for v, n in sorted(counts.items())))
    for r in originals:
        if r["verdict"] == "stale":
            print(f"  stale: {r['path']} ({r['reason']}, {r['score']})")
    fresh = [r["path"] for r in originals if r["verdict"] == "fresh"]
    made = {}
    for i, photo in enumerate(fresh):
        w, h = size_of(photo)
        other = fresh[(i + len(fresh) // 2) % len(fresh)]
        for k, (kind, command) in enumerate(variants(photo, other, w, h)):
            out = os.path.join(work, f"{i:03d}-{k}.jpg")
            make(command, photo, out)
            made.setdefault(kind, []).append((photo, out))
    for kind, pairs in made.items():
        results = check(lumivex, [out for _, out in pairs])
        caught = [r for r in results if r["verdict"] == "stale"]
        print(f"{kind}: {len(caught)} of {len(pairs)} stale")
        for (photo, _), r in zip(pairs, results):
            if r["verdict"] != "stale":
                print(f"  missed: {photo} ({r['verdict']}, score {r['score']})")


if __name__ == "__main__":
    main()
