#include "engine/report/photo_report.h"

#include <algorithm>

#include "engine/diag/diag.h"
#include "engine/exif/exif_layout.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"
#include "engine/thumbnail/keep_all.h"

namespace lumivex {

std::optional<PhotoReport> readPhotoReport(const char* path, std::string* fatalMessage) {
    try {
        if (readPhotoFile(path, LoadMetadata) == 0) return std::nullopt;
    } catch (const FatalError& error) {
        if (fatalMessage != nullptr) *fatalMessage = error.message;
        return std::nullopt;
    }
    return currentPhotoReport();
}

namespace {

// The zeros after the last thing in the Exif block: edits that keep the header's size grow into them.
uint64_t zerosAtTheEnd() {
    const JpegSection* exif = findSection(kMarkerApp1);
    if (exif == nullptr || exif->size <= static_cast<int32_t>(kTiffStartInSegment)) return 0;
    const uint8_t* tiff = exif->data.get() + kTiffStartInSegment;
    const uint64_t length = static_cast<uint64_t>(exif->size) - kTiffStartInSegment;
    const uint64_t thumbnailEnd = uint64_t{photoInfo.thumbOffset} + photoInfo.thumbLength;
    const uint64_t used = std::max<uint64_t>({thumbnailEnd, photoInfo.exifExtent, 8});
    uint64_t zeros = 0;
    while (zeros + used < length && tiff[length - 1 - zeros] == 0) ++zeros;
    return zeros;
}

}  // namespace

PhotoReport currentPhotoReport() {
    PhotoReport report{photoInfo, exifReadFacts.byteOrder, {}, {}, zerosAtTheEnd()};
    const ReplacePlan plan = planKeepAllReplacement(0);
    report.replaceRoute = plan.route == ReplaceRoute::Refused ? "refused: " + plan.why : routeName(plan.route);
    report.sections.reserve(static_cast<size_t>(sectionList.count));
    for (int32_t i = 0; i < sectionList.count; ++i) {
        report.sections.push_back({sectionList.sections[i].marker, sectionList.sections[i].size});
    }
    return report;
}

}  // namespace lumivex
