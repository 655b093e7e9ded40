#include "engine/exif/directory_walker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/directory_entry.h"
#include "engine/exif/exif_layout.h"
#include "engine/exif/gps.h"
#include "engine/exif/maker_note.h"

namespace lumivex {

namespace {

constexpr int kMaxDepth = 4;
constexpr double kLn2 = 0.6931471805599453;

enum Tag : uint16_t {
    TagMake = 0x010F,
    TagModel = 0x0110,
    TagOrientation = 0x0112,
    TagXResolution = 0x011A,
    TagYResolution = 0x011B,
    TagResolutionUnit = 0x0128,
    TagDateTime = 0x0132,
    TagThumbnailOffset = 0x0201,
    TagThumbnailLength = 0x0202,
    TagExposureTime = 0x829A,
    TagFNumber = 0x829D,
    TagExifOffset = 0x8769,
    TagExposureProgram = 0x8822,
    TagGpsOffset = 0x8825,
    TagIsoSpeedRatings = 0x8827,
    TagDateTimeOriginal = 0x9003,
    TagDateTimeDigitized = 0x9004,
    TagShutterSpeedValue = 0x9201,
    TagApertureValue = 0x9202,
    TagExposureBiasValue = 0x9204,
    TagMaxApertureValue = 0x9205,
    TagSubjectDistance = 0x9206,
    TagMeteringMode = 0x9207,
    TagLightSource = 0x9208,
    TagFlash = 0x9209,
    TagFocalLength = 0x920A,
    TagMakerNote = 0x927C,
    TagUserComment = 0x9286,
    TagWindowsComment = 0x9C9C,
    TagExifImageWidth = 0xA002,
    TagExifImageLength = 0xA003,
    TagInteropOffset = 0xA005,
    TagFocalPlaneXResolution = 0xA20E,
    TagFocalPlaneResolutionUnit = 0xA210,
    TagExposureIndex = 0xA215,
    TagExposureMode = 0xA402,
    TagWhiteBalance = 0xA403,
    TagDigitalZoomRatio = 0xA404,
    TagFocalLengthIn35mm = 0xA405,
    TagSubjectDistanceRange = 0xA40C,
};

using Entry = DirectoryEntry;

// What one directory says about the thumbnail; applied after its next directory has been read.
struct DirectoryThumbnail {
    bool hasOffset = false;
    uint32_t offset = 0;
    bool hasLength = false;
    uint32_t length = 0;
    uint32_t lengthPos = 0;
    int lengthFormat = 0;
    uint32_t lengthCount = 0;
    uint32_t lengthEntryPos = 0;
    uint32_t offsetPos = 0;
    int offsetFormat = 0;
    uint32_t offsetCount = 0;
    uint32_t directoryOffset = 0;
    uint32_t directoryEntries = 0;
};

void raiseExifExtent(PhotoInfo& photoInfo, uint64_t offset) {
    if (offset > photoInfo.exifExtent) photoInfo.exifExtent = static_cast<uint32_t>(offset);
}

void applyDateRule(PhotoInfo& photoInfo, const TiffBlock& block, const Entry& entry) {
    const char first = photoInfo.dateTime[0];
    if (first < '0' || first > '9') copyBlockText(photoInfo.dateTime, block, entry.valueOff, 19);
    if (photoInfo.dateOffsetCount > kMaxDateOffsets - 1) {
        warnNonfatal("More than %d date fields in Exif.  This is nuts", kMaxDateOffsets, 0);
        return;
    }
    photoInfo.dateOffsets[photoInfo.dateOffsetCount++] = static_cast<uint32_t>(entry.valueOff);
}

void applyOrientationRule(ExifRecords& records, double x) {
    PhotoInfo& photoInfo = records.photoInfo;
    ExifParseContext& exifParseContext = records.exifParseContext;
    if (exifParseContext.orientationCount >= 2) {
        warnNonfatal("More than two orientation in Exif", 0, 0);
        return;
    }
    if (exifParseContext.orientationCount == 0) photoInfo.orientation = doubleToInt32(x);
    if (static_cast<uint32_t>(photoInfo.orientation) > 8) {
        warnNonfatal("Undefined rotation value %d in Exif", photoInfo.orientation, 0);
        photoInfo.orientation = 0;
    }
    ++exifParseContext.orientationCount;
}

void applyUserCommentRule(PhotoInfo& photoInfo, const TiffBlock& block, const Entry& entry) {
    if (photoInfo.comment[0] != '\0') return;
    uint8_t* value = block.at(entry.valueOff);
    // Trailing blanks become NULs in the segment itself, and stay so when the file is written back.
    for (uint64_t i = entry.byteCount; i > 0 && value[i - 1] == ' '; --i) value[i - 1] = 0;

    const size_t n = static_cast<size_t>(std::min<uint64_t>(entry.byteCount, 1999));
    if (n <= 5) {
        copyBlockText(photoInfo.comment, block, entry.valueOff, n);
        return;
    }
    if (std::memcmp(value, "ASCII", 5) == 0) {
        for (size_t pos = 5; pos < 10 && pos < n; ++pos) {
            if (value[pos] != 0 && value[pos] != ' ') {
                copyBlockText(photoInfo.comment, block, entry.valueOff + pos, n - pos);
                return;
            }
        }
        return;
    }
    copyBlockText(photoInfo.comment, block, entry.valueOff, n);
}

void applyWindowsCommentRule(PhotoInfo& photoInfo, const TiffBlock& block, const Entry& entry) {
    if (photoInfo.comment[0] != '\0' || entry.byteCount < 2) return;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(entry.byteCount, sizeof photoInfo.comment));
    std::memcpy(photoInfo.comment, block.at(entry.valueOff), n);
    photoInfo.commentWideChars = static_cast<int32_t>(n / 2);
}

// Where a directory link leads, or nothing when it leaves the block.
bool linkTarget(const ExifWalk& walk, const Entry& entry, uint64_t& target) {
    target = walk.readU32(entry.valueOff);
    return target <= walk.block.length;
}

void applyTag(ExifWalk& walk, const Entry& entry, int depth, DirectoryThumbnail& thumbnail) {
    const TiffBlock& block = walk.block;
    PhotoInfo& photoInfo = walk.records.photoInfo;
    ExifParseContext& exifParseContext = walk.records.exifParseContext;
    const auto x = [&] { return walk.valueAsDouble(entry.valueOff, entry.format); };
    const auto textLength = [&](size_t limit) {
        return static_cast<size_t>(std::min<uint64_t>(entry.byteCount, limit));
    };
    switch (entry.tag) {
        case TagMake:
            copyBlockText(photoInfo.cameraMake, block, entry.valueOff, textLength(31));
            break;
        case TagModel:
            copyBlockText(photoInfo.cameraModel, block, entry.valueOff, textLength(39));
            break;
        case TagOrientation:
            applyOrientationRule(walk.records, x());
            break;
        case TagXResolution:
            if (depth != 0) break;
            photoInfo.xResolution = doubleToFloat(x());
            if (photoInfo.yResolution == 0) photoInfo.yResolution = photoInfo.xResolution;
            break;
        case TagYResolution:
            if (depth != 0) break;
            photoInfo.yResolution = doubleToFloat(x());
            if (photoInfo.xResolution == 0) photoInfo.xResolution = photoInfo.yResolution;
            break;
        case TagResolutionUnit:
            if (depth == 0) photoInfo.resolutionUnit = doubleToInt32(x());
            break;
        case TagDateTime:
        case TagDateTimeDigitized:
            applyDateRule(photoInfo, block, entry);
            break;
        case TagDateTimeOriginal:
            copyBlockText(photoInfo.dateTime, block, entry.valueOff, 19);
            applyDateRule(photoInfo, block, entry);
            break;
        case TagThumbnailOffset:
            thumbnail.hasOffset = true;
            thumbnail.offset = doubleToUint32Modulo(x());
            thumbnail.offsetPos = static_cast<uint32_t>(entry.valueOff);
            thumbnail.offsetFormat = entry.format;
            thumbnail.offsetCount = entry.count;
            break;
        case TagThumbnailLength:
            thumbnail.hasLength = true;
            thumbnail.length = doubleToUint32Modulo(x());
            thumbnail.lengthPos = static_cast<uint32_t>(entry.valueOff);
            thumbnail.lengthFormat = entry.format;
            thumbnail.lengthCount = entry.count;
            thumbnail.lengthEntryPos = static_cast<uint32_t>(entry.entryOff);
            photoInfo.thumbLengthPos = thumbnail.lengthPos;
            walk.records.exifReadFacts.lengthSectionIndex = walk.sectionIndex;
            break;
        case TagExposureTime:
            photoInfo.exposureTime = doubleToFloat(x());
            break;
        case TagFNumber:
            photoInfo.fNumber = doubleToFloat(x());
            break;
        case TagExifOffset:
        case TagInteropOffset: {
            uint64_t target = 0;
            if (linkTarget(walk, entry, target)) {
                walkExifDirectoryAt(walk, target, depth + 1);
            } else {
                warnNonfatal("Illegal Exif or interop ofset directory link", 0, 0);
            }
            break;
        }
        case TagExposureProgram:
            photoInfo.exposureProgram = doubleToInt32(x());
            break;
        case TagGpsOffset: {
            uint64_t target = 0;
            if (linkTarget(walk, entry, target)) {
                parseGpsDirectory(walk, target);
            } else {
                warnNonfatal("Illegal GPS directory link in Exif", 0, 0);
            }
            break;
        }
        case TagIsoSpeedRatings: {
            int64_t iso = doubleToInt32(x());
            if (iso <= 49) iso *= 200;
            photoInfo.isoEquivalent = static_cast<int32_t>(iso);
            break;
        }
        case TagShutterSpeedValue:
            if (photoInfo.exposureTime == 0) photoInfo.exposureTime = doubleToFloat(1 / std::exp(x() * kLn2));
            break;
        case TagApertureValue:
        case TagMaxApertureValue:
            if (photoInfo.fNumber == 0) photoInfo.fNumber = doubleToFloat(std::exp(x() * kLn2 * 0.5));
            break;
        case TagExposureBiasValue:
            photoInfo.exposureBias = doubleToFloat(x());
            break;
        case TagSubjectDistance:
            photoInfo.subjectDistance = doubleToFloat(x());
            break;
        case TagMeteringMode:
            photoInfo.meteringMode = doubleToInt32(x());
            break;
        case TagLightSource:
            photoInfo.lightSource = doubleToInt32(x());
            break;
        case TagFlash:
            photoInfo.flash = doubleToInt32(x());
            break;
        case TagFocalLength:
            photoInfo.focalLength = doubleToFloat(x());
            break;
        case TagMakerNote:
            parseMakerNote(walk, entry.valueOff, entry.byteCount);
            break;
        case TagUserComment:
            applyUserCommentRule(photoInfo, block, entry);
            break;
        case TagWindowsComment:
            applyWindowsCommentRule(photoInfo, block, entry);
            break;
        case TagExifImageWidth:
        case TagExifImageLength: {
            const int32_t size = doubleToInt32(x());
            if (size > exifParseContext.exifImageMax) exifParseContext.exifImageMax = size;
            break;
        }
        case TagFocalPlaneXResolution:
            exifParseContext.focalPlaneXResolution = x();
            break;
        case TagFocalPlaneResolutionUnit:
            switch (doubleToInt32(x())) {
                case 1:
                case 2:
                    exifParseContext.focalPlaneUnitMm = 25.4;
                    break;
                case 3:
                    exifParseContext.focalPlaneUnitMm = 10.0;
                    break;
                case 4:
                    exifParseContext.focalPlaneUnitMm = 1.0;
                    break;
                case 5:
                    exifParseContext.focalPlaneUnitMm = 0.001;
                    break;
                default:
                    break;
            }
            break;
        case TagExposureIndex:
            if (photoInfo.isoEquivalent == 0) photoInfo.isoEquivalent = doubleToInt32(x());
            break;
        case TagExposureMode:
            photoInfo.exposureMode = doubleToInt32(x());
            break;
        case TagWhiteBalance:
            photoInfo.whiteBalance = doubleToInt32(x());
            break;
        case TagDigitalZoomRatio:
            photoInfo.digitalZoomRatio = doubleToFloat(x());
            break;
        case TagFocalLengthIn35mm:
            photoInfo.focalLength35mm = static_cast<int32_t>(doubleToUint32Modulo(x()));
            break;
        case TagSubjectDistanceRange:
            photoInfo.subjectDistanceRange = doubleToInt32(x());
            break;
        default:
            break;
    }
}

constexpr EntryReports kExifEntryReports = {"Illegal number format %d for tag %04x in Exif",
                                            "Too many components %d for tag %04x in Exif",
                                            "Illegal value pointer for tag %04x in Exif"};

// A directory may be read once per segment, and only so many of them: links that loop or fan out
// to the same directory cannot multiply the work.
bool admitDirectory(ExifWalk& walk, uint64_t dirOffset) {
    auto& read = walk.directoriesRead;
    if (std::find(read.begin(), read.end(), dirOffset) != read.end()) {
        warnNonfatal("Exif directory at offset %d is linked more than once; read once", static_cast<int>(dirOffset), 0);
        return false;
    }
    if (read.size() >= kMaxDirectoriesPerSegment) {
        warnNonfatal("More than %d Exif directories; the rest is not read", static_cast<int>(kMaxDirectoriesPerSegment),
                     0);
        return false;
    }
    read.push_back(dirOffset);
    return true;
}

void followNextLink(ExifWalk& walk, uint64_t dirEnd, int depth) {
    if (uint64_t{walk.block.length} < dirEnd + 4) return;
    const uint64_t link = walk.readU32(dirEnd);
    if (link == 0) return;
    if (link <= walk.block.length) {
        walkExifDirectoryAt(walk, link, depth + 1);
    } else if (link - walk.block.length >= 20) {
        warnNonfatal("Illegal subdirectory link in Exif header", 0, 0);
    }
    raiseExifExtent(walk.records.photoInfo, link);
}

void applyThumbnailFacts(ExifWalk& walk, const DirectoryThumbnail& thumbnail) {
    const TiffBlock& block = walk.block;
    if (!thumbnail.hasOffset || thumbnail.offset == 0 || thumbnail.offset > block.length) return;
    PhotoInfo& photoInfo = walk.records.photoInfo;
    ThumbnailOrigin& thumbnailOrigin = walk.records.thumbnailOrigin;
    photoInfo.thumbOffset = thumbnail.offset;
    const uint32_t room = block.length - thumbnail.offset;
    photoInfo.thumbLength = thumbnail.hasLength ? std::min(thumbnail.length, room) : 0;

    thumbnailOrigin.sectionIndex = walk.sectionIndex;
    thumbnailOrigin.tiffLength = block.length;
    thumbnailOrigin.byteOrder = walk.order;
    thumbnailOrigin.hasLengthEntry = thumbnail.hasLength;
    thumbnailOrigin.lengthPos = thumbnail.lengthPos;
    thumbnailOrigin.lengthFormat = thumbnail.lengthFormat;
    thumbnailOrigin.lengthCount = thumbnail.lengthCount;
    thumbnailOrigin.lengthEntryPos = thumbnail.lengthEntryPos;
    thumbnailOrigin.offsetPos = thumbnail.offsetPos;
    thumbnailOrigin.offsetFormat = thumbnail.offsetFormat;
    thumbnailOrigin.offsetCount = thumbnail.offsetCount;
    thumbnailOrigin.directoryOffset = thumbnail.directoryOffset;
    thumbnailOrigin.directoryEntries = thumbnail.directoryEntries;
    walk.thumbnailNamed = true;
}

}  // namespace

