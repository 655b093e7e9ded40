// The tool's edits of the Exif segment held in a photo's section list, which keep every field of the photo: a new
// thumbnail goes in place when it is last in the block, is appended after the block otherwise, and gets a
// thumbnail directory of its own when the photo had none. Nothing already in the block moves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/jpeg/photo_records.h"

namespace lumivex {

enum class ReplaceRoute {
    InPlace,       // the old thumbnail was last in the block: cut there and the new one put in its place
    Appended,      // the new one goes after the end of the block; the old one's bytes become zeros
    NewDirectory,  // no thumbnail directory: one is added after the block, linked from the first directory
    MinimalExif,   // no Exif segment at all: the minimal block, carrying what a validator requires
    Refused,       // the block cannot be extended safely, or the result does not fit in one segment
};

struct ReplacePlan {
    ReplaceRoute route = ReplaceRoute::Refused;
    std::string why;           // for Refused: one line saying why (how many bytes over, which link is bad)
    uint64_t segmentSize = 0;  // the Exif segment's length value after the edit
};

// "in place", "appended", "new thumbnail directory", "minimal Exif block", "refused"
const char* routeName(ReplaceRoute route);

// What a replacement with a thumbnail of newLength bytes would do; changes nothing.
ReplacePlan planKeepAllReplacement(PhotoRecords& records, uint64_t newLength);

// After an edit the records' thumbnail facts describe the edited segment, which takes a parse of it; a caller
// that takes only the segment's new bytes and drops the records leaves them as they were.
enum class EditedFacts { Refresh, Leave };

// Carries out the plan with these thumbnail bytes; nothing changes when the plan is Refused.
ReplacePlan replaceKeepingAll(PhotoRecords& records, const std::vector<uint8_t>& thumbnail,
                              EditedFacts facts = EditedFacts::Refresh);

enum class RemoveResult { Removed, NoThumbnail, Refused };

// Removes the thumbnail and its offset and length entries (the thumbnail directory too when nothing else
// is left in it); why says what kept it when Refused.
RemoveResult removeKeepingAll(PhotoRecords& records, std::string* why, EditedFacts facts = EditedFacts::Refresh);

}  // namespace lumivex
