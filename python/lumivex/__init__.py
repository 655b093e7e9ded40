"""Read a JPEG photo's facts and the copies of its picture; replace, delete, regenerate or check the
thumbnail in its Exif block, on bytes in memory or on files. Every call releases the GIL.

    import lumivex
    photo = lumivex.read(data)                       # bytes, or a path
    photo.thumbnail, photo.datetime_original, photo.orientation
    data = lumivex.replace_thumbnail(data, thumb)    # bytes in, bytes out
    data = lumivex.delete_thumbnail(data)
    lumivex.check(data)["verdict"]                   # "fresh", "stale" or "none"

Failures raise lumivex.Error, with the command-line tool's message.
"""

from __future__ import annotations

import os
from dataclasses import dataclass
from typing import Any, Union

from ._lumivex import Error, Job, __version__  # noqa: F401
from . import _lumivex

__all__ = [
    "Error",
    "Job",
    "Photo",
    "check",
    "delete_thumbnail",
    "delete_thumbnail_file",
    "read",
    "regenerate",
    "regenerate_file",
    "replace_thumbnail",
    "replace_thumbnail_file",
]

BytesLike = Union[bytes, bytearray, memoryview]
PathLike = Union[str, "os.PathLike[str]", "os.PathLike[bytes]"]


@dataclass(frozen=True)
class Photo:
    """What a photo's segments say, read without its image data."""

    make: str
    model: str
    datetime_original: str  # "YYYY:MM:DD HH:MM:SS", or "" when the photo has no date
    orientation: int  # 1 to 8; 0 when absent
    width: int
    height: int
    size: int  # bytes in the whole file
    thumbnail: bytes | None  # the Exif thumbnail
    copies: list[dict[str, Any]]  # every copy of the picture: kind, name, offset, length


def _path(value: Any) -> bytes:
    return os.fsencode(value)


def _is_data(value: Any) -> bool:
    # Bytes-like objects are the photo itself; a path is a str or an os.PathLike.
    return isinstance(value, (bytes, bytearray, memoryview))


def read(photo: BytesLike | PathLike) -> Photo:
    """The facts of a photo given as its bytes, or as a path (str or os.PathLike)."""
    if _is_data(photo):
        return Photo(**_lumivex.read_bytes(photo))
    return Photo(**_lumivex.read_path(_path(photo)))


def replace_thumbnail(photo: BytesLike, thumbnail: BytesLike) -> bytes:
    """The photo with this JPEG as its Exif thumbnail; every other Exif field kept."""
    return _lumivex.replace_thumbnail(photo, thumbnail)


def delete_thumbnail(photo: BytesLike) -> bytes:
    """The photo without its Exif thumbnail (the same bytes when it has none)."""
    return _lumivex.delete_thumbnail(photo)


def regenerate(photo: BytesLike, box: tuple[int, int] = (160, 120), quality: int = 85) -> bytes:
    """The photo with a new thumbnail made from its own pixels, fitted to box."""
    return _lumivex.regenerate(photo, box, quality)


def check(photo: BytesLike | PathLike) -> dict[str, Any]:
    """Does the thumbnail still show the photo? {"verdict", "reason", "score", "copies"}."""
    if _is_data(photo):
        return _lumivex.check_bytes(photo)
    return _lumivex.check_path(_path(photo))


def replace_thumbnail_file(
    path: PathLike, thumbnail: BytesLike, backup: bool = True, dry_run: bool = False
) -> dict[str, Any]:
    """Replaces the thumbnail of the file, safely: the name holds the old or the whole new file at every
    instant; the original is kept as PATH.orig unless backup is False."""
    return _lumivex.replace_thumbnail_file(_path(path), thumbnail, backup, dry_run)


def delete_thumbnail_file(path: PathLike, backup: bool = True, dry_run: bool = False) -> dict[str, Any]:
    """Deletes the thumbnail of the file, as replace_thumbnail_file writes it."""
    return _lumivex.delete_thumbnail_file(_path(path), backup, dry_run)


def regenerate_file(
    path: PathLike, box: tuple[int, int] = (160, 120), quality: int = 85, backup: bool = True, dry_run: bool = False
) -> dict[str, Any]:
    """Puts a new thumbnail made from the file's own pixels into it, as replace_thumbnail_file writes it."""
    return _lumivex.regenerate_file(_path(path), box, quality, backup, dry_run)
