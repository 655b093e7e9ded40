// What reading one photo's Exif segments leaves behind: the facts (PhotoInfo), the parser's working state,
// the byte order in force and where the thumbnail lies. One per photo, owned by whoever reads the photo and
// handed to every step that reads or edits it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/exif/byte_order.h"
#include "engine/exif/photo_info.h"

namespace lumivex {

struct ByteRange {
    uint64_t begin;  // offset from the TIFF header
    uint64_t end;    // one past the last byte
};

// Offsets in an Exif block count from its TIFF header, which follows the 2 length bytes and "Exif\0\0".
constexpr uint32_t kTiffStartInSegment = 8;

// Where the thumbnail facts of photoInfo come from: the result of the parse that the edits read.
struct ThumbnailOrigin {
    int32_t sectionIndex = -1;  // the segment (index in the section list) whose directory named the thumbnail
    uint32_t tiffLength = 0;
    ExifByteOrder byteOrder = ExifByteOrder::Intel;
    bool hasLengthEntry = false;       // that directory had a ThumbnailLength entry
    uint32_t lengthPos = 0;            // offset of that entry's value
    int lengthFormat = 0;              // format code of that entry
    uint32_t lengthCount = 0;          // component count of that entry
    uint32_t lengthEntryPos = 0;       // offset of that entry itself (its format code lies 2 bytes in)
    std::vector<ByteRange> structure;  // every directory and value read in that block (the thumbnail not included)
    bool laterStructure = false;       // some of them reach past the thumbnail's first byte
    // Where the edits that keep every field point the thumbnail elsewhere or take its entries out.
    uint32_t directoryOffset = 0;   // the directory that named the thumbnail
    uint32_t directoryEntries = 0;  // its entry count
    uint32_t offsetPos = 0;         // offset of its ThumbnailOffset entry's value
    int offsetFormat = 0;           // format code of that entry
    uint32_t offsetCount = 0;       // component count of that entry
};

// What else the read of the photo's Exif segments leaves for the edits and the report.
struct ExifReadFacts {
    std::optional<ExifByteOrder> byteOrder;  // of the last segment whose byte-order mark was read
    int32_t lengthSectionIndex = -1;         // the segment of the last ThumbnailLength entry (thumbLengthPos)
};

struct ExifRecords {
    PhotoInfo photoInfo{};
    ExifParseContext exifParseContext{};
    ExifByteOrder exifByteOrder = ExifByteOrder::Intel;  // of the Exif segment parsed last
    ThumbnailOrigin thumbnailOrigin;                     // kept from the read to the edit
    ExifReadFacts exifReadFacts;
};

// All of photoInfo zero, the layout facts of the Exif blocks gone too.
void clearPhotoInfo(ExifRecords& records);
// All zero, then the three "not given" fields at -1: the state before every file.
void clearPhotoInfoForNewFile(ExifRecords& records);

// The section list moved its entries: every index from `from` on moves by `by`; an index of a removed entry
// (by < 0, index == from) becomes -1. The facts then still name the segment they came from.
void shiftSectionIndices(ExifRecords& records, int32_t from, int32_t by);

}  // namespace lumivex
