"""Runs the tool's jobs over a folder on a Dask cluster.

    python3 -m lumivex.dask check|regenerate|delete|replace [tool options] -r DIR... [--scheduler ADDRESS]

Writes the same JSON lines as `lumivex --json`, in the same order. Without --scheduler it starts a
LocalCluster of worker processes on this machine. Photos are read and written by path, so every worker must
see the folder at the same path (a shared file system). With --fsspec the operands are fsspec URLs
(s3://bucket/prefix, gs://..., file://...): each worker reads a photo's bytes, edits them in memory and
writes the object back whole.
"""

from __future__ import annotations

import argparse
import json
import os
import sys
import time
from typing import Any, Iterable

COMMANDS = ("check", "regenerate", "delete", "replace")
_TASKS_PER_WORKER = 4
_MOST_PER_TASK = 2000
_jobs: dict[tuple[str, ...], Any] = {}  # one parsed job per worker process and command line


def _job(args: tuple[str, ...]):
    from lumivex import Job

    job = _jobs.get(args)
    if job is None:
        job = _jobs[args] = Job(list(args))
    return job


def run_paths(args: tuple[str, ...], photos: list[tuple[bytes, bytes]]) -> tuple[str, int]:
    """Runs on a worker: the tool's JSON lines for the photos, by path, each ended by a line feed, and how many
    count as failures. The whole chunk runs in the library without the GIL."""
    return _job(args).run_many(photos)


def _result_line(path: str, operation: str, outcome: str, message: str, before: int, after: int) -> str:
    return json.dumps(
        {"path": path, "operation": operation, "outcome": outcome, "message": message, "route": None,
         "size_before": before, "size_after": after}, ensure_ascii=False)


def run_objects(operation: str, thumbnail: bytes | None, options: dict, urls: list[str]) -> list[tuple[str, bool]]:
    """Runs on a worker: each object read whole, edited or checked in memory, written back whole."""
    import fsspec

    import lumivex

    results = []
    for url in urls:
        try:
            with fsspec.open(url, "rb", **options) as stream:
                data = stream.read()
        except OSError as error:
            results.append((_result_line(url, operation, "failed", str(error), 0, 0), True))
            continue
        try:
            if operation == "check":
                checked = lumivex.check(data)
                previews = [copy["name"] for copy in checked["copies"] if copy["kind"] != "exif"]
                line = json.dumps({"path": url, "verdict": checked["verdict"], "reason": checked["reason"],
                                   "score": None if checked["score"] is None else round(checked["score"], 3),
                                   "previews": previews}, ensure_ascii=False)
                results.append((line, checked["verdict"] in ("stale", "error")))
                continue
            if operation == "delete":
                edited = lumivex.delete_thumbnail(data)
            elif operation == "replace":
                edited = lumivex.replace_thumbnail(data, thumbnail)
            else:
                edited = lumivex.regenerate(data)
        except lumivex.Error as error:
            outcome = getattr(error, "outcome", "failed")
            if operation == "check":
                line = json.dumps({"path": url, "verdict": "error", "reason": str(error), "score": None,
                                   "previews": []}, ensure_ascii=False)
            else:
                line = _result_line(url, operation, outcome, str(error), len(data), len(data))
            results.append((line, True))
            continue
        outcome = "nothing to do" if edited == data else "done"
        if edited != data:
            with fsspec.open(url, "wb", **options) as stream:
                stream.write(edited)
        results.append((_result_line(url, operation, outcome, "", len(data), len(edited)), False))
    return results


def _list_objects(operands: list[str], recursive: bool, options: dict) -> list[str]:
    import fsspec

    urls = []
    for operand in operands:
        fs, _, paths = fsspec.get_fs_token_paths(operand, storage_options=options)
        for path in paths:
            names = fs.find(path) if recursive and fs.isdir(path) else [path]
            for name in sorted(names):
                if name.lower().endswith((".jpg", ".jpeg")):
                    urls.append(fs.unstrip_protocol(name))
    return urls


