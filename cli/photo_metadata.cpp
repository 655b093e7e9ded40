#include "cli/photo_metadata.h"

#include "lumivex/report_sink.h"

namespace lumivex::cli {

PhotoMetadata readPhotoMetadata(const std::string& path, const PhotoBytes& photo) {
    PhotoMetadata meta;
    ScopedReportSink collect([&meta](std::string_view text) { meta.reports.append(text); });
    std::optional<PhotoReport> report;
    try {
        report = loadPhotoMetadata(path, photo);
    } catch (const FatalError& error) {
        meta.error = error.message;
        return meta;
    }
    if (!report) {
        meta.error = "cannot read the photo's JPEG segments";
        return meta;
    }
    meta.facts = report->facts;
    meta.width = report->facts.width;
    meta.height = report->facts.height;
    meta.thumbnailRoom = report->thumbnailRoom;
    meta.thumbnail = std::move(report->thumbnail);
    return meta;
}

}  // namespace lumivex::cli
