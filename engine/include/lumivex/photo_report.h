// What the front ends show about a photo, as a plain value: the facts of its Exif and JPEG headers, the
// segments before the image data and the Exif byte order. Reading it changes nothing and never reads the
// image data; the value does not change when the engine goes on to another photo.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lumivex/photo_info.h"
#include "lumivex/segment_map.h"

namespace lumivex {

struct SectionSummary {
    int32_t marker;  // the byte after 0xFF, or a pseudo-marker (PseudoMarkerXmp, PseudoMarkerImageData)
    int32_t size;    // the segment's length value
};

struct PhotoReport {
    PhotoInfo facts{};
    std::optional<ExifByteOrder> byteOrder;  // of the last Exif segment whose byte-order mark was read
    std::vector<SectionSummary> sections;    // in file order, up to and including SOS
    std::string replaceRoute;                // how the tool's replacement would put a thumbnail in, or "refused: why"
    uint64_t roomInPlace = 0;                // zero bytes at the end of the Exif segment that later edits can grow into
    uint64_t thumbnailRoom = 0;              // bytes a new thumbnail may have and still fit; 0 when refused anyway
    std::vector<uint8_t> thumbnail;          // the embedded thumbnail's bytes; empty when there is none
};

// Reads the photo's segments up to the image data. None when it cannot be read: the reason has gone to the
// report sink, and a fatal one is also left in *fatalMessage when given.
std::optional<PhotoReport> readPhotoReport(const char* path, std::string* fatalMessage = nullptr);

// The same from the photo's bytes in memory (the whole file, or at least its bytes before the image data, read
// once by the caller), named by name in the reports, with the file's size and modification time. None (and
// "Not JPEG: name" to the report sink) when the bytes are not a JPEG whose segments reach the image data; a
// malformed segment ends the read with FatalError.
std::optional<PhotoReport> readPhotoReportFromBytes(std::span<const uint8_t> bytes, const std::string& name,
                                                    uint64_t fileSize, int64_t modifiedSeconds);

}  // namespace lumivex
