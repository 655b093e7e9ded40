"""Per kind of copy of the picture: how many copies lumivex finds, calls stale, rebuilds and removes, over the
JPEG files of a folder (worked on copies in a temporary folder; the folder itself is only read).

    python3 bench/preview_counts.py LUMIVEX FOLDER [--generated]

--generated adds the e2e tests' generated photos (every kind, stale and fresh) to the files of FOLDER."""

import collections
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))


def run_json(lumivex, *args):
    out = subprocess.run([lumivex, *args, "--json", "-q", "-j1"], capture_output=True, text=True).stdout
    results = []
    for line in out.split("\n"):
        if not line:
            continue
        try:
            results.append(json.loads(line))
        except ValueError:
            print("not JSON from %s %s: %r" % (args[0], args[-1], line[:120]), file=sys.stderr)
    return results


def found(lumivex, path):
    results = run_json(lumivex, "info", path)
    return collections.Counter(p["kind"] for r in results for p in r.get("previews", []))


def main():
    lumivex, folder = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="lumivex-preview-counts-")
    files = []
    for root, _, names in os.walk(folder):
        for name in sorted(names):
            if name.lower().endswith((".jpg", ".jpeg")):
                target = os.path.join(work, "%04d-%s" % (len(files), name))
                shutil.copyfile(os.path.join(root, name), target)
                files.append(target)
    if "--generated" in sys.argv:
        import preview_files as pf
        photos = os.path.join(HERE, "..", "tests", "data", "photos")
        photo, other = os.path.join(photos, "nikon-gps.jpg"), os.path.join(photos, "kodak-dc240-mm.jpg")
        files.append(pf.five_copies(work, photo, other, name="gen-stale.jpg", gain_map=True))
        files.append(pf.five_copies(work, photo, other, stale=(), name="gen-fresh.jpg", gain_map=True))
        shutil.copyfile(os.path.join(HERE, "..", "tests", "data", "previews", "casio-ex-z750-preview.jpg"),
                        os.path.join(work, "gen-casio.jpg"))
        files.append(os.path.join(work, "gen-casio.jpg"))
    tally = {k: collections.Counter() for k in ("found", "stale", "rebuilt", "removed")}
    for path in files:
        before = found(lumivex, path)
        tally["found"].update(before)
        for r in run_json(lumivex, "check", path):
            tally["stale"].update(p["kind"] for p in r.get("previews", []) if p["verdict"] == "stale")
        for r in run_json(lumivex, "regenerate", "--no-backup", path):
            message = r.get("message") or ""
            tally["rebuilt"].update(m.group(1) for m in re.finditer(r"(\w+):\d+[^;]* rebuilt", message))
            if r.get("outcome") == "done" and message.startswith("new thumbnail") and before["exif"]:
                tally["rebuilt"]["exif"] += 1
        run_json(lumivex, "delete", "--previews", "all", "--no-backup", path)
        after = found(lumivex, path)
        tally["removed"].update({k: before[k] - after[k] for k in before if before[k] > after[k]})
    kinds = ["exif", "mpf", "makernote", "photoshop", "xmp", "jfxx", "flashpix"]
    print("%-10s %6s %6s %8s %8s   (%d files)" % ("kind", "found", "stale", "rebuilt", "removed", len(files)))
    for kind in kinds:
        print("%-10s %6d %6d %8d %8d" % (kind, *(tally[k][kind] for k in ("found", "stale", "rebuilt", "removed"))))
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
