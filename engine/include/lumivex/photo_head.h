// The head of a photo (every byte before its image data) read through an open file, with its segment map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumivex/file_services.h"
#include "lumivex/segment_map.h"

namespace lumivex {

struct PhotoHead {
    std::vector<uint8_t> bytes;  // the file from its first byte up to the image data
    SegmentMap map;
};

// Reads from the file's start until the walk reaches the image data; false (why says what) when the file is
// not a JPEG whose segments reach an SOS within the walker's limits.
bool readPhotoHead(const platform::OpenFile& file, uint64_t fileSize, PhotoHead& head, std::string& why);

}  // namespace lumivex
