#include "cli/photo_metadata.h"

#include <algorithm>

#include "engine/diag/diag.h"
#include "engine/exif/exif_layout.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"
#include "engine/thumbnail/keep_all.h"
#include "engine/thumbnail/thumbnail_edit.h"

namespace lumivex::cli {

namespace {

constexpr uint64_t kMaxSegmentLength = 65535;  // the 16-bit length value, its own two bytes included
constexpr uint64_t kExifHeader = 8;            // length bytes and "Exif\0\0" before the TIFF header

bool isExifSegment(const JpegSection& section) {
    static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    return section.marker == kMarkerApp1 && section.size >= 8 && std::equal(kExif, kExif + 6, section.data.get() + 2);
}

// The most bytes a new thumbnail may have: what the keep-all replacement leaves of the segment's limit.
uint64_t roomForThumbnail() {
    const ReplacePlan plan = planKeepAllReplacement(0);
    if (plan.route == ReplaceRoute::Refused || plan.segmentSize >= kMaxSegmentLength) return 0;
    return kMaxSegmentLength - plan.segmentSize;
}

}  // namespace

PhotoMetadata readPhotoMetadata(const std::string& path) {
    PhotoMetadata meta;
    ScopedReportSink collect([&meta](std::string_view text) { meta.reports.append(text); });
    try {
        if (readSourceFile(path.c_str(), false, LoadMetadata) == 0) {
            meta.error = "cannot read the photo's JPEG segments";
            return meta;
        }
    } catch (const FatalError& error) {
        meta.error = error.message;
        return meta;
    }
    meta.width = photoInfo.width;
    meta.height = photoInfo.height;
    const JpegSection* exif = nullptr;
    for (int32_t i = 0; i < sectionList.count && exif == nullptr; ++i) {
        if (isExifSegment(sectionList.sections[i])) exif = &sectionList.sections[i];
    }
    meta.thumbnailRoom = roomForThumbnail();
    // The thumbnail's bytes, only when the facts describe a block that is there and lie wholly inside it.
    const ThumbnailOrigin& origin = thumbnailOrigin;
    const uint64_t offset = photoInfo.thumbOffset;
    const uint64_t length = photoInfo.thumbLength;
    if (origin.tiffStart != nullptr && offset != 0 && length != 0 && offset <= origin.tiffLength &&
        length <= origin.tiffLength - offset) {
        meta.thumbnail.assign(origin.tiffStart + offset, origin.tiffStart + offset + length);
    }
    return meta;
}

}  // namespace lumivex::cli
