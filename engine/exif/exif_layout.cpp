#include "engine/exif/exif_layout.h"

#include <algorithm>

#include "engine/diag/diag.h"

namespace lumivex {

bool thumbnailSharesBytes(const ExifRecords& records) {
    const uint64_t begin = records.photoInfo.thumbOffset;
    const uint64_t end = begin + records.photoInfo.thumbLength;
    for (const ByteRange& range : records.thumbnailOrigin.structure) {
        if (range.begin < end && range.end > begin) return true;
    }
    return false;
}

uint32_t thumbnailLengthWidth(int lengthFormat) {
    if (lengthFormat == FormatLong || lengthFormat == FormatSLong) return 4;
    if (lengthFormat == FormatShort || lengthFormat == FormatSShort) return 2;
    return 0;
}

void writeThumbnailLength(const ThumbnailOrigin& origin, uint8_t* tiff, uint32_t length) {
    uint8_t* value = tiff + origin.lengthPos;
    switch (thumbnailLengthWidth(origin.lengthFormat)) {
        case 4:
            exifWrite32(value, length, origin.byteOrder);
            break;
        case 2:
            if (origin.lengthFormat == FormatSShort)
                exifWrite16(tiff + origin.lengthEntryPos + 2, FormatShort, origin.byteOrder);
            exifWrite16(value, static_cast<uint16_t>(length), origin.byteOrder);
            break;
        default:
            break;
    }
}

ExifWalk::ExifWalk(ExifRecords& photo, TiffBlock tiff, ExifByteOrder blockOrder, int32_t segmentIndex)
    : records(photo), block(tiff), order(blockOrder), sectionIndex(segmentIndex) {
    recordStructure(0, 8);  // the TIFF header
}

double ExifWalk::valueAsDouble(uint64_t valueOff, int format) const {
    const bool numeric = format >= 1 && format <= kLastExifFormat && format != FormatAscii && format != FormatUndefined;
    if (numeric && !block.contains(valueOff, static_cast<uint64_t>(bytesPerFormat[format]))) return 0.0;
    return exifValueAsDouble(block.at(std::min<uint64_t>(valueOff, block.length)), format, order);
}

void ExifWalk::recordStructure(uint64_t begin, uint64_t end) {
    if (end > begin) structure.push_back({begin, end});
}

bool ExifWalk::takeEntryBudget(uint64_t entries) {
    if (entries <= entryBudget) {
        entryBudget -= static_cast<uint32_t>(entries);
        return true;
    }
    if (!budgetReported) {
        warnNonfatal("Too many Exif directory entries (more than %d); the rest is not read", kEntryBudgetPerSegment, 0);
        budgetReported = true;
    }
    entryBudget = 0;
    return false;
}

}  // namespace lumivex
