#include "cli/photo_metadata.h"

#include <algorithm>

#include "engine/diag/diag.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/keep_all.h"
#include "engine/thumbnail/thumbnail_edit.h"

namespace lumivex::cli {

namespace {

constexpr uint64_t kMaxSegmentLength = 65535;  // the 16-bit length value, its own two bytes included

// The most bytes a new thumbnail may have: what the keep-all replacement leaves of the segment's limit; 0 when
// it would refuse any thumbnail (the edit itself then says why).
uint64_t roomForThumbnail() {
    const ReplacePlan plan = planKeepAllReplacement(0);
    if (plan.route == ReplaceRoute::Refused || plan.segmentSize >= kMaxSegmentLength) return 0;
    return kMaxSegmentLength - plan.segmentSize;
}

}  // namespace

PhotoMetadata readPhotoMetadata(const std::string& path, const PhotoBytes& photo) {
    PhotoMetadata meta;
    ScopedReportSink collect([&meta](std::string_view text) { meta.reports.append(text); });
    try {
        if (!loadPhotoMetadata(path, photo)) {
            meta.error = "cannot read the photo's JPEG segments";
            return meta;
        }
    } catch (const FatalError& error) {
        meta.error = error.message;
        return meta;
    }
    meta.width = photoInfo.width;
    meta.height = photoInfo.height;
    meta.thumbnailRoom = roomForThumbnail();
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    if (embeddedThumbnail(bytes, length)) meta.thumbnail.assign(bytes, bytes + length);
    return meta;
}

}  // namespace lumivex::cli
