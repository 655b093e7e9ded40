// What the walk learned about where things lie in each Exif block. The thumbnail may be cut off the end of
// its block only when nothing else reaches past its first byte, and zeroed in place only when no directory
// or value shares its bytes; and an edit must touch the segment the facts came from, in that segment's order.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/exif/byte_order.h"
#include "engine/exif/exif_records.h"
#include "engine/exif/tiff_block.h"

namespace lumivex {

// True when a directory or value read in the thumbnail's block lies in the thumbnail's bytes too, so that
// zeroing or moving them would damage it.
bool thumbnailSharesBytes(const ExifRecords& records);

// Bytes of a ThumbnailLength value of this format that an edit rewrites: 4 for LONG and SLONG, 2 for SHORT
// and SSHORT, 0 for any other format (such a length cannot be rewritten safely).
uint32_t thumbnailLengthWidth(int lengthFormat);

// Writes a new thumbnail length into the length entry that the origin names, in its block's order, at the
// width above; tiff is that block. An SSHORT entry becomes SHORT, so that a length above 32767 does not read
// back as negative.
void writeThumbnailLength(const ThumbnailOrigin& origin, uint8_t* tiff, uint32_t length);

// Enough for any real block (a few hundred entries); bounds the work a hostile block can cause.
constexpr uint32_t kEntryBudgetPerSegment = 1u << 18;
constexpr size_t kMaxDirectoriesPerSegment = 256;

// The walk of one segment's TIFF block, passed down through the Exif, GPS and maker-note walks: the photo's
// records it fills, the block, the byte order in force, the directories already read, the budget left, and
// what was read where.
struct ExifWalk {
    ExifWalk(ExifRecords& photo, TiffBlock tiff, ExifByteOrder blockOrder, int32_t segmentIndex);

    ExifRecords& records;
    TiffBlock block;
    ExifByteOrder order;                    // the block's order; Intel inside a Canon maker note
    int32_t sectionIndex;                   // the segment in the section list, -1 when parsed on its own
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

}  // namespace lumivex
