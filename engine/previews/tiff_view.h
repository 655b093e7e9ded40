// A TIFF block (Exif, a maker note, an MPF index) read through bounds-checked offsets.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/previews/bytes_in.h"

namespace lumivex::previews {

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint64_t at = 0;            // of the 12-byte entry, in the view
    uint32_t value = 0;         // the 4-byte value field as a number in the block's order (a SHORT: its first value)
    uint64_t dataSize() const;  // count times the size of the type; 0 for an unknown type
};

struct TiffView {
    Bytes bytes;          // offsets count from its first byte
    bool little = false;  // "II"
    uint64_t base = 0;    // where bytes[0] lies in the file

    uint32_t u16(uint64_t off) const;
    uint32_t u32(uint64_t off) const;
    void put16(uint8_t* p, uint32_t v) const;
    void put32(uint8_t* p, uint32_t v) const;

    // Where an entry's data lies in the view: inline (in its value field) when it fits in 4 bytes; nullopt
    // when it reaches past the end.
    std::optional<uint64_t> dataOffset(const TiffEntry& entry) const;
};

// A view over a TIFF block that starts with its "II*\0" or "MM\0*" header; nullopt otherwise.
std::optional<TiffView> tiffAt(Bytes bytes, uint64_t base);

// The entries of the directory at off (at most 1000); empty when its count does not fit. next receives the
// offset of the next directory (0 for none).
std::vector<TiffEntry> readDirectory(const TiffView& view, uint64_t off, uint64_t* next = nullptr);

const TiffEntry* findEntry(const std::vector<TiffEntry>& entries, uint16_t tag);

}  // namespace lumivex::previews
