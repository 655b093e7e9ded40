// The TIFF block of one Exif segment: every read of its bytes goes through contains() first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/exif/byte_order.h"

namespace lumivex {

struct TiffBlock {
    uint8_t* start;   // the byte-order mark; every offset counts from here
    uint32_t length;  // bytes in the block

    // True when the n bytes at offset off lie inside the block; 64-bit arithmetic, so nothing wraps.
    bool contains(uint64_t off, uint64_t n) const { return off <= length && n <= length - off; }
    uint8_t* at(uint64_t off) const { return start + off; }
};

// Byte count of a value: components times the size of one, in 64 bits so that it cannot wrap.
inline uint64_t valueByteCount(uint32_t components, int format) {
    return uint64_t{components} * static_cast<uint64_t>(bytesPerFormat[format]);
}

// A bounded string copy: bytes up to and including the first NUL, at most n, never past the block; the rest
// of the n bytes of the field become NUL.
inline void copyBlockText(char* field, const TiffBlock& block, uint64_t valueOff, size_t n) {
    const uint64_t available = valueOff <= block.length ? block.length - valueOff : 0;
    size_t i = 0;
    for (; i < n && i < available; ++i) {
        const uint8_t byte = block.start[valueOff + i];
        field[i] = static_cast<char>(byte);
        if (byte == 0) break;
    }
    for (; i < n; ++i) field[i] = '\0';
}

}  // namespace lumivex
