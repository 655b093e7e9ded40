// Replace, delete and export the thumbnail inside the Exif segment held in sectionList.
#pragma once

#include <cstdint>

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
int swapThumbnail(const char* newPath);

// The embedded thumbnail of the photo's Exif segment; false when it has none.
bool embeddedThumbnail(const uint8_t*& bytes, uint32_t& length);

// outPath: the output file, or "-" for standard output.
int exportThumbnail(const char* outPath);

// Sizes behind the last ThumbTooLarge, for the message that says how much fits.
struct TooLargeFacts {
    uint64_t newLength;  // bytes in the new thumbnail file
    uint32_t room;       // bytes that fit at the thumbnail's place
};
// Left beside the result code, whose form the window relies on; one per worker thread, like the records.
extern thread_local TooLargeFacts lastTooLarge;

}  // namespace lumivex
