#!/usr/bin/env python3
"""Times every case with hyperfine on fresh copies of the corpus, measures peak resident memory, checks
that each tool really did its job, and writes the results as a Markdown table."""

import argparse
import datetime
import json
import os
import platform
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MIB = 1024 * 1024

# (case, tool, operation, mode); the case names are those of case.sh.
CASES = [
    ("cp-each", "cp", "copy", "each"),
    ("cp-many", "cp", "copy", "many"),
    ("lumivex-replace-each", "lumivex", "replace", "each"),
    ("lumivex-replace-many", "lumivex", "replace", "many"),
    ("lumivex-delete-each", "lumivex", "delete", "each"),
    ("lumivex-delete-many", "lumivex", "delete", "many"),
    ("lumivex-export-each", "lumivex", "export", "each"),
    ("lumivex-export-many", "lumivex", "export", "many"),
    # The batch modes: "many" is the default worker count (one per core); j1 one worker; walk: -r on the folder.
    ("cp-pair", "cp", "copy", "pair"),
    ("lumivex-replace-j1", "lumivex", "replace", "j1"),
    ("lumivex-delete-j1", "lumivex", "delete", "j1"),
    ("lumivex-delete-walk", "lumivex", "delete", "walk"),
    ("lumivex-export-j1", "lumivex", "export", "j1"),
    ("exiv2-replace-each", "exiv2", "replace", "each"),
    ("exiv2-replace-many", "exiv2", "replace", "many"),
    ("exiv2-delete-each", "exiv2", "delete", "each"),
    ("exiv2-delete-many", "exiv2", "delete", "many"),
    ("exiv2-export-each", "exiv2", "export", "each"),
    ("exiv2-export-many", "exiv2", "export", "many"),
    ("exiftool-replace-each", "exiftool", "replace", "each"),
    ("exiftool-replace-many", "exiftool", "replace", "many"),
    ("exiftool-delete-each", "exiftool", "delete", "each"),
    ("exiftool-delete-many", "exiftool", "delete", "many"),
    ("exiftool-export-each", "exiftool", "export", "each"),
    ("exiftool-export-many", "exiftool", "export", "many"),
]

# Many small photos, where the work per photo weighs most: how the workers scale.
SMALL_CASES = [
    ("cp-many", "cp", "copy", "many"),
    ("lumivex-delete-j1", "lumivex", "delete", "j1"),
    ("lumivex-delete-j2", "lumivex", "delete", "j2"),
    ("lumivex-replace-j1", "lumivex", "replace", "j1"),
    ("lumivex-replace-j2", "lumivex", "replace", "j2"),
]

# One process on one photo, for the peak memory per photo.
SINGLE = {
    ("cp", "copy"): ["/bin/cp", "{photo}", "{out}/"],
    ("lumivex", "replace"): ["{lumivex}", "replace", "{photo}", "{thumb}"],
    ("lumivex", "delete"): ["{lumivex}", "delete", "{photo}"],
    ("lumivex", "export"): ["{lumivex}", "export", "{photo}", "{out}/{stem}-thumb.jpg"],
    ("exiv2", "replace"): ["/usr/bin/exiv2", "-it", "-l", "{thumbs}", "{photo}"],
    ("exiv2", "delete"): ["/usr/bin/exiv2", "-dt", "{photo}"],
    ("exiv2", "export"): ["/usr/bin/exiv2", "-et", "-l", "{out}", "{photo}"],
    ("exiftool", "replace"): ["/usr/bin/exiftool", "-q", "-q", "-ThumbnailImage<={thumb}", "{photo}"],
    ("exiftool", "delete"): ["/usr/bin/exiftool", "-q", "-q", "-ThumbnailImage=", "{photo}"],
    ("exiftool", "export"): ["/usr/bin/exiftool", "-q", "-q", "-b", "-ThumbnailImage", "-w", "{out}/%f-thumb.jpg",
                             "{photo}"],
}


