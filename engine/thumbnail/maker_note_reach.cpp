#include "engine/thumbnail/maker_note_reach.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace lumivex {

namespace {

constexpr uint16_t kTagExifOffset = 0x8769;
constexpr uint16_t kTagMakerNote = 0x927C;
constexpr int kFormatIfd = 13;  // a sub-directory offset
constexpr int kMaxDepth = 2;

// How a maker note lays out its directory: where it starts, what its offsets count from, its byte order.
struct MakerNoteLayout {
    uint64_t directory;  // from the TIFF header
    uint64_t base;       // offsets inside the maker note count from here (TIFF offset)
    ExifByteOrder order;
};

std::optional<ExifByteOrder> orderMark(const uint8_t* p) {
    if (p[0] == 'I' && p[1] == 'I') return ExifByteOrder::Intel;
    if (p[0] == 'M' && p[1] == 'M') return ExifByteOrder::Motorola;
    return std::nullopt;
}

bool startsWith(const BlockView& block, uint64_t off, uint64_t bytes, const char* prefix, size_t n) {
    return n <= bytes && block.contains(off, n) && std::memcmp(block.tiff + off, prefix, n) == 0;
}

// The layouts this system knows; a maker note without a known header is taken as a directory whose offsets
// count from the TIFF header, as most are.
std::optional<MakerNoteLayout> makerNoteLayout(const BlockView& block, uint64_t note, uint64_t bytes) {
    if (bytes < 16 || !block.contains(note, 16)) return std::nullopt;
    const uint8_t* p = block.tiff + note;
    if (startsWith(block, note, bytes, "OLYMPUS\0", 8) || startsWith(block, note, bytes, "OM SYSTEM\0", 10)) {
        const uint64_t mark = p[0] == 'O' && p[1] == 'M' ? 12 : 8;
        const auto order = orderMark(p + mark);
        if (!order) return std::nullopt;
        return MakerNoteLayout{note + mark + 4, note, *order};
    }
    if (startsWith(block, note, bytes, "Nikon\0\x02", 7)) {
        const auto order = orderMark(p + 10);
        if (!order) return std::nullopt;
        const BlockView inner{block.tiff, block.length, *order};
        return MakerNoteLayout{note + 10 + inner.read32(note + 14), note + 10, *order};
    }
    if (startsWith(block, note, bytes, "FUJIFILM", 8)) {
        const BlockView inner{block.tiff, block.length, ExifByteOrder::Intel};
        return MakerNoteLayout{note + inner.read32(note + 8), note, ExifByteOrder::Intel};
    }
    if (startsWith(block, note, bytes, "Apple iOS\0", 10))
        return MakerNoteLayout{note + 14, note, ExifByteOrder::Motorola};
    if (startsWith(block, note, bytes, "OLYMP\0", 6)) return MakerNoteLayout{note + 8, 0, block.order};
    return MakerNoteLayout{note, 0, block.order};
}

std::string tagName(uint32_t tag) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", tag);
    return text;
}

struct Reach {
    const BlockView& block;
    const MakerNoteLayout& layout;
    uint64_t noteEnd;  // a directory of the maker note lies inside it
    std::string* what;

    // Offsets of a pair (start, length) that points past the block: the start of data the maker note locates.
    bool pairPointsPast(const BlockView& view, const DirectoryView& dir, uint32_t i) const {
        if (i + 1 >= dir.entries) return false;
        const uint64_t e = dir.entryPos(i);
        const uint64_t f = dir.entryPos(i + 1);
        if (view.read16(e + 2) != FormatLong || view.read32(e + 4) != 1) return false;
        if (view.read16(f + 2) != FormatLong || view.read32(f + 4) != 1) return false;
        if (view.read16(f) != view.read16(e) + 1) return false;
        const uint64_t start = layout.base + view.read32(e + 8);
        return view.read32(f + 8) != 0 && view.read32(e + 8) != 0 && start >= block.length;
    }

    bool directoryReachesPast(uint64_t offset, int depth) const {
        const BlockView view{block.tiff, block.length, layout.order};
        const auto dir = directoryAt(view, offset);
        if (!dir || dir->nextPos > noteEnd || dir->entries > 1024) return false;
        for (uint32_t i = 0; i < dir->entries; ++i) {
            const uint64_t e = dir->entryPos(i);
            const int format = static_cast<int>(view.read16(e + 2));
            if (format < 1 || format > kFormatIfd) continue;
            const uint64_t bytes = uint64_t{view.read32(e + 4)} *
                                   static_cast<uint64_t>(bytesPerFormat[format == kFormatIfd ? FormatLong : format]);
            const uint64_t valueAt = layout.base + view.read32(e + 8);
            // Directories inside a maker note whose offsets count from its own start: IFD entries, and the
            // 0x2010-0x5000 entries that hold their directory as an opaque value.
            const uint16_t tag = static_cast<uint16_t>(view.read16(e));
            const bool opaque = layout.base != 0 && tag >= 0x2010 && tag <= 0x5000 &&
                                (format == FormatUndefined || format == FormatLong);
            const bool subDirectory = (format == kFormatIfd || opaque) && valueAt + 2 <= noteEnd;
            if (bytes > 4 && valueAt + bytes > block.length && format != kFormatIfd) {
                *what = "a maker note value lies outside the Exif block (tag " + tagName(view.read16(e)) + ")";
                return true;
            }
            if (pairPointsPast(view, *dir, i)) {
                *what = "the maker note locates data past the Exif block (tag " + tagName(view.read16(e)) + ")";
                return true;
            }
            if (subDirectory && depth < kMaxDepth && valueAt != offset && directoryReachesPast(valueAt, depth + 1)) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace

bool makerNoteReachesPastBlock(const BlockView& block, std::string* what) {
    const auto first = directoryAt(block, block.read32(4));
    if (!first) return false;
    const auto exifLink = findValue(block, *first, kTagExifOffset);
    if (!exifLink) return false;
    const auto exifDir = directoryAt(block, block.read32(exifLink->offset));
    if (!exifDir) return false;
    const auto note = findValue(block, *exifDir, kTagMakerNote);
    if (!note) return false;
    const auto layout = makerNoteLayout(block, note->offset, note->bytes);
    if (!layout) return false;
    std::string found;
    const Reach reach{block, *layout, note->offset + note->bytes, &found};
    if (!reach.directoryReachesPast(layout->directory, 0)) return false;
    if (what != nullptr) *what = found;
    return true;
}

}  // namespace lumivex
