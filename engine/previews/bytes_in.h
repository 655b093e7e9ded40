// Bounds-checked reads from a span of bytes: every read says whether its bytes were inside the span.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lumivex::previews {

using Bytes = std::span<const uint8_t>;

// True when n bytes at off lie inside a buffer of size bytes (64-bit, no overflow).
inline bool fits(uint64_t off, uint64_t n, uint64_t size) { return off <= size && n <= size - off; }

inline bool startsWith(Bytes bytes, uint64_t off, std::string_view text) {
    if (!fits(off, text.size(), bytes.size())) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (bytes[off + i] != static_cast<uint8_t>(text[i])) return false;
    }
    return true;
}

// Big-endian reads; 0 when the bytes are not there (callers check fits first where 0 is a valid value).
inline uint32_t be16(Bytes b, uint64_t off) {
    return fits(off, 2, b.size()) ? (uint32_t{b[off]} << 8) | b[off + 1] : 0;
}
inline uint32_t be32(Bytes b, uint64_t off) {
    return fits(off, 4, b.size()) ? (be16(b, off) << 16) | be16(b, off + 2) : 0;
}

inline void putBe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void putBe32(uint8_t* p, uint32_t v) {
    putBe16(p, v >> 16);
    putBe16(p + 2, v & 0xFFFF);
}

}  // namespace lumivex::previews
