// Replace, delete and export the thumbnail inside the Exif segment held in a photo's section list.
#pragma once

#include <cstdint>

#include "engine/jpeg/photo_records.h"

namespace lumivex {

enum ThumbnailResult : int {
    ThumbDone = 1,             // replaced, removed or written
    ThumbNothingDone = 0,      // removal asked but there is nothing to remove, or it cannot be removed safely
    ThumbTooLarge = -1,        // the new thumbnail does not fit in the segment; nothing changed
    ThumbExportFailed = -2,    // the output file cannot be written
    ThumbNotReplaceable = -4,  // replacement: no thumbnail at the end of the block; export: no thumbnail
    ThumbNoneToRemove = -5,    // removal asked but the photo has no thumbnail
};

// The thumbnail's offset plus its length may not pass this, so that the segment length fits in 16 bits.
constexpr uint32_t kMaxThumbnailEnd = 65516;

// newPath: the new thumbnail file, or nullptr to remove the thumbnail.
int swapThumbnail(PhotoRecords& records, const char* newPath);

// The embedded thumbnail of the photo's Exif segment; false when it has none.
bool embeddedThumbnail(PhotoRecords& records, const uint8_t*& bytes, uint32_t& length);

// outPath: the output file, or "-" for standard output.
int exportThumbnail(PhotoRecords& records, const char* outPath);

}  // namespace lumivex
