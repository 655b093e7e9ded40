#include "engine/thumbnail/block_view.h"

#include <cstring>

namespace lumivex {

namespace {

bool bigEndian(const BlockView& block) { return block.order == ExifByteOrder::Motorola; }

}  // namespace

uint32_t BlockView::read16(uint64_t off) const {
    if (!contains(off, 2)) return 0;
    const uint8_t* p = tiff + off;
    return bigEndian(*this) ? (uint32_t{p[0]} << 8 | p[1]) : (uint32_t{p[1]} << 8 | p[0]);
}

uint32_t BlockView::read32(uint64_t off) const {
    if (!contains(off, 4)) return 0;
    const uint8_t* p = tiff + off;
    if (bigEndian(*this)) return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

bool BlockView::write16(uint64_t off, uint32_t value) const {
    if (!contains(off, 2)) return false;
    exifWrite16(tiff + off, static_cast<uint16_t>(value), order);
    return true;
}

bool BlockView::write32(uint64_t off, uint32_t value) const {
    if (!contains(off, 4)) return false;
    exifWrite32(tiff + off, value, order);
    return true;
}

std::optional<BlockView> exifBlockOf(uint8_t* segment, uint32_t size) {
    if (segment == nullptr || size < 16 || std::memcmp(segment + 2, "Exif\0\0", 6) != 0) return std::nullopt;
    BlockView block{segment + 8, size - 8};
    if (segment[8] == 'I' && segment[9] == 'I') {
        block.order = ExifByteOrder::Intel;
    } else if (segment[8] == 'M' && segment[9] == 'M') {
        block.order = ExifByteOrder::Motorola;
    } else {
        return std::nullopt;
    }
    if (block.read16(2) != 42) return std::nullopt;
    return block;
}

std::optional<DirectoryView> directoryAt(const BlockView& block, uint64_t offset) {
    if (!block.contains(offset, 2)) return std::nullopt;
    DirectoryView dir{offset, block.read16(offset), 0};
    dir.nextPos = dir.entryPos(dir.entries);
    if (!block.contains(offset, dir.nextPos - offset)) return std::nullopt;
    return dir;
}

std::optional<ValueView> findValue(const BlockView& block, const DirectoryView& dir, uint16_t tag) {
    for (uint32_t i = 0; i < dir.entries; ++i) {
        const uint64_t e = dir.entryPos(i);
        if (block.read16(e) != tag) continue;
        ValueView value{e, static_cast<int>(block.read16(e + 2)), block.read32(e + 4), e + 8, 0};
        if (value.format < 1 || value.format > kLastExifFormat) return std::nullopt;
        value.bytes = uint64_t{value.count} * static_cast<uint64_t>(bytesPerFormat[value.format]);
        if (value.bytes > 4) value.offset = block.read32(e + 8);
        if (!block.contains(value.offset, value.bytes)) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

}  // namespace lumivex
