// What the walk learned about where things lie in each Exif block. The thumbnail may be cut off the end of
// its block only when nothing else reaches past its first byte, and zeroed in place only when no directory
// or value shares its bytes; and an edit must touch the segment the facts came from, in that segment's order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/diag/thread_record.h"
#include "engine/exif/byte_order.h"
#include "engine/exif/tiff_block.h"

namespace lumivex {

struct ByteRange {
    uint64_t begin;  // offset from the TIFF header
    uint64_t end;    // one past the last byte
};

// Offsets in an Exif block count from its TIFF header, which follows the 2 length bytes and "Exif\0\0".
constexpr uint32_t kTiffStartInSegment = 8;

// Where the thumbnail facts of photoInfo come from: the result of the parse that the edits read.
struct ThumbnailOrigin {
    int32_t sectionIndex = -1;  // the segment (index in sectionList) whose directory named the thumbnail
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

// The result of reading the photo, kept from the read to the edit. One per worker thread: the tool processes
// photos on several threads, each one photo at a time.
extern thread_local LUMIVEX_THREAD_RECORD(ThumbnailOrigin) thumbnailOrigin;

// What else the read of the photo's Exif segments leaves for the edits and the report.
struct ExifReadFacts {
    std::optional<ExifByteOrder> byteOrder;  // of the last segment whose byte-order mark was read
    int32_t lengthSectionIndex = -1;         // the segment of the last ThumbnailLength entry (thumbLengthPos)
};

// One per worker thread, like thumbnailOrigin.
extern thread_local ExifReadFacts exifReadFacts;

// True when a directory or value read in the thumbnail's block lies in the thumbnail's bytes too, so that
// zeroing or moving them would damage it.
bool thumbnailSharesBytes();

// Bytes of a ThumbnailLength value of this format that an edit rewrites: 4 for LONG and SLONG, 2 for SHORT
// and SSHORT, 0 for any other format (such a length cannot be rewritten safely).
uint32_t thumbnailLengthWidth(int lengthFormat);

// Writes a new thumbnail length into the length entry that thumbnailOrigin names, in its block's order, at the
// width above; tiff is that block. An SSHORT entry becomes SHORT, so that a length above 32767 does not read
// back as negative.
void writeThumbnailLength(uint8_t* tiff, uint32_t length);

// Enough for any real block (a few hundred entries); bounds the work a hostile block can cause.
constexpr uint32_t kEntryBudgetPerSegment = 1u << 18;
constexpr size_t kMaxDirectoriesPerSegment = 256;

// The walk of one segment's TIFF block, passed down through the Exif, GPS and maker-note walks: the block,
// the byte order in force, the directories already read, the budget left, and what was read where.
struct ExifWalk {
    ExifWalk(TiffBlock tiff, ExifByteOrder blockOrder, int32_t segmentIndex);

    TiffBlock block;
    ExifByteOrder order;                    // the block's order; Intel inside a Canon maker note
    int32_t sectionIndex;                   // the segment in sectionList, -1 when parsed on its own
    std::vector<ByteRange> structure;       // directories and values read so far
    std::vector<uint64_t> directoriesRead;  // offsets of the directories already walked
    uint32_t entryBudget = kEntryBudgetPerSegment;
    bool budgetReported = false;
    bool thumbnailNamed = false;  // this walk set photoInfo.thumbOffset

    // Numbers at an offset the caller has checked, in the order in force.
    int read16(uint64_t off) const { return exifRead16(block.at(off), order); }
    uint32_t readU32(uint64_t off) const { return exifReadU32(block.at(off), order); }
    int32_t read32(uint64_t off) const { return exifRead32(block.at(off), order); }
    // exifValueAsDouble for a value that may be shorter than one component of its format (a count of 0):
    // the component is read only when all its bytes lie inside the block, otherwise the value counts as 0.
    double valueAsDouble(uint64_t valueOff, int format) const;

    void recordStructure(uint64_t begin, uint64_t end);
    // False (with one report per segment) once a hostile block has used up the entries it may have read.
    bool takeEntryBudget(uint64_t entries);
};

// The facts of the file being processed are gone: called whenever photoInfo is cleared.
void clearExifLayout();

// The list moved its entries: every index from `from` on moves by `by`; an index of a removed entry (by < 0,
// index == from) becomes -1. The facts then still name the segment they came from.
void shiftSectionIndices(int32_t from, int32_t by);

}  // namespace lumivex
