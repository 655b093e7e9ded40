// What the walk learned about where things lie in each Exif block. The thumbnail may be cut off the end of
// its block only when nothing else reaches past its first byte, and zeroed in place only when no directory
// or value shares its bytes; and an edit must touch the segment the facts came from, in that segment's order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/exif/byte_order.h"

namespace lumivex {

struct ByteRange {
    uint64_t begin;  // offset from the TIFF header
    uint64_t end;    // one past the last byte
};

// Where the thumbnail facts of photoInfo come from.
struct ThumbnailOrigin {
    const uint8_t* tiffStart = nullptr;  // TIFF block of the segment whose directory named the thumbnail
    uint32_t tiffLength = 0;
    ExifByteOrder byteOrder = ExifByteOrder::Intel;
    bool hasLengthEntry = false;       // that directory had a ThumbnailLength entry
    uint32_t lengthPos = 0;            // offset of that entry's value
    int lengthFormat = 0;              // format code of that entry
    uint32_t lengthCount = 0;          // component count of that entry
    std::vector<ByteRange> structure;  // every directory and value read in that block (the thumbnail not included)
    bool laterStructure = false;       // some of them reach past the thumbnail's first byte
    // Where the edits that keep every field point the thumbnail elsewhere or take its entries out.
    uint32_t directoryOffset = 0;   // the directory that named the thumbnail
    uint32_t directoryEntries = 0;  // its entry count
    uint32_t offsetPos = 0;         // offset of its ThumbnailOffset entry's value
    int offsetFormat = 0;           // format code of that entry
    uint32_t offsetCount = 0;       // component count of that entry
};

extern ThumbnailOrigin thumbnailOrigin;

// The TIFF block in which the last ThumbnailLength entry (photoInfo.thumbLengthPos) was met.
extern const uint8_t* thumbLengthTiffStart;

// Order of the last segment whose byte-order mark was read; none when no Exif segment was parsed.
extern std::optional<ExifByteOrder> parsedByteOrder;

// Working state of the walk of one segment, reset by parseExifSegment.
struct ExifWalkState {
    const uint8_t* tiffStart = nullptr;
    uint32_t tiffLength = 0;
    std::vector<ByteRange> structure;       // directories and values read so far
    std::vector<uint64_t> directoriesRead;  // offsets of the directories already walked
    uint32_t entryBudget = 0;               // directory entries that may still be read
    bool budgetReported = false;
    bool thumbnailNamed = false;  // this walk set photoInfo.thumbOffset
};

extern ExifWalkState exifWalkState;

// Enough for any real block (a few hundred entries); bounds the work a hostile block can cause.
constexpr uint32_t kEntryBudgetPerSegment = 1u << 18;
constexpr size_t kMaxDirectoriesPerSegment = 256;

void startExifWalk(const uint8_t* tiffStart, uint32_t tiffLength);
void recordStructure(uint64_t begin, uint64_t end);
// False (with one report per segment) once a hostile block has used up the entries it may have read.
bool takeEntryBudget(uint64_t entries);

// The facts of the file being processed are gone: called whenever photoInfo is cleared.
void clearExifLayout();

}  // namespace lumivex
