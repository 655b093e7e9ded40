"""A small independent JPEG segment splitter for the end-to-end tests (it shares no code with the engine)."""

import struct


def segments(data):
    """(marker, offset, bytes) for each marker segment up to SOS, then (None, offset, rest)."""
    assert data[:2] == b"\xff\xd8", "not a JPEG"
    out = []
    pos = 2
    while pos < len(data):
        while data[pos] == 0xFF and data[pos + 1] == 0xFF:
            pos += 1
        assert data[pos] == 0xFF, f"no marker at {pos}"
        marker = data[pos + 1]
        (length,) = struct.unpack(">H", data[pos + 2:pos + 4])
        out.append((marker, pos, data[pos:pos + 2 + length]))
        pos += 2 + length
        if marker == 0xDA:
            out.append((None, pos, data[pos:]))
            break
    return out


def exif_segment(data):
    for marker, offset, seg in segments(data):
        if marker == 0xE1 and seg[4:10] == b"Exif\0\0":
            return offset, seg
    return None, None


def tiff_file_offset(data):
    """File offset of the TIFF header of the first Exif segment."""
    offset, _ = exif_segment(data)
    return None if offset is None else offset + 10


def _ifd_entries(tiff, offset, fmt):
    (count,) = struct.unpack(fmt + "H", tiff[offset:offset + 2])
    entries = []
    for i in range(count):
        at = offset + 2 + 12 * i
        tag, typ, n, value = struct.unpack(fmt + "HHII", tiff[at:at + 12])
        entries.append((at, tag, typ, n, value))
    (next_ifd,) = struct.unpack(fmt + "I", tiff[offset + 2 + 12 * count:offset + 6 + 12 * count])
    return entries, next_ifd


def with_value_after_thumbnail(data):
    """The photo with its thumbnail directory's XResolution moved behind the thumbnail, so that the
    thumbnail is no longer the last thing in its Exif block (as many cameras write it)."""
    offset, seg = exif_segment(data)
    tiff = bytearray(seg[10:])
    fmt = "<" if tiff[:2] == b"II" else ">"
    (ifd0,) = struct.unpack(fmt + "I", tiff[4:8])
    _, ifd1 = _ifd_entries(tiff, ifd0, fmt)
    entries, _ = _ifd_entries(tiff, ifd1, fmt)
    (at, _, _, _, value_offset), = [e for e in entries if e[1] == 0x011A]
    moved_to = len(tiff)
    tiff += tiff[value_offset:value_offset + 8]
    tiff[at + 8:at + 12] = struct.pack(fmt + "I", moved_to)
    new_seg = seg[:2] + struct.pack(">H", len(tiff) + 8) + seg[4:10] + bytes(tiff)
    return data[:offset] + new_seg + data[offset + len(seg):]
