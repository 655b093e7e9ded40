// One Exif segment's TIFF block as the edits that keep every field see it: reads and writes in the block's
// own byte order (whatever segment was parsed last), each one checked against the block first.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/exif/byte_order.h"

namespace lumivex {

struct BlockView {
    uint8_t* tiff = nullptr;  // the byte-order mark
    uint32_t length = 0;      // bytes in the block
    ExifByteOrder order = ExifByteOrder::Intel;

    bool contains(uint64_t off, uint64_t n) const { return off <= length && n <= length - off; }
    // 0 when the bytes do not lie inside the block.
    uint32_t read16(uint64_t off) const;
    uint32_t read32(uint64_t off) const;
    // False (and nothing written) when the bytes do not lie inside the block.
    bool write16(uint64_t off, uint32_t value) const;
    bool write32(uint64_t off, uint32_t value) const;
};

// The block of an Exif segment (2 length bytes, "Exif\0\0", TIFF header): none when its header is not one.
std::optional<BlockView> exifBlockOf(uint8_t* segment, uint32_t size);

// A directory whose count and entries lie inside the block; nextPos is its next-directory field, which
// may lie outside.
struct DirectoryView {
    uint64_t offset = 0;
    uint32_t entries = 0;
    uint64_t nextPos = 0;
    uint64_t entryPos(uint32_t i) const { return offset + 2 + 12 * uint64_t{i}; }
};
std::optional<DirectoryView> directoryAt(const BlockView& block, uint64_t offset);

// The value offset and byte count of the first entry with this tag; none when absent or outside the block.
struct ValueView {
    uint64_t entryPos = 0;
    int format = 0;
    uint32_t count = 0;
    uint64_t offset = 0;  // where the value lies (inside the entry when it has at most 4 bytes)
    uint64_t bytes = 0;
};
std::optional<ValueView> findValue(const BlockView& block, const DirectoryView& dir, uint16_t tag);

}  // namespace lumivex
