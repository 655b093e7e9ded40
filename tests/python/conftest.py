"""Where the module and the tool under test are: tools/test-python.sh points PYTHONPATH at the installed
module and LUMIVEX_TOOL at the tool built with it."""

import os
import pathlib
import shutil

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
PHOTOS = ROOT / "tests" / "data" / "photos"


@pytest.fixture(scope="session")
def tool() -> str:
    path = os.environ.get("LUMIVEX_TOOL", str(ROOT / "build" / "python" / "cli" / "lumivex"))
    if not os.access(path, os.X_OK):
        pytest.fail(f"no lumivex tool at {path}; set LUMIVEX_TOOL")
    return path


@pytest.fixture
def photos(tmp_path: pathlib.Path) -> pathlib.Path:
    """A private copy of the test photos."""
    folder = tmp_path / "photos"
    shutil.copytree(PHOTOS, folder, ignore=shutil.ignore_patterns("*.md"))
    return folder


def exiftool(*args: str) -> bytes:
    import subprocess

    return subprocess.run(["exiftool", *args], check=True, capture_output=True).stdout
