"""The lumivex module as a Python program meets it, with exiftool as the judge of what is in the files."""

import json
import pathlib
import pickle
import subprocess
from concurrent.futures import ThreadPoolExecutor

import pytest

import lumivex
from conftest import PHOTOS, exiftool

NAMES = sorted(p.name for p in PHOTOS.glob("*.jpg"))
WITH_THUMBNAIL = [n for n in NAMES if exiftool("-b", "-EXIF:ThumbnailImage", str(PHOTOS / n))]


def oracle(path: pathlib.Path) -> dict:
    tags = ["-EXIF:Make", "-EXIF:Model", "-EXIF:DateTimeOriginal", "-EXIF:Orientation"]
    return json.loads(exiftool("-j", "-n", *tags, str(path)))[0]


@pytest.mark.parametrize("name", NAMES)
def test_facts_match_exiftool(name):
    path = PHOTOS / name
    photo = lumivex.read(path)
    expected = oracle(path)
    assert photo.make == str(expected.get("Make", "")).strip()
    assert photo.model == str(expected.get("Model", "")).strip()
    assert photo.datetime_original == expected.get("DateTimeOriginal", photo.datetime_original)
    assert photo.orientation == expected.get("Orientation", 0)
    assert (photo.thumbnail or b"") == exiftool("-b", "-EXIF:ThumbnailImage", str(path))
    # The same facts from the bytes as from the path
    assert lumivex.read(path.read_bytes()) == photo
    assert lumivex.read(bytearray(path.read_bytes())) == photo


@pytest.mark.parametrize("name", WITH_THUMBNAIL)
def test_replace_and_delete_round_trip(name, tmp_path):
    data = (PHOTOS / name).read_bytes()
    donor = lumivex.read(PHOTOS / "nikon-d70.jpg").thumbnail
    replaced = lumivex.replace_thumbnail(data, donor)
    (tmp_path / "r.jpg").write_bytes(replaced)
    assert exiftool("-b", "-EXIF:ThumbnailImage", str(tmp_path / "r.jpg")) == donor
    assert oracle(tmp_path / "r.jpg") | {"SourceFile": ""} == oracle(PHOTOS / name) | {"SourceFile": ""}

    deleted = lumivex.delete_thumbnail(replaced)
    (tmp_path / "d.jpg").write_bytes(deleted)
    assert exiftool("-b", "-EXIF:ThumbnailImage", str(tmp_path / "d.jpg")) == b""
    assert lumivex.delete_thumbnail(deleted) is deleted  # nothing to do: the same bytes object
    assert lumivex.delete_thumbnail(bytearray(deleted)) == deleted
    assert lumivex.delete_thumbnail(memoryview(b"xx" + replaced)[2:]) == deleted  # a view that starts inside


def test_regenerate_and_check():
    data = (PHOTOS / "canon-40d.jpg").read_bytes()
    stale = lumivex.replace_thumbnail(data, lumivex.read(PHOTOS / "nikon-d70.jpg").thumbnail)
    checked = lumivex.check(stale)
    assert checked["verdict"] == "stale" and checked["reason"]
    assert checked["copies"][0]["kind"] == "exif" and checked["copies"][0]["verdict"] == "stale"
    fresh = lumivex.regenerate(stale, box=(80, 60))
    result = lumivex.check(fresh)
    assert result["verdict"] == "fresh" and result["score"] > 0.9
    assert max(lumivex.read(fresh).width, 1) and len(lumivex.read(fresh).thumbnail) > 0
    assert lumivex.check(PHOTOS / "fujifilm-e500-no-thumbnail.jpg")["verdict"] == "none"


@pytest.mark.parametrize("name", sorted(path.name for path in PHOTOS.glob("*.jpg")))
def test_check_of_bytes_agrees_with_check_of_the_file(name):
    assert lumivex.check((PHOTOS / name).read_bytes()) == lumivex.check(PHOTOS / name)


