#include "engine/thumbnail/thumbnail_edit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/diag/diag.h"
#include "engine/exif/byte_order.h"
#include "engine/exif/exif_layout.h"
#include "engine/platform/file_services.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Bytes of the length tag's value that an edit rewrites; 0 when it cannot be rewritten safely: it must be
// the thumbnail directory's own ThumbnailLength entry, in the same segment, of an integer format wide enough.
uint32_t lengthTagWidth(const PhotoRecords& records) {
    const ThumbnailOrigin& origin = records.thumbnailOrigin;
    if (!origin.hasLengthEntry || origin.lengthCount == 0 || records.photoInfo.thumbLengthPos != origin.lengthPos ||
        records.exifReadFacts.lengthSectionIndex != origin.sectionIndex) {
        return 0;
    }
    return thumbnailLengthWidth(origin.lengthFormat);
}

// A length entry of byte-sized components held in the entry's own 4-byte value field: a removal writes the
// zero length over that whole field, as a 32-bit value, which reads back as 0 whatever the format and order.
bool byteLengthInEntry(const PhotoRecords& records) {
    const ThumbnailOrigin& origin = records.thumbnailOrigin;
    const bool byteFormat = origin.lengthFormat == FormatByte || origin.lengthFormat == FormatSByte ||
                            origin.lengthFormat == FormatUndefined;
    return byteFormat && origin.hasLengthEntry && origin.lengthCount >= 1 && origin.lengthCount <= 4 &&
           origin.lengthPos == origin.lengthEntryPos + 8 && records.photoInfo.thumbLengthPos == origin.lengthPos &&
           records.exifReadFacts.lengthSectionIndex == origin.sectionIndex;
}

// Bytes a removal writes over the length tag's value; 0 when it cannot be written safely.
uint32_t removalLengthWidth(const PhotoRecords& records) {
    return lengthTagWidth(records) != 0 ? lengthTagWidth(records) : (byteLengthInEntry(records) ? 4 : 0);
}

// The length tag in the thumbnail block's own byte order, whatever block was parsed last.
void writeLengthTag(const PhotoRecords& records, uint8_t* tiff, uint32_t length) {
    const ThumbnailOrigin& origin = records.thumbnailOrigin;
    if (lengthTagWidth(records) == 0 && byteLengthInEntry(records)) {
        exifWrite32(tiff + origin.lengthPos, length, origin.byteOrder);
        return;
    }
    writeThumbnailLength(origin, tiff, length);
}

void setSegmentSize(PhotoRecords& records, JpegSection& segment, uint32_t size) {
    segment.data[0] = static_cast<uint8_t>(size >> 8);
    segment.data[1] = static_cast<uint8_t>(size);
    segment.size = static_cast<int32_t>(size);
    records.thumbnailOrigin.tiffLength = size - kTiffStartInSegment;
}

// The thumbnail may be cut off (or replaced at) the end of the segment that findSection gives.
bool thumbnailAtEndOfFoundSegment(const PhotoRecords& records, const JpegSection* own, uint32_t width) {
    const PhotoInfo& photoInfo = records.photoInfo;
    return photoInfo.thumbOffset != 0 && photoInfo.thumbAtEnd != 0 && own != nullptr &&
           own == findSection(records.sectionList, kMarkerApp1) && width != 0 &&
           uint64_t{records.thumbnailOrigin.lengthPos} + width <= photoInfo.thumbOffset;
}

int removeThumbnail(PhotoRecords& records, JpegSection* own) {
    PhotoInfo& photoInfo = records.photoInfo;
    if (photoInfo.thumbOffset == 0 || own == nullptr) return ThumbNoneToRemove;
    if (photoInfo.thumbLength == 0) return ThumbNothingDone;
    uint8_t* tiff = own->data.get() + kTiffStartInSegment;
    if (thumbnailAtEndOfFoundSegment(records, own, removalLengthWidth(records))) {
        writeLengthTag(records, tiff, 0);
        setSegmentSize(records, *own, photoInfo.thumbOffset + kTiffStartInSegment);
        photoInfo.thumbLength = 0;
        return ThumbDone;
    }
    // Not last in its block: the segment cannot be cut there, so the thumbnail's bytes are zeroed in place,
    // unless a directory or another value lives in them too.
    if (removalLengthWidth(records) == 0 || thumbnailSharesBytes(records)) return ThumbNothingDone;
    std::memset(tiff + photoInfo.thumbOffset, 0, photoInfo.thumbLength);
    writeLengthTag(records, tiff, 0);
    photoInfo.thumbLength = 0;
    return ThumbDone;
}