class Bench:
    def __init__(self, args):
        self.corpus = os.path.abspath(args.corpus)
        self.run_dir = os.path.abspath(args.run_dir)
        self.lumivex = os.path.abspath(args.lumivex)
        self.reps = args.reps
        with open(os.path.join(self.corpus, "corpus.json")) as f:
            self.manifest = json.load(f)["photos"]
        with open(os.path.join(self.corpus, "new-thumb.jpg"), "rb") as f:
            self.new_thumb = f.read()
        self.count = len(self.manifest)
        self.total_bytes = sum(p["bytes"] for p in self.manifest)

    def fresh(self):
        subprocess.run(["bash", os.path.join(HERE, "fresh.sh"), self.run_dir, self.corpus], check=True)

    def case_command(self, case):
        return ["bash", os.path.join(HERE, "case.sh"), case, self.run_dir, self.corpus, self.lumivex]

    def time_once(self, case):
        """Wall time in seconds of one run of the case on a fresh copy (the copy is not timed)."""
        with tempfile.NamedTemporaryFile(suffix=".json", delete=False) as f:
            export = f.name
        prepare = shlex.join(["bash", os.path.join(HERE, "fresh.sh"), self.run_dir, self.corpus])
        subprocess.run(["hyperfine", "-N", "--style", "none", "--runs", "1", "--prepare", prepare,
                        "--export-json", export, "-n", case, shlex.join(self.case_command(case))],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(export) as f:
            seconds = json.load(f)["results"][0]["times"][0]
        os.unlink(export)
        return seconds

    @staticmethod
    def peak_rss(argv):
        """Peak resident set of the process and everything it waited for, in bytes. GNU time reports it
        from getrusage; a child of this Python process would start out with the interpreter's pages."""
        with tempfile.NamedTemporaryFile(mode="r", suffix=".rss") as f:
            subprocess.run(["/usr/bin/time", "-f", "%M", "-o", f.name] + argv, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            return int(f.read().split()[-1]) * 1024

    def single_rss(self, tool, op, photo):
        """Peak memory of one process editing one photo of the corpus, on its own copy."""
        work = os.path.join(self.run_dir, "single")
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(os.path.join(work, "out"))
        path = os.path.join(work, photo["name"])
        shutil.copyfile(os.path.join(self.corpus, "photos", photo["name"]), path)
        values = {"photo": path, "out": os.path.join(work, "out"), "stem": photo["name"][:-4],
                  "lumivex": self.lumivex, "thumb": os.path.join(self.corpus, "new-thumb.jpg"),
                  "thumbs": os.path.join(self.corpus, "exiv2-thumbs")}
        argv = [a if "%f" in a else a.format(**values) for a in SINGLE[(tool, op)]]
        argv = [a.replace("{out}", values["out"]).replace("{photo}", path) for a in argv]
        rss = self.peak_rss(argv)
        shutil.rmtree(work, ignore_errors=True)
        return rss

    # --- checks: did the tool do what was asked, without touching the image data?

    def sample(self):
        """One photo of each kind and size class."""
        seen, picked = set(), []
        for p in self.manifest:
            key = (p["class"], p["kind"])
            if key not in seen:
                seen.add(key)
                picked.append(p)
        return picked

    @staticmethod
    def scan_start(data):
        """Offset of the SOS marker: everything from there on must survive every edit unchanged."""
        pos = 2
        while pos + 4 <= len(data) and data[pos] == 0xFF:
            if data[pos + 1] == 0xDA:
                return pos
            pos += 2 + int.from_bytes(data[pos + 2:pos + 4], "big")
        raise ValueError("no SOS")

    @staticmethod
    def thumbnail_in(path):
        return subprocess.run(["/usr/bin/exiftool", "-b", "-ThumbnailImage", path], capture_output=True).stdout

    def check(self, tool, op):
        problems = []
        for p in self.sample():
            name, stem = p["name"], p["name"][:-4]
            with open(os.path.join(self.corpus, "photos", name), "rb") as f:
                original = f.read()
            edited_path = os.path.join(self.run_dir, "photos", name)
            if op == "copy":
                with open(os.path.join(self.run_dir, "out", name), "rb") as f:
                    if f.read() != original:
                        problems.append(f"{name}: copy differs")
                continue
            if op == "export":
                out = os.path.join(self.run_dir, "out", stem + "-thumb.jpg")
                got = b""
                if os.path.exists(out):
                    with open(out, "rb") as f:
                        got = f.read()
                want = b""
                if p["kind"] != "none":
                    with open(os.path.join(self.corpus, "base", name + ".thumb"), "rb") as f:
                        want = f.read()
                if got != want:
                    problems.append(f"{name} ({p['kind']}): exported {len(got)} bytes, expected {len(want)}")
                continue
            with open(edited_path, "rb") as f:
                edited = f.read()
            if not edited.endswith(original[self.scan_start(original):]):
                problems.append(f"{name} ({p['kind']}): image data changed")
            if tool == "lumivex" and op == "delete" and p["kind"] == "none":
                # Nothing to delete: nothing is written, so there is no backup either.
                if edited != original or os.path.exists(edited_path + ".orig"):
                    problems.append(f"{name} ({p['kind']}): a photo without a thumbnail was written")
            elif tool == "lumivex":
                with open(edited_path + ".orig", "rb") as f:
                    if f.read() != original:
                        problems.append(f"{name} ({p['kind']}): backup differs from the original")
            thumb = self.thumbnail_in(edited_path)
            want = self.new_thumb if op == "replace" else b""
            if thumb != want:
                problems.append(f"{name} ({p['kind']}): thumbnail has {len(thumb)} bytes, expected {len(want)}")
        return problems


def versions(lumivex):
    def first_line(argv):
        try:
            out = subprocess.run(argv, capture_output=True, text=True).stdout.strip().splitlines()
            return out[0] if out else "?"
        except OSError:
            return "missing"
    return {
        "lumivex": first_line([lumivex, "--version"]),
        "exiv2": first_line(["/usr/bin/exiv2", "--version"]),
        "exiftool": "exiftool " + first_line(["/usr/bin/exiftool", "-ver"]),
        "cp": first_line(["/bin/cp", "--version"]),
        "hyperfine": first_line(["hyperfine", "--version"]),
    }


def fmt_ratio(x):
    return "–" if x is None else f"{x:.2f}×"


def div(a, b):
    return None if a is None or b is None else a / b


def report(bench, results, single, tiny, label, loads, small=None):
    n, total = bench.count, bench.total_bytes
    kinds = {}
    for p in bench.manifest:
        kinds[(p["class"], p["kind"])] = kinds.get((p["class"], p["kind"]), 0) + 1
    by_case = {r["case"]: r for r in results}
    lines = []
    add = lines.append
    add("# Lumivex benchmark" + (" (tiny corpus: proves the benchmark runs, says nothing about speed)" if tiny else ""))
    add("")
    add(f"Run {datetime.datetime.now(datetime.timezone.utc).strftime('%Y-%m-%d %H:%M UTC')} on "
        f"{platform.machine()}, {os.cpu_count()} cores, Linux {platform.release()}; files on the local disk, "
        f"warm page cache, dirty pages flushed before every timed run. The machine is shared: load average "
        f"{loads[0]:.1f} at the start, {loads[1]:.1f} at the end.")
    add("")
    add(f"Corpus: {n} photos, {total / MIB:.0f} MiB: " +
        ", ".join(f"{c} × {cls} {kind}" for (cls, kind), c in sorted(kinds.items())) +
        " (end: Exif with GPS and a 160×120 thumbnail last in the block; middle: thumbnail between the "
        "directories; none: no Exif).")
    add("")
    add("Tools: " + "; ".join(versions(bench.lumivex).values()) + "." + (f" Lumivex build: {label}." if label else ""))
    add("")
    add(f"Every run works on a fresh copy of the corpus (copy not timed); median of {bench.reps} run(s), the runs "
        "of all cases interleaved round after round. "
        "*each*: one process per photo from a shell loop; *many*: one process for all photos. "
        "lumivex replace -t THUMB PHOTO... and export PHOTO OUT... take many photos per call. "
        "× cp: time of the case over the time of `cp` in the same mode. "
        "Peak RSS: the largest process of the case (getrusage).")
    add("")
    add("| case | median s | min–max s | photos/s | MiB/s | × cp | peak RSS MiB | check |")
    add("|---|---:|---:|---:|---:|---:|---:|---|")
    for r in results:
        cp = by_case.get(f"cp-{r['mode']}") or (by_case.get("cp-many") if r["mode"] != "each" else None)
        ratio = r["median"] / cp["median"] if cp else None
        check = "ok" if not r["problems"] else "FAILED: " + "; ".join(r["problems"])
        add(f"| {r['case']} | {r['median']:.3f} | {r['min']:.3f}–{r['max']:.3f} | {n / r['median']:.1f} | "
            f"{total / MIB / r['median']:.0f} | {fmt_ratio(ratio)} | {r['rss'] / MIB:.1f} | {check} |")
    add("")

    def throughput(case):
        r = by_case.get(case)
        return n / r["median"] if r else None

    def best(tool, op):
        """The faster mode of a tool for an operation: (photos/s, mode)."""
        options = [(throughput(f"{tool}-{op}-{m}"), m) for m in ("many", "each") if f"{tool}-{op}-{m}" in by_case]
        return max(options) if options else (None, None)

    add("## Lumivex against the floor and the peers (throughput ratios; above 1 means lumivex is faster)")
    add("")
    add("| operation | lumivex photos/s (mode) | ÷ cp many | ÷ exiv2 best (mode) | ÷ exiftool best (mode) | "
        "each vs each: ÷ exiv2 | ÷ exiftool |")
    add("|---|---:|---:|---:|---:|---:|---:|")
    cp_many = throughput("cp-many")
    for op in ("replace", "delete", "export"):
        lt, lm = best("lumivex", op)
        et, em = best("exiv2", op)
        xt, xm = best("exiftool", op)
        le = throughput(f"lumivex-{op}-each")
        add(f"| {op} | {lt:.1f} ({lm}) | {fmt_ratio(div(lt, cp_many))} | {fmt_ratio(div(lt, et))} ({em or '–'}) | "
            f"{fmt_ratio(div(lt, xt))} ({xm or '–'}) | {fmt_ratio(div(le, throughput(f'exiv2-{op}-each')))} | "
            f"{fmt_ratio(div(le, throughput(f'exiftool-{op}-each')))} |")
    add("")

    add("## Peak resident memory, one process on one photo (MiB)")
    add("")
    add("| tool | operation | " + " | ".join(f"{p['name']} ({p['bytes'] / MIB:.1f} MiB)" for p, _ in single) +
        " | limit for lumivex: photo + 2 MiB |")
    add("|---|---|" + "---:|" * len(single) + "---|")
    for tool, op in SINGLE:
        if (tool, op) not in single[0][1]:
            continue
        cells = [f"{rss[(tool, op)] / MIB:.1f}" for _, rss in single]
        limit = ""
        if tool == "lumivex":
            over = [(p, rss[(tool, op)]) for p, rss in single if rss[(tool, op)] > p["bytes"] + 2 * MIB]
            limit = "met" if not over else "missed by " + ", ".join(
                f"{(r - p['bytes'] - 2 * MIB) / MIB:.2f} MiB" for p, r in over)
        add(f"| {tool} | {op} | " + " | ".join(cells) + f" | {limit} |")
    add("")

    add("## Targets")
    add("")
    add("| target | measured | met |")
    add("|---|---:|---|")

    def target(text, ratio, ok):
        if ratio is None:
            add(f"| {text} | not measured | – |")
        else:
            add(f"| {text} | {fmt_ratio(ratio)} | {'yes' if ok(ratio) else 'NO'} |")

    replace_vs_cp = by_case["lumivex-replace-each"]["median"] / by_case["cp-each"]["median"]
    target("replace, one process per photo: time ≤ 1.2 × cp per photo", replace_vs_cp, lambda r: r <= 1.2)
    target("(the floor) two cp side by side ÷ cp many", div(throughput("cp-pair"), cp_many), lambda r: True)
    for op in ("replace", "delete"):
        lt = throughput(f"lumivex-{op}-many")
        target(f"{op}, default workers: throughput ≥ 1.05 × cp many", div(lt, cp_many), lambda r: r >= 1.05)
        target(f"{op}, default workers: ≥ 6 × exiv2 (its fastest mode)", div(lt, best("exiv2", op)[0]),
               lambda r: r >= 6)
        target(f"{op}, default workers: ≥ 12 × exiftool (its fastest mode)", div(lt, best("exiftool", op)[0]),
               lambda r: r >= 12)
    lt = throughput("lumivex-export-many")
    target("export, default workers: ≥ 2 × exiv2 (its fastest mode)", div(lt, best("exiv2", "export")[0]),
           lambda r: r >= 2)
    for p, rss in single:
        worst = max(rss[("lumivex", op)] for op in ("replace", "delete", "export"))
        ok = "yes" if worst <= p["bytes"] + 2 * MIB else "NO"
        add(f"| peak memory on {p['name']} ≤ photo + 2 MiB ({(p['bytes'] + 2 * MIB) / MIB:.1f} MiB) | "
            f"{worst / MIB:.1f} MiB | {ok} |")
    add("")
    if small:
        small_bench, small_results = small
        sn = small_bench.count
        add(f"## Many small photos ({sn} photos of {small_bench.total_bytes / sn / 1024:.0f} KiB on average): "
            "worker scaling")
        add("")
        add("| case | median s | photos/s | check |")
        add("|---|---:|---:|---|")
        rate = {}
        for r in small_results:
            rate[r["case"]] = sn / r["median"]
            check = "ok" if not r["problems"] else "FAILED: " + "; ".join(r["problems"])
            add(f"| {r['case']} | {r['median']:.3f} | {rate[r['case']]:.0f} | {check} |")
        add("")
        for op in ("delete", "replace"):
            one, two = rate.get(f"lumivex-{op}-j1"), rate.get(f"lumivex-{op}-j2")
            if one and two:
                add(f"- {op}: {one:.0f} photos/s at -j 1, {two:.0f} at -j 2 ({two / one:.2f}×)")
        add("")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--lumivex", required=True)
    parser.add_argument("--reps", type=int, default=3)
    parser.add_argument("--results", required=True, help="Markdown file to write")
    parser.add_argument("--tiny", action="store_true")
    parser.add_argument("--skip-peers", action="store_true", help="measure cp and lumivex only")
    parser.add_argument("--label", default="", help="a name for the lumivex build, shown in the results")
    parser.add_argument("--small-corpus", help="a corpus of many small photos for the worker cases")
    parser.add_argument("--small-run-dir", help="where the small photos are copied for each run")
    args = parser.parse_args()
    bench = Bench(args)
    wanted = [c for c in CASES if not args.skip_peers or c[1] in ("cp", "lumivex")]

    load_at_start = os.getloadavg()[1]
    # First an untimed run of every case, for its peak memory and to check what it wrote; it also warms up.
    checked = {}
    for case, tool, op, mode in wanted:
        bench.fresh()
        rss = bench.peak_rss(bench.case_command(case))
        checked[case] = (rss, bench.check(tool, op))
        if checked[case][1]:
            print(f"  {case}: CHECK FAILED: " + "; ".join(checked[case][1]), flush=True)
    # Then the timed runs, round after round, so that a change in the load of a shared machine falls on
    # every case alike instead of on the cases that happened to run at that moment.
    times = {case: [] for case, *_ in wanted}
    for round_number in range(1, bench.reps + 1):
        print(f"  round {round_number}/{bench.reps}:", end="", flush=True)
        for case, *_ in wanted:
            times[case].append(bench.time_once(case))
            print(f" {case} {times[case][-1]:.2f}s", end="", flush=True)
        print(flush=True)
    results = []
    for case, tool, op, mode in wanted:
        t = times[case]
        results.append({"case": case, "tool": tool, "op": op, "mode": mode, "median": statistics.median(t),
                        "min": min(t), "max": max(t), "rss": checked[case][0], "problems": checked[case][1]})

    # The first photo and the largest one with a thumbnail at the end.
    ends = [p for p in bench.manifest if p["kind"] == "end"]
    largest = max(ends, key=lambda p: p["bytes"])
    chosen = [ends[0]] + ([largest] if largest is not ends[0] else [])
    tools = {c[1] for c in wanted}
    single = [(p, {key: bench.single_rss(*key, p) for key in SINGLE if key[0] in tools}) for p in chosen]
    small = None
    if args.small_corpus:
        small = measure_small(args)
        results_ok = all(not r["problems"] for r in small[1])
        if not results_ok:
            print("  small photos: CHECK FAILED", flush=True)
    table = report(bench, results, single, args.tiny, args.label, (load_at_start, os.getloadavg()[1]), small)
    os.makedirs(os.path.dirname(os.path.abspath(args.results)), exist_ok=True)
    with open(args.results, "w") as f:
        f.write(table)
    print()
    print(table)
    problems = results + (small[1] if small else [])
    return 1 if any(r["problems"] for r in problems) else 0


def measure_small(args):
    """The worker cases over many small photos: a check run of each, then the timed rounds."""
    small_args = argparse.Namespace(corpus=args.small_corpus, run_dir=args.small_run_dir, lumivex=args.lumivex,
                                    reps=args.reps)
    bench = Bench(small_args)
    checked = {}
    for case, tool, op, _ in SMALL_CASES:
        bench.fresh()
        subprocess.run(bench.case_command(case), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        checked[case] = bench.check(tool, op)
    times = {case: [] for case, *_ in SMALL_CASES}
    for round_number in range(1, bench.reps + 1):
        print(f"  small photos, round {round_number}/{bench.reps}:", end="", flush=True)
        for case, *_ in SMALL_CASES:
            times[case].append(bench.time_once(case))
            print(f" {case} {times[case][-1]:.2f}s", end="", flush=True)
        print(flush=True)
    results = [{"case": case, "median": statistics.median(times[case]), "problems": checked[case]}
               for case, *_ in SMALL_CASES]
    return bench, results


if __name__ == "__main__":
    sys.exit(main())
