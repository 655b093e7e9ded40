// Everything the engine keeps about the one photo an operation works on: its segments, what its Exif says,
// and the sizes behind a thumbnail that did not fit. Whoever starts the operation owns the record and hands
// it to each step; nothing of a photo lives anywhere else, so photos on different threads never meet.
#pragma once

#include <cstdint>

#include "engine/exif/exif_records.h"
#include "engine/jpeg/sections.h"

namespace lumivex {

// Sizes behind the last ThumbTooLarge, for the message that says how much fits.
struct TooLargeFacts {
    uint64_t newLength = 0;  // bytes in the new thumbnail file
    uint32_t room = 0;       // bytes that fit at the thumbnail's place
};

struct PhotoRecords : ExifRecords {
    SectionList sectionList;
    TooLargeFacts lastTooLarge;  // left beside the result code, whose form the window relies on
};

}  // namespace lumivex
