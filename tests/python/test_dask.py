"""The Dask runner on a LocalCluster of two processes writes the tool's JSON lines, in the tool's order."""

import os
import subprocess
import sys

import pytest

pytest.importorskip("distributed")


def run_dask(*args: str) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, "-m", "lumivex.dask", *args, "--workers", "2"], capture_output=True,
                          env=os.environ | {"PYTHONWARNINGS": "ignore"}, timeout=300)


@pytest.mark.parametrize("command", [["check"], ["delete"]])
def test_two_workers_write_the_tools_lines(command, tool, photos, tmp_path):
    twin = tmp_path / "twin"
    subprocess.run(["cp", "-a", str(photos), str(twin)], check=True)
    expected = subprocess.run([tool, *command, "--json", "-r", "-j", "2", str(twin)], capture_output=True)
    got = run_dask(*command, "-r", str(photos), "--chunk", "2")
    assert got.returncode == expected.returncode, got.stderr.decode()
    assert got.stdout.decode() == expected.stdout.decode().replace(str(twin), str(photos))
    assert got.stdout.count(b"\n") >= 8
    for photo in twin.glob("*.jpg"):
        assert (photos / photo.name).read_bytes() == photo.read_bytes()


def test_bytes_mode_edits_objects_as_the_tool_edits_files(tool, photos, tmp_path):
    twin = tmp_path / "twin"
    subprocess.run(["cp", "-a", str(photos), str(twin)], check=True)
    subprocess.run([tool, "delete", "--no-backup", "-q", "-r", str(twin)])
    got = run_dask("delete", "--fsspec", "-r", "file://" + str(photos))
    lines = got.stdout.decode().splitlines()
    assert len(lines) == len(list(photos.glob("*.jpg"))), got.stderr.decode()
    for photo in twin.glob("*.jpg"):
        assert (photos / photo.name).read_bytes() == photo.read_bytes(), photo.name
