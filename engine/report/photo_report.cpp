#include "engine/report/photo_report.h"

#include "engine/diag/diag.h"
#include "engine/exif/exif_layout.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"

namespace lumivex {

std::optional<PhotoReport> readPhotoReport(const char* path, std::string* fatalMessage) {
    try {
        if (readSourceFile(path, false, LoadMetadata) == 0) return std::nullopt;
    } catch (const FatalError& error) {
        if (fatalMessage != nullptr) *fatalMessage = error.message;
        return std::nullopt;
    }
    return currentPhotoReport();
}

PhotoReport currentPhotoReport() {
    PhotoReport report{photoInfo, exifReadFacts.byteOrder, {}};
    report.sections.reserve(static_cast<size_t>(sectionList.count));
    for (int32_t i = 0; i < sectionList.count; ++i) {
        report.sections.push_back({sectionList.sections[i].marker, sectionList.sections[i].size});
    }
    return report;
}

}  // namespace lumivex
