"""check on a photo with five copies of its picture against check on the same photo with one (its Exif
thumbnail): median time and peak memory of each, and their ratio (the target: at most 1.3x).

    python3 bench/check_copies.py LUMIVEX [--runs N]"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import preview_files as pf  # noqa: E402

CONVERT = "/usr/bin/convert"


def photos(work):
    """A 12-megapixel photo with an Exif thumbnail, and the same with JFXX, Photoshop, XMP and MPF copies."""
    source = os.path.join(HERE, "..", "tests", "data", "photos", "nikon-gps.jpg")
    one = os.path.join(work, "one.jpg")
    subprocess.run([CONVERT, source, "-resize", "4000x3000!", "-attenuate", "0.3", "+noise", "Gaussian",
                    "-quality", "90", one], check=True)
    thumb = os.path.join(work, "thumb.jpg")
    pf.small_jpeg(one, thumb, "160x120")
    subprocess.run(["exiftool", "-q", "-overwrite_original", "-Make=Bench", "-ThumbnailImage<=" + thumb, one],
                   check=True)
    five = pf.five_copies(work, one, one, stale=(), name="five.jpg")
    return one, five


def measure(lumivex, path, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([lumivex, "check", "-q", path], capture_output=True)
        times.append(time.perf_counter() - start)
    rss = subprocess.run(["/usr/bin/time", "-f", "%M", lumivex, "check", "-q", path], capture_output=True,
                         text=True).stderr.split()[-1]
    return statistics.median(times), int(rss)


def main():
    lumivex = sys.argv[1]
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 9
    work = tempfile.mkdtemp(prefix="lumivex-check-copies-")
    try:
        one, five = photos(work)
        (t1, m1), (t5, m5) = measure(lumivex, one, runs), measure(lumivex, five, runs)
        print("check, one copy:   %.3f s, %d KB peak" % (t1, m1))
        print("check, five copies: %.3f s, %d KB peak" % (t5, m5))
        print("ratio: %.2fx time, %.2fx memory (target: at most 1.3x time)" % (t5 / t1, m5 / m1))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
