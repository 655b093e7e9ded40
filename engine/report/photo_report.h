// What the front ends show about a photo, as a plain value: the facts of its Exif and JPEG headers, the
// segments before the image data and the Exif byte order. Reading it changes nothing and never reads the
// image data; the value does not change when the engine goes on to another photo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/exif/byte_order.h"
#include "engine/exif/photo_info.h"

namespace lumivex {

struct SectionSummary {
    int32_t marker;  // the byte after 0xFF, or a pseudo-marker (0x10E1 for XMP)
    int32_t size;    // the segment's length value
};

struct PhotoReport {
    PhotoInfo facts;
    std::optional<ExifByteOrder> byteOrder;  // of the last Exif segment whose byte-order mark was read
    std::vector<SectionSummary> sections;    // in file order, up to and including SOS
    std::string replaceRoute;                // how the tool's replacement would put a thumbnail in, or "refused: why"
    uint64_t roomInPlace = 0;                // zero bytes at the end of the Exif segment that later edits can grow into
};

// Reads the photo's segments up to the image data. None when it cannot be read: the reason has gone to the
// report sink, and a fatal one is also left in *fatalMessage when given.
std::optional<PhotoReport> readPhotoReport(const char* path, std::string* fatalMessage = nullptr);

// The report of the photo this thread read last.
PhotoReport currentPhotoReport();

}  // namespace lumivex