def _remote(name: str):
    """A worker's function under this module's own name, even when the module runs as __main__: workers then
    import it once and keep its parsed jobs, where a function of __main__ would be sent and rebuilt by value."""
    import importlib

    return getattr(importlib.import_module("lumivex.dask"), name)


def _chunk_size(count: int, workers: int) -> int:
    """A few tasks a worker: each task costs a round trip through the scheduler (milliseconds), so tasks much
    shorter than that make the cluster slower than the tool; a few rather than one, so that a worker done early
    takes the next; and no task so long that the progress stands still for seconds."""
    return max(1, min(_MOST_PER_TASK, -(-count // (workers * _TASKS_PER_WORKER))))


def _chunks(items: list, size: int) -> Iterable[list]:
    for start in range(0, len(items), size):
        yield items[start:start + size]


class _Progress:
    """"n/total photos" on standard error while a terminal shows it."""

    def __init__(self, total: int, shown: bool):
        self.total, self.done, self.shown = total, 0, shown and sys.stderr.isatty()

    def add(self, count: int) -> None:
        self.done += count
        if self.shown:
            sys.stderr.write(f"\r{self.done}/{self.total} photos")
            sys.stderr.flush()

    def clear(self) -> None:
        if self.shown:
            sys.stderr.write("\r\033[K")
            sys.stderr.flush()


def _parse(argv: list[str]):
    parser = argparse.ArgumentParser(
        prog="python3 -m lumivex.dask",
        description="The tool's jobs on a Dask cluster; the tool's options and operands follow the command.")
    parser.add_argument("command", choices=COMMANDS)
    parser.add_argument("--scheduler", help="address of a running scheduler (tcp://host:8786)")
    parser.add_argument("--workers", type=int, default=0, help="LocalCluster processes (default: one per core)")
    parser.add_argument("--chunk", type=int, default=0, help="photos per task (default: chosen from the count)")
    parser.add_argument("--fsspec", action="store_true", help="operands are fsspec URLs: bytes in, bytes out")
    known, rest = parser.parse_known_args(argv)
    return known, rest


def _tool_args(command: str, rest: list[str]) -> list[str]:
    args = [command] + [word for word in rest if word != "--json"]
    return args[:1] + ["--json"] + args[1:]


def _local_settings() -> dict:
    """What this runner changes in the LocalCluster it starts, and why (measured on 2 cores):
    - the nanny's MALLOC_TRIM_THRESHOLD_ of 64 KiB hands every photo's buffers back to the system, and the
      fresh pages made each photo take twice as long;
    - forked workers start in a second where spawned ones import everything again (4 s);
    - nobody looks at the statistical profiler's samples."""
    import multiprocessing

    import dask

    environ = dask.config.get("distributed.nanny.pre-spawn-environ", default={}) or {}
    settings = {
        "distributed.nanny.pre-spawn-environ": {k: v for k, v in environ.items() if k != "MALLOC_TRIM_THRESHOLD_"},
        "distributed.worker.profile.enabled": False,
    }
    if "fork" in multiprocessing.get_all_start_methods():
        settings["distributed.worker.multiprocessing-method"] = "fork"
    return settings


def _start_client(address: str | None, workers: int):
    import dask
    from distributed import Client, LocalCluster

    if address:
        return Client(address), None
    with dask.config.set(_local_settings()):
        cluster = LocalCluster(n_workers=workers or os.cpu_count() or 1, threads_per_worker=1, processes=True,
                               dashboard_address=None)
    return Client(cluster), cluster


def _worker_count(client, cluster) -> int:
    if cluster is not None:
        return max(1, len(cluster.workers))  # the runner's own: no question to the scheduler
    return max(1, len(client.scheduler_info()["workers"]))


def _run(client, tasks: list, function, fixed: tuple, progress: _Progress, sizes: list[int]):
    """Submits the chunks and yields each chunk's result in order, as soon as it and those before are complete."""
    from distributed import as_completed

    # One message for every task: a submit each costs the scheduler's thread and ours a turn per task.
    futures = client.map(function, *[[value] * len(tasks) for value in fixed], tasks, pure=False)
    index = {future.key: i for i, future in enumerate(futures)}
    ready: dict[int, Any] = {}
    following = 0
    # The results come with the completions, fetched in the background, not one round trip a task here.
    for future, result in as_completed(futures, with_results=True):
        i = index[future.key]
        ready[i] = result
        progress.add(sizes[i])
        while following in ready:
            yield ready.pop(following)
            following += 1


def _path_lines(chunk_results: Iterable[tuple[str, int]], failures: list[int]) -> Iterable[str]:
    """The lines of run_paths' chunks, one a photo; failures[0] counts the failed photos seen so far."""
    for text, failed in chunk_results:
        failures[0] += failed
        yield from text.split("\n")[:-1]  # never splitlines(): a JSON line may hold U+2028 and its kin


def main(argv: list[str] | None = None) -> int:
    known, rest = _parse(sys.argv[1:] if argv is None else argv)
    started = time.monotonic()
    out = sys.stdout
    if known.fsspec:
        return _main_objects(known, rest, out)

    from lumivex import Error, Job

    args = _tool_args(known.command, rest)
    try:
        planned = Job(args).photos()
    except Error as error:
        print(f"lumivex: {error}", file=sys.stderr)
        return 2
    # Everything the tasks need is ready before the cluster starts: once it is up, this process shares its
    # processor with the scheduler's thread, and forked workers find the runner's module already imported.
    todo = [(path, output) for path, output, ready in planned if ready is None]
    function = _remote("run_paths")
    client, cluster = _start_client(known.scheduler, known.workers)
    ready_at = time.monotonic()
    try:
        workers = _worker_count(client, cluster)
        chunks = list(_chunks(todo, known.chunk or _chunk_size(len(todo), workers)))
        progress = _Progress(len(planned), True)
        failures = [0]
        lines = _path_lines(_run(client, chunks, function, (tuple(args),), progress, [len(c) for c in chunks]),
                            failures)
        failed = False
        for path, output, ready in planned:
            progress.clear()
            out.write((ready if ready is not None else next(lines)) + "\n")
            failed = failed or ready is not None
        failed = failed or failures[0] > 0
        out.flush()
        progress.clear()
        now = time.monotonic()
        print(f"lumivex.dask: {len(planned)} photos in {now - ready_at:.2f} s on {workers} workers "
              f"(and {ready_at - started:.2f} s to list them and reach the cluster)", file=sys.stderr)
        return 1 if failed else 0
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def _main_objects(known, rest: list[str], out) -> int:
    recursive = any(word in ("-r", "--recursive") for word in rest)
    thumbnail = None
    operands = []
    words = iter(rest)
    for word in words:
        if word in ("-t", "--thumbnail"):
            thumbnail = next(words, None)
        elif not word.startswith("-"):
            operands.append(word)
    if known.command == "replace":
        if thumbnail is None and len(operands) > 1:
            thumbnail = operands.pop(0)
        if thumbnail is None:
            print("lumivex.dask: replace needs -t THUMBNAIL", file=sys.stderr)
            return 2
        import fsspec

        with fsspec.open(thumbnail, "rb") as stream:
            thumbnail_bytes = stream.read()
    else:
        thumbnail_bytes = None
    urls = _list_objects(operands, recursive, {})
    client, cluster = _start_client(known.scheduler, known.workers)
    try:
        workers = _worker_count(client, cluster)
        size = known.chunk or max(1, min(64, len(urls) // (workers * 8) or 1))
        chunks = list(_chunks(urls, size))
        progress = _Progress(len(urls), True)
        failed = False
        for results in _run(client, chunks, _remote("run_objects"), (known.command, thumbnail_bytes, {}), progress,
                            [len(c) for c in chunks]):
            for line, bad in results:
                progress.clear()
                out.write(line + "\n")
                failed = failed or bad
        out.flush()
        progress.clear()
        return 1 if failed else 0
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


if __name__ == "__main__":
    status = main()
    sys.stdout.flush()
    sys.stderr.flush()
    # The cluster is closed and every line written: the interpreter's own shutdown of distributed's threads
    # and modules would add a quarter of a second and do nothing that matters.
    os._exit(status)
