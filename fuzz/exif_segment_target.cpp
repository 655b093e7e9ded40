// parseExifSegment on arbitrary segment bytes, then export and delete on the facts it found.
#include <cstring>
#include <memory>

#include "engine/exif/exif_layout.h"
#include "engine/exif/exif_segment.h"
#include "engine/jpeg/writer.h"
#include "engine/thumbnail/thumbnail_edit.h"
#include "fuzz/fuzz_support.h"

using namespace lumivex;

namespace {

constexpr uint32_t kTiffStart = 8;  // length bytes and "Exif\0\0"

// The facts the edits rely on must stay inside the block they describe.
void checkThumbnailFacts(PhotoRecords& records, const JpegSection& segment) {
    const PhotoInfo& photoInfo = records.photoInfo;
    const ThumbnailOrigin& thumbnailOrigin = records.thumbnailOrigin;
    if (photoInfo.thumbOffset == 0 || thumbnailOrigin.sectionIndex < 0) return;
    if (thumbnailSection(records) != &segment) fuzz::failInvariant("facts of another block");
    const uint64_t end = uint64_t{photoInfo.thumbOffset} + photoInfo.thumbLength;
    if (end > thumbnailOrigin.tiffLength) fuzz::failInvariant("thumbnail facts reach past the block");
}

// The image data block a written file needs after the segments.
void appendImageData(SectionList& sectionList) {
    auto imageData = allocateBytes(2, "Could not allocate memory");
    imageData[0] = 0xFF;
    imageData[1] = 0xD9;
    appendSection(sectionList, std::move(imageData), PseudoMarkerImageData, 2);
    sectionList.imageDataRead = 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::prepareEngine();
    // A segment's length is 16 bits; the reader never hands a longer one.
    if (size > 0xFFFF) return 0;
    PhotoRecords records;
    SectionList& sectionList = records.sectionList;
    const PhotoInfo& photoInfo = records.photoInfo;
    resetJpegState(sectionList);
    clearPhotoInfoForNewFile(records);

    const auto length = static_cast<uint32_t>(size);
    auto buffer = allocateBytes(length, "Could not allocate memory");
    if (size > 0) std::memcpy(buffer.get(), data, size);
    // As the reader hands it: the first two bytes are the segment's length.
    if (size >= 2) {
        buffer[0] = static_cast<uint8_t>(length >> 8);
        buffer[1] = static_cast<uint8_t>(length);
    }
    uint8_t* segmentBytes = buffer.get();
    appendSection(sectionList, std::move(buffer), kMarkerApp1, static_cast<int32_t>(length));
    appendImageData(sectionList);
    JpegSection& segment = sectionList.sections[0];

    if (!fuzz::runGuarded([&] { parseExifSegment(records, segmentBytes, length, 0); }))
        fuzz::failInvariant("fatal in parse");
    checkThumbnailFacts(records, segment);

    const uint32_t thumbLengthBefore = photoInfo.thumbLength;
    int exported = 0;
    if (!fuzz::runGuarded([&] { exported = exportThumbnail(records, "/dev/null"); }))
        fuzz::failInvariant("fatal in export");
    int removed = 0;
    if (!fuzz::runGuarded([&] { removed = swapThumbnail(records, nullptr); })) fuzz::failInvariant("fatal in delete");
    if (removed == ThumbDone) {
        if (thumbLengthBefore == 0 || photoInfo.thumbLength != 0) fuzz::failInvariant("delete left a thumbnail");
        if (segment.size < static_cast<int32_t>(kTiffStart) ||
            ((segment.data[0] << 8) | segment.data[1]) != segment.size) {
            fuzz::failInvariant("delete left a segment length that differs from its size");
        }
    }
    if (exported == ThumbDone && removed == ThumbNoneToRemove) fuzz::failInvariant("exported a thumbnail that is none");
    if (!fuzz::runGuarded([&] { saveJpegFile(records, "/dev/null"); })) fuzz::failInvariant("fatal in write");
    return 0;
}
