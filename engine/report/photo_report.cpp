#include "engine/report/photo_report.h"

#include <algorithm>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/exif_layout.h"
#include "engine/jpeg/photo_records.h"
#include "engine/jpeg/reader.h"
#include "engine/thumbnail/file_operation.h"
#include "engine/thumbnail/keep_all.h"
#include "engine/thumbnail/thumbnail_edit.h"

namespace lumivex {

std::optional<PhotoReport> readPhotoReport(const char* path, std::string* fatalMessage) {
    PhotoRecords records;
    try {
        if (readPhotoFile(records, path, LoadMetadata) == 0) return std::nullopt;
    } catch (const FatalError& error) {
        if (fatalMessage != nullptr) *fatalMessage = error.message;
        return std::nullopt;
    }
    return photoReportOf(records);
}

std::optional<PhotoReport> readPhotoReportFromBytes(std::span<const uint8_t> bytes, const std::string& name,
                                                    uint64_t fileSize, int64_t modifiedSeconds) {
    currentFileName = name;
    PhotoRecords records;
    resetJpegState(records.sectionList);
    clearPhotoInfoForNewFile(records);
    PhotoInfo& photoInfo = records.photoInfo;
    photoInfo.fileModified = static_cast<int32_t>(modifiedSeconds);
    photoInfo.fileSize = static_cast<uint32_t>(fileSize);
    std::strncpy(photoInfo.filePath, name.c_str(), sizeof photoInfo.filePath - 1);
    if (readSectionsFromBytes(records, bytes, LoadMetadata | LoadForTool) != 0) return photoReportOf(records);
    reportLine("Not JPEG: " + name);
    return std::nullopt;
}

namespace {

constexpr uint64_t kMaxSegmentLength = 65535;  // the 16-bit length value, its own two bytes included

// The zeros after the last thing in the Exif block: edits that keep the header's size grow into them.
uint64_t zerosAtTheEnd(const PhotoRecords& records) {
    const PhotoInfo& photoInfo = records.photoInfo;
    const JpegSection* exif = findSection(records.sectionList, kMarkerApp1);
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

PhotoReport photoReportOf(PhotoRecords& records) {
    const SectionList& sectionList = records.sectionList;
    PhotoReport report;
    report.facts = records.photoInfo;
    report.byteOrder = records.exifReadFacts.byteOrder;
    report.roomInPlace = zerosAtTheEnd(records);
    const ReplacePlan plan = planKeepAllReplacement(records, 0);
    const bool refused = plan.route == ReplaceRoute::Refused;
    report.replaceRoute = refused ? "refused: " + plan.why : routeName(plan.route);
    // What the keep-all replacement leaves of the segment's limit; the edit itself says why when it refuses.
    if (!refused && plan.segmentSize < kMaxSegmentLength) report.thumbnailRoom = kMaxSegmentLength - plan.segmentSize;
    const uint8_t* thumbnail = nullptr;
    uint32_t length = 0;
    if (embeddedThumbnail(records, thumbnail, length)) report.thumbnail.assign(thumbnail, thumbnail + length);
    report.sections.reserve(static_cast<size_t>(sectionList.count));
    for (int32_t i = 0; i < sectionList.count; ++i) {
        report.sections.push_back({sectionList.sections[i].marker, sectionList.sections[i].size});
    }
    return report;
}

}  // namespace lumivex