void walkExifDirectoryAt(ExifWalk& walk, uint64_t dirOffset, int depth) {
    const TiffBlock& block = walk.block;
    if (depth > kMaxDepth) {
        warnNonfatal("Maximum Exif directory nesting exceeded (corrupt Exif header)", 0, 0);
        return;
    }
    // The entry count itself must lie inside the block before it is read.
    if (!block.contains(dirOffset, 2)) {
        warnNonfatal("Exif directory at offset %d lies past the end of the block", static_cast<int>(dirOffset), 0);
        return;
    }
    const uint32_t entryCount = static_cast<uint32_t>(walk.read16(dirOffset));
    const uint64_t dirEnd = dirOffset + 2 + 12 * uint64_t{entryCount};
    const uint64_t blockEnd = block.length;
    if (dirEnd + 4 > blockEnd && dirEnd != blockEnd && dirEnd + 2 != blockEnd) {
        warnNonfatal("Illegally sized Exif subdirectory (%d entries)", static_cast<int>(entryCount), 0);
        return;
    }
    if (!admitDirectory(walk, dirOffset) || !walk.takeEntryBudget(entryCount)) return;
    walk.recordStructure(dirOffset, std::min(dirEnd + 4, blockEnd));

    DirectoryThumbnail thumbnail;
    thumbnail.directoryOffset = static_cast<uint32_t>(dirOffset);
    thumbnail.directoryEntries = entryCount;
    for (uint32_t i = 0; i < entryCount; ++i) {
        Entry entry{};
        if (!readCheckedEntry(walk, dirOffset + 2 + 12 * uint64_t{i}, kExifEntryReports, entry)) continue;
        if (entry.byteCount > 4) raiseExifExtent(walk.records.photoInfo, entry.valueOff);
        applyTag(walk, entry, depth, thumbnail);
    }
    followNextLink(walk, dirEnd, depth);
    applyThumbnailFacts(walk, thumbnail);
}
}  // namespace lumivex
