#include "engine/exif/gps.h"

#include <cstdio>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/directory_entry.h"
#include "engine/exif/exif_layout.h"

namespace lumivex {

namespace {

enum GpsTag : uint16_t {
    GpsLatitudeRef = 1,
    GpsLatitude = 2,
    GpsLongitudeRef = 3,
    GpsLongitude = 4,
    GpsAltitudeRef = 5,
    GpsAltitude = 6,
};

constexpr size_t kCoordinateChars = 29;

constexpr EntryReports kGpsEntryReports = {"Illegal number format %d for Exif gps tag %04x",
                                           "Too many components (%d) for Exif gps tag %04x",
                                           "Illegal value pointer for Exif gps tag %04x"};

// Digits after the point: how many integer divisions by 10 bring the denominator to 1 or less, at most 6.
int precisionForDenominator(int32_t denominator) {
    int precision = 0;
    for (int64_t d = denominator; d > 1 && precision < 6; d /= 10) ++precision;
    return precision;
}

void storeCoordinate(char* field, const char* text) {
    const size_t n = strnlen(text, kCoordinateChars);
    std::memcpy(field + 2, text, n);
    field[2 + n] = '\0';
}

}  // namespace

bool formatGpsCoordinate(const ExifWalk& walk, uint64_t valueOff, int format, uint32_t count, char* text,
                         size_t textSize) {
    // Three components must lie inside the checked value; a value with fewer is not read at all.
    const uint64_t componentSize = static_cast<uint64_t>(bytesPerFormat[format]);
    if (count < 3 || componentSize == 0 || !walk.block.contains(valueOff, 3 * componentSize)) return false;
    double parts[3];
    int precisions[3];
    for (int i = 0; i < 3; ++i) {
        const uint64_t partOff = valueOff + static_cast<uint64_t>(i) * componentSize;
        // The precision comes from the denominator, 4 bytes into the value; narrower formats have none.
        const int32_t denominator = componentSize >= 8 ? walk.read32(partOff + 4) : 1;
        precisions[i] = precisionForDenominator(denominator);
        parts[i] = exifValueAsDouble(walk.block.at(partOff), format, walk.order);
    }
    // Whole values take two places; a fraction takes its digits, the point and two places more.
    int widths[3];
    for (int i = 0; i < 3; ++i) widths[i] = precisions[i] == 0 ? 2 : precisions[i] + 3;
    std::snprintf(text, textSize, "%*.*fd %*.*fm %*.*fs", widths[0], precisions[0], parts[0], widths[1], precisions[1],
                  parts[1], widths[2], precisions[2], parts[2]);
    return true;
}

void parseGpsDirectory(ExifWalk& walk, uint64_t dirOffset) {
    const TiffBlock& block = walk.block;
    PhotoInfo& photoInfo = walk.records.photoInfo;
    photoInfo.gpsPresent = 1;
    std::strcpy(photoInfo.gpsLatitude, "? ?");
    std::strcpy(photoInfo.gpsLongitude, "? ?");
    photoInfo.gpsAltitude[0] = '\0';

    if (!block.contains(dirOffset, 2)) {
        warnNonfatal("GPS info directory goes past end of exif", 0, 0);
        return;
    }
    const uint32_t entryCount = static_cast<uint32_t>(walk.read16(dirOffset));
    if (entryCount == 0) return;
    if (!walk.takeEntryBudget(entryCount)) return;
    const uint64_t dirEnd = dirOffset + 2 + 12 * uint64_t{entryCount};
    walk.recordStructure(dirOffset, std::min<uint64_t>(dirEnd + 4, block.length));

    for (uint32_t i = 0; i < entryCount; ++i) {
        const uint64_t entryOff = dirOffset + 2 + 12 * uint64_t{i};
        if (!block.contains(entryOff, 12)) {
            warnNonfatal("GPS info directory goes past end of exif", 0, 0);
            return;
        }
        DirectoryEntry entry{};
        if (!readCheckedEntry(walk, entryOff, kGpsEntryReports, entry)) continue;
        const uint16_t tag = entry.tag;
        const int format = entry.format;
        const uint64_t valueOff = entry.valueOff;
        const uint32_t count = entry.count;
        const uint8_t* value = block.at(valueOff);
        switch (tag) {
            case GpsLatitudeRef:
                photoInfo.gpsLatitude[0] = static_cast<char>(value[0]);
                break;
            case GpsLongitudeRef:
                photoInfo.gpsLongitude[0] = static_cast<char>(value[0]);
                break;
            case GpsLatitude:
            case GpsLongitude: {
                if (format != FormatRational) {
                    warnNonfatal("Inappropriate format (%d) for Exif GPS coordinates!", format, 0);
                }
                char text[128];
                if (formatGpsCoordinate(walk, valueOff, format, count, text, sizeof text)) {
                    storeCoordinate(tag == GpsLatitude ? photoInfo.gpsLatitude : photoInfo.gpsLongitude, text);
                }
                break;
            }
            case GpsAltitudeRef:
                photoInfo.gpsAltitude[0] = value[0] == 0 ? ' ' : '-';
                break;
            case GpsAltitude: {
                char text[400];
                std::snprintf(text, sizeof text, "%.2fm", walk.valueAsDouble(valueOff, format));
                const size_t room = sizeof photoInfo.gpsAltitude - 2;
                const size_t n = strnlen(text, room);
                std::memcpy(photoInfo.gpsAltitude + 1, text, n);
                photoInfo.gpsAltitude[1 + n] = '\0';
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace lumivex
