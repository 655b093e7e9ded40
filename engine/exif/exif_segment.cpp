#include "engine/exif/exif_segment.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "engine/diag/diag.h"
#include "engine/exif/byte_order.h"
#include "engine/exif/directory_walker.h"
#include "engine/exif/exif_layout.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"

namespace lumivex {

namespace {

constexpr uint32_t kExifHeaderSize = 16;  // length, "Exif\0\0", byte-order mark, 42, first directory offset

// Sensor width and the 35 mm equivalent, from what the walk of this segment gathered.
void deriveSensorSize() {
    if (exifParseContext.focalPlaneXResolution == 0) return;
    const double width =
        exifParseContext.exifImageMax * exifParseContext.focalPlaneUnitMm / exifParseContext.focalPlaneXResolution;
    photoInfo.ccdWidth = doubleToFloat(width);
    if (photoInfo.focalLength == 0 || photoInfo.focalLength35mm != 0) return;
    // With no sensor width the quotient is not finite; the 35 mm equivalent then stays unknown (0).
    const double equivalent = photoInfo.focalLength / static_cast<double>(photoInfo.ccdWidth) * 36 + 0.5;
    if (std::isfinite(equivalent)) photoInfo.focalLength35mm = doubleToInt32(equivalent);
}

// The thumbnail is last in its block only if no directory or value read in it reaches past its first byte.
void recordThumbnailLayout(const ExifWalk& walk) {
    thumbnailOrigin.structure = walk.structure;
    thumbnailOrigin.laterStructure = false;
    for (const ByteRange& range : thumbnailOrigin.structure) {
        if (range.end > photoInfo.thumbOffset) thumbnailOrigin.laterStructure = true;
    }
}

}  // namespace

void parseExifSegment(uint8_t* data, uint32_t length, int32_t sectionIndex) {
    exifParseContext = ExifParseContext{};
    if (length < kExifHeaderSize) {
        warnNonfatal("Exif segment too short for its header (%d bytes)", static_cast<int>(length), 0);
        return;
    }
    if (std::memcmp(data + 2, "Exif\0\0", 6) != 0) {
        warnNonfatal("Incorrect Exif header", 0, 0);
        return;
    }
    if (data[8] == 'I' && data[9] == 'I') {
        exifByteOrder = ExifByteOrder::Intel;
    } else if (data[8] == 'M' && data[9] == 'M') {
        exifByteOrder = ExifByteOrder::Motorola;
    } else {
        warnNonfatal("Invalid Exif alignment marker.", 0, 0);
        return;
    }
    exifReadFacts.byteOrder = exifByteOrder;
    if (exifRead16(data + 10) != 42) {
        warnNonfatal("Invalid Exif start (1)", 0, 0);
        return;
    }
    const uint32_t firstOffset = exifReadU32(data + 12);
    // 8 to 16 is the usual place and is taken without looking at the length; the walk checks the count.
    if (firstOffset < 8 || (firstOffset > 16 && firstOffset > length - 16)) {
        warnNonfatal("invalid offset for first Exif IFD value", 0, 0);
        return;
    }
    if (firstOffset > 16) warnNonfatal("Suspicious offset of first Exif IFD value", 0, 0);

    ExifWalk walk(TiffBlock{data + 8, length - 8}, exifByteOrder, sectionIndex);
    walkExifDirectoryAt(walk, firstOffset, 0);
    if (walk.thumbnailNamed) recordThumbnailLayout(walk);

    const bool thumbnailLate = photoInfo.thumbOffset != 0 && thumbnailOrigin.laterStructure;
    photoInfo.thumbAtEnd = photoInfo.thumbOffset >= photoInfo.exifExtent && !thumbnailLate ? 1 : 0;
    deriveSensorSize();
}

void fileTimeText(char* buffer) {
    const std::time_t seconds = photoInfo.fileModified;
    const std::tm* local = std::localtime(&seconds);
    if (local == nullptr || std::strftime(buffer, 20, "%Y:%m:%d %H:%M:%S", local) != 19) {
        std::strcpy(buffer, "0000:00:00 00:00:00");
    }
}

void buildMinimalExif() {
    exifByteOrder = ExifByteOrder::Intel;
    uint8_t segment[kMinimalExifSize] = {
        0x00, 0x86, 'E', 'x', 'i', 'f', 0x00, 0x00, 'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,
        // first directory: DateTime, ExifOffset, next directory at 96
        0x02, 0x00, 0x32, 0x01, 0x02, 0x00, 0x14, 0x00, 0x00, 0x00, 0x26, 0x00, 0x00, 0x00,  //
        0x69, 0x87, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x3A, 0x00, 0x00, 0x00,              //
        0x60, 0x00, 0x00, 0x00};
    char date[20] = {};
    if (photoInfo.dateOffsetCount != 0) {
        std::memcpy(date, photoInfo.dateTime, 19);
    } else {
        fileTimeText(date);
    }
    std::memcpy(segment + 46, date, 20);
    // Exif directory: DateTimeOriginal, no next directory
    const uint8_t exifDirectory[18] = {0x01, 0x00, 0x03, 0x90, 0x02, 0x00, 0x14, 0x00, 0x00,
                                       0x00, 0x4C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(segment + 66, exifDirectory, sizeof exifDirectory);
    std::memcpy(segment + 84, date, 20);
    // second directory: ThumbnailOffset 126 (the end of the segment), ThumbnailLength 0
    const uint8_t thumbnailDirectory[30] = {0x02, 0x00, 0x01, 0x02, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00,
                                            0x7E, 0x00, 0x00, 0x00, 0x02, 0x02, 0x04, 0x00, 0x01, 0x00,
                                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(segment + 104, thumbnailDirectory, sizeof thumbnailDirectory);

    dropSectionType(kMarkerApp1);
    auto buffer = allocateBytes(kMinimalExifSize, "Could not allocate memory");
    std::memcpy(buffer.get(), segment, kMinimalExifSize);
    uint8_t* data = buffer.get();
    insertSection(kMarkerApp1, std::move(buffer), kMinimalExifSize);
    photoInfo.exifExtent = 0;
    parseExifSegment(data, kMinimalExifSize, 0);
}

}  // namespace lumivex
