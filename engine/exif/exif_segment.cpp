#include "engine/exif/exif_segment.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "engine/diag/diag.h"
#include "engine/exif/byte_order.h"
#include "engine/exif/directory_walker.h"
#include "engine/exif/exif_layout.h"
#include "engine/platform/local_time.h"

namespace lumivex {

namespace {

constexpr uint32_t kExifHeaderSize = 16;  // length, "Exif\0\0", byte-order mark, 42, first directory offset

// Sensor width and the 35 mm equivalent, from what the walk of this segment gathered.
void deriveSensorSize(ExifRecords& records) {
    const ExifParseContext& exifParseContext = records.exifParseContext;
    PhotoInfo& photoInfo = records.photoInfo;
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
    ThumbnailOrigin& thumbnailOrigin = walk.records.thumbnailOrigin;
    thumbnailOrigin.structure = walk.structure;
    thumbnailOrigin.laterStructure = false;
    for (const ByteRange& range : thumbnailOrigin.structure) {
        if (range.end > walk.records.photoInfo.thumbOffset) thumbnailOrigin.laterStructure = true;
    }
}

}  // namespace

void parseExifSegment(ExifRecords& records, uint8_t* data, uint32_t length, int32_t sectionIndex) {
    records.exifParseContext = ExifParseContext{};
    if (length < kExifHeaderSize) {
        warnNonfatal("Exif segment too short for its header (%d bytes)", static_cast<int>(length), 0);
        return;
    }
    if (std::memcmp(data + 2, "Exif\0\0", 6) != 0) {
        warnNonfatal("Incorrect Exif header", 0, 0);
        return;
    }
    if (data[8] == 'I' && data[9] == 'I') {
        records.exifByteOrder = ExifByteOrder::Intel;
    } else if (data[8] == 'M' && data[9] == 'M') {
        records.exifByteOrder = ExifByteOrder::Motorola;
    } else {
        warnNonfatal("Invalid Exif alignment marker.", 0, 0);
        return;
    }
    const ExifByteOrder order = records.exifByteOrder;
    records.exifReadFacts.byteOrder = order;
    if (exifRead16(data + 10, order) != 42) {
        warnNonfatal("Invalid Exif start (1)", 0, 0);
        return;
    }
    const uint32_t firstOffset = exifReadU32(data + 12, order);
    // 8 to 16 is the usual place and is taken without looking at the length; the walk checks the count.
    if (firstOffset < 8 || (firstOffset > 16 && firstOffset > length - 16)) {
        warnNonfatal("invalid offset for first Exif IFD value", 0, 0);
        return;
    }
    if (firstOffset > 16) warnNonfatal("Suspicious offset of first Exif IFD value", 0, 0);

    ExifWalk walk(records, TiffBlock{data + 8, length - 8}, order, sectionIndex);
    walkExifDirectoryAt(walk, firstOffset, 0);
    if (walk.thumbnailNamed) recordThumbnailLayout(walk);

    PhotoInfo& photoInfo = records.photoInfo;
    const bool thumbnailLate = photoInfo.thumbOffset != 0 && records.thumbnailOrigin.laterStructure;
    photoInfo.thumbAtEnd = photoInfo.thumbOffset >= photoInfo.exifExtent && !thumbnailLate ? 1 : 0;
    deriveSensorSize(records);
}

void fileTimeText(const PhotoInfo& info, char* buffer) {
    if (info.fileModified == kUnknownFileTime) {
        std::strcpy(buffer, "    :  :     :  :  ");
        return;
    }
    const std::time_t seconds = info.fileModified;
    std::tm local{};
    if (!platform::localTime(seconds, local) || std::strftime(buffer, 20, "%Y:%m:%d %H:%M:%S", &local) != 19) {
        std::strcpy(buffer, "0000:00:00 00:00:00");
    }
}

}  // namespace lumivex
