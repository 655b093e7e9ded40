// Composes new Exif directories and their values as bytes to be placed at a given offset of a TIFF block:
// entries sorted by tag, every directory and value starting on an even offset, the thumbnail last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/exif/byte_order.h"

namespace lumivex {

// Where the built bytes put the thumbnail and its entries, as offsets from the TIFF header.
struct BuiltLayout {
    std::vector<uint32_t> directoryOffsets;
    uint32_t thumbnailOffset = 0;
    uint32_t offsetPos = 0;  // value of the ThumbnailOffset entry
    uint32_t lengthPos = 0;  // value of the ThumbnailLength entry
    uint32_t end = 0;        // one past the last byte built
};

class DirectoryBuilder {
  public:
    // base: the TIFF offset at which the built bytes will be placed; rounded up to an even offset.
    DirectoryBuilder(ExifByteOrder order, uint64_t base) : order_(order), base_(base + (base & 1)) {}

    int addDirectory();
    void addShort(int dir, uint16_t tag, uint16_t value);
    void addLong(int dir, uint16_t tag, uint32_t value);
    void addRational(int dir, uint16_t tag, uint32_t numerator, uint32_t denominator);
    void addAscii(int dir, uint16_t tag, const std::string& text);  // a NUL is added
    void addUndefined(int dir, uint16_t tag, const std::vector<uint8_t>& bytes);
    void addLink(int dir, uint16_t tag, int targetDir);  // a LONG holding the target directory's offset
    void setNext(int dir, int targetDir);
    // ThumbnailOffset and ThumbnailLength (LONG) in dir; the thumbnail's bytes go after everything else.
    void addThumbnail(int dir, const std::vector<uint8_t>& thumbnail);

    // The offset the bytes start at (even), and the bytes themselves with the layout they give.
    uint64_t base() const { return base_; }
    std::vector<uint8_t> build(BuiltLayout& layout) const;

  private:
    enum class Special { None, Link, ThumbnailOffset, ThumbnailLength };
    struct Entry {
        uint16_t tag;
        uint16_t format;
        uint32_t count;
        std::vector<uint8_t> value;  // in the block's order
        Special special = Special::None;
        int linkDir = -1;
    };
    struct Directory {
        std::vector<Entry> entries;
        int next = -1;
    };

    void add(int dir, Entry entry);

    ExifByteOrder order_;
    uint64_t base_;
    std::vector<Directory> dirs_;
    const std::vector<uint8_t>* thumbnail_ = nullptr;
};

}  // namespace lumivex