@pytest.mark.parametrize(
    "call",
    [
        lambda: lumivex.read(b"GIF89a"),
        lambda: lumivex.delete_thumbnail(b""),
        lambda: lumivex.replace_thumbnail(b"\xff\xd8\xff\xd9", b"\xff\xd8\xff\xd9"),
        lambda: lumivex.check(b"not a photo"),
        lambda: lumivex.read("/nonexistent/photo.jpg"),
        lambda: lumivex.regenerate((PHOTOS / "canon-40d.jpg").read_bytes(), box=(5000, 10)),
    ],
)
def test_failures_raise_error_with_a_message(call):
    with pytest.raises(lumivex.Error) as raised:
        call()
    assert str(raised.value) and raised.value.code > 0


def test_non_bytes_are_refused():
    with pytest.raises(TypeError):
        lumivex.delete_thumbnail(12)


def test_threads_get_what_one_thread_gets():
    datas = [(PHOTOS / n).read_bytes() for n in WITH_THUMBNAIL] * 4
    serial = [lumivex.delete_thumbnail(d) for d in datas]
    with ThreadPoolExecutor(8) as pool:
        assert list(pool.map(lumivex.delete_thumbnail, datas)) == serial


def test_files_are_edited_with_a_backup(photos):
    path = photos / "canon-40d.jpg"
    original = path.read_bytes()
    assert lumivex.delete_thumbnail_file(path, dry_run=True)["changed"]
    assert path.read_bytes() == original and not (photos / "canon-40d.jpg.orig").exists()
    status = lumivex.delete_thumbnail_file(path)
    assert status["outcome"] == "done"
    assert (photos / "canon-40d.jpg.orig").read_bytes() == original
    assert lumivex.read(path).thumbnail is None
    lumivex.regenerate_file(path, backup=False)
    assert lumivex.check(path)["verdict"] == "fresh"
    thumb = lumivex.read(PHOTOS / "nikon-d70.jpg").thumbnail
    lumivex.replace_thumbnail_file(photos / "kodak-dc240-mm.jpg", thumb, backup=False)
    assert not (photos / "kodak-dc240-mm.jpg.orig").exists()
    assert lumivex.read(photos / "kodak-dc240-mm.jpg").thumbnail == thumb


@pytest.mark.parametrize("command", [["check"], ["delete", "--no-backup"], ["regenerate", "--no-backup"]])
def test_job_lines_are_the_tools(command, tool, photos, tmp_path):
    twin = tmp_path / "twin"
    subprocess.run(["cp", "-a", str(photos), str(twin)], check=True)
    expected = subprocess.run([tool, *command, "--json", "-r", str(twin)], capture_output=True).stdout.decode()
    job = pickle.loads(pickle.dumps(lumivex.Job([*command, "--json", "-r", str(photos)])))
    lines = [ready or job.run(path, output)[0] for path, output, ready in job.photos()]
    assert "\n".join(lines) + "\n" == expected.replace(str(twin), str(photos))
    for name in NAMES:
        assert (photos / name).read_bytes() == (twin / name).read_bytes()


def test_a_chunk_run_at_once_gives_each_photos_line_and_counts_the_failures(photos):
    job = lumivex.Job(["check", "--json", "-r", str(photos)])
    chunk = [(path, output) for path, output, ready in job.photos() if ready is None]
    chunk.append((str(photos / "missing.jpg").encode(), b""))
    one_by_one = [job.run(path, output) for path, output in chunk]
    text, failures = job.run_many(chunk)
    assert text == "".join(line + "\n" for line, _ in one_by_one)
    assert failures == sum(failed for _, failed in one_by_one) >= 1
    assert job.run_many([]) == ("", 0)


def test_job_refuses_a_bad_command_line():
    with pytest.raises(lumivex.Error, match="."):
        lumivex.Job(["check", "--no-such-option"])
