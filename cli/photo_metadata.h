// What the thumbnail commands need from a photo's metadata, read by the engine without the image data:
// the embedded thumbnail's bytes and how large a new one may be.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/photo_bytes.h"

namespace lumivex::cli {

struct PhotoMetadata {
    std::string error;               // empty when the photo's segments were read
    std::string reports;             // the engine's report lines while reading
    std::vector<uint8_t> thumbnail;  // the embedded thumbnail; empty when there is none
    uint64_t thumbnailRoom = 0;      // bytes a new thumbnail may have and still fit in the Exif segment
    int width = 0;                   // from the frame header
    int height = 0;
    PhotoInfo facts{};  // everything else the engine read
    bool ok() const { return error.empty(); }
};

// From the photo's bytes, read once; path names it in the reports.
PhotoMetadata readPhotoMetadata(const std::string& path, const PhotoBytes& photo);

}  // namespace lumivex::cli
