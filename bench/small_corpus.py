#!/usr/bin/env python3
"""Many small photos for the worker cases, where the work per photo weighs more than the bytes copied: COUNT
copies of the tiny corpus's photos (320x240, every kind), with the manifest measure.py reads.

    small_corpus.py TINY_CORPUS OUT_DIR [--count N]
"""

import argparse
import json
import os
import shutil
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("tiny_corpus")
    parser.add_argument("out_dir")
    parser.add_argument("--count", type=int, default=2000)
    args = parser.parse_args()
    with open(os.path.join(args.tiny_corpus, "corpus.json")) as f:
        tiny = json.load(f)
    stamp = {"from": tiny["stamp"], "count": args.count}
    stamp_path = os.path.join(args.out_dir, "corpus.json")
    if os.path.exists(stamp_path):
        with open(stamp_path) as f:
            if json.load(f).get("stamp") == stamp:
                return 0
    shutil.rmtree(args.out_dir, ignore_errors=True)
    os.makedirs(os.path.join(args.out_dir, "photos"))
    os.makedirs(os.path.join(args.out_dir, "base"))
    shutil.copyfile(os.path.join(args.tiny_corpus, "new-thumb.jpg"), os.path.join(args.out_dir, "new-thumb.jpg"))
    manifest = []
    for i in range(args.count):
        source = tiny["photos"][i % len(tiny["photos"])]
        name = f"s{i:05d}.jpg"
        shutil.copyfile(os.path.join(args.tiny_corpus, "photos", source["name"]),
                        os.path.join(args.out_dir, "photos", name))
        thumb = os.path.join(args.tiny_corpus, "base", source["name"] + ".thumb")
        if os.path.exists(thumb):
            shutil.copyfile(thumb, os.path.join(args.out_dir, "base", name + ".thumb"))
        manifest.append(dict(source, name=name))
    with open(stamp_path, "w") as f:
        json.dump({"stamp": stamp, "photos": manifest}, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