int replaceThumbnail(PhotoRecords& records, JpegSection* own, const char* newPath) {
    PhotoInfo& photoInfo = records.photoInfo;
    if (!thumbnailAtEndOfFoundSegment(records, own, lengthTagWidth(records))) {
        reportLine("Image contains no thumbnail to replace - add is not possible");
        return ThumbNotReplaceable;
    }
    FileHandle file(std::fopen(newPath, "rb"));
    if (!file) failFatal("Could not read thumbnail file");
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) failFatal("Could not read thumbnail file");
    const uint64_t n = static_cast<uint64_t>(size);
    if (photoInfo.thumbOffset + n > kMaxThumbnailEnd) {
        records.lastTooLarge = {n, kMaxThumbnailEnd - photoInfo.thumbOffset};
        return ThumbTooLarge;
    }
    const uint32_t newSize = photoInfo.thumbOffset + static_cast<uint32_t>(n) + kTiffStartInSegment;
    auto buffer = allocateBytes(newSize, "Could not allocate memory");
    std::memcpy(buffer.get(), own->data.get(), photoInfo.thumbOffset + kTiffStartInSegment);
    uint8_t* place = buffer.get() + kTiffStartInSegment + photoInfo.thumbOffset;
    if (n > 0 && std::fread(place, 1, n, file.get()) != n) failFatal("Could not read thumbnail file");
    file.reset();

    own->data = std::move(buffer);
    setSegmentSize(records, *own, newSize);
    photoInfo.thumbLength = static_cast<uint32_t>(n);
    writeLengthTag(records, own->data.get() + kTiffStartInSegment, photoInfo.thumbLength);
    return ThumbDone;
}

}  // namespace

int swapThumbnail(PhotoRecords& records, const char* newPath) {
    JpegSection* own = thumbnailSection(records);
    if (newPath == nullptr) return removeThumbnail(records, own);
    return replaceThumbnail(records, own, newPath);
}

bool embeddedThumbnail(PhotoRecords& records, const uint8_t*& bytes, uint32_t& length) {
    const PhotoInfo& photoInfo = records.photoInfo;
    const JpegSection* own = thumbnailSection(records);
    // Facts that describe another segment than the Exif segment of the photo count as no thumbnail.
    if (photoInfo.thumbOffset == 0 || photoInfo.thumbLength == 0 || own == nullptr ||
        own != findSection(records.sectionList, kMarkerApp1)) {
        return false;
    }
    bytes = own->data.get() + kTiffStartInSegment + photoInfo.thumbOffset;
    length = photoInfo.thumbLength;
    return true;
}

int exportThumbnail(PhotoRecords& records, const char* outPath) {
    const uint8_t* thumbnail = nullptr;
    uint32_t length = 0;
    if (!embeddedThumbnail(records, thumbnail, length)) {
        reportLine("Image contains no thumbnail");
        return ThumbNotReplaceable;
    }
    if (outPath == nullptr) return ThumbExportFailed;
    // Export makes no backup: writing the thumbnail over the photo itself would lose the photo.
    if (std::strcmp(outPath, "-") != 0 && currentFileName && platform::sameFile(outPath, currentFileName->c_str())) {
        reportLine(std::string("Will not write the thumbnail over the photo itself: '") + outPath + "'");
        return ThumbExportFailed;
    }
    // The save dialog has asked before an existing file is replaced.
    std::string why;
    if (!writeThumbnailFile(thumbnail, length, outPath, true, why)) {
        warnNonfatal("Could not write thumbnail file", 0, 0);
        return ThumbExportFailed;
    }
    return ThumbDone;
}

}  // namespace lumivex
