#include "engine/thumbnail/minimal_exif.h"

#include <cstring>

#include "engine/exif/byte_order.h"
#include "engine/exif/exif_segment.h"

namespace lumivex {

void buildMinimalExif(PhotoRecords& records) {
    PhotoInfo& photoInfo = records.photoInfo;
    records.exifByteOrder = ExifByteOrder::Intel;
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
        fileTimeText(photoInfo, date);
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

    dropSectionType(records, kMarkerApp1);
    auto buffer = allocateBytes(kMinimalExifSize, "Could not allocate memory");
    std::memcpy(buffer.get(), segment, kMinimalExifSize);
    uint8_t* data = buffer.get();
    insertSection(records, kMarkerApp1, std::move(buffer), kMinimalExifSize);
    photoInfo.exifExtent = 0;
    parseExifSegment(records, data, kMinimalExifSize, 0);
}

}  // namespace lumivex
