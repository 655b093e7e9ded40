#include "cli/photo_jobs.h"

#include <algorithm>
#include <climits>

#include "cli/embedded_previews.h"
#include "cli/info_report.h"
#include "cli/json_text.h"
#include "cli/photo_bytes.h"
#include "cli/preview_report.h"
#include "cli/result_output.h"
#include "imaging/image.h"
#include "lumivex/photo_edit.h"
#include "lumivex/report_sink.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex::cli {

namespace {

EditCommand editCommand(const std::string& command) {
    if (command == "replace") return EditCommand::Replace;
    if (command == "delete") return EditCommand::Delete;
    return EditCommand::Export;
}

constexpr size_t kMaxSegmentContent = 65533;  // an Exif segment's bytes after its length field

// The new thumbnail, read once and decoded before any photo is touched: bytes that merely start and end like
// a JPEG, or a picture no thumbnail may be, are refused with the reason. "" when it may go in; the bytes are
// then the ones every photo gets, so that the file cannot change between the check and the edits.
std::string screenNewThumbnail(const std::string& path, std::vector<uint8_t>& bytes) {
    std::string why;
    if (!readThumbnailFile(path.c_str(), bytes, why)) return why;
    // One that can never fit is refused by the edit, with the numbers; no need to decode it.
    if (bytes.size() > kMaxSegmentContent) return "";
    const imaging::DecodedImage decoded = imaging::decodeThumbnail(bytes);
    if (!decoded.ok()) return "Refused '" + path + "': not a thumbnail: " + decoded.error;
    return "";
}

}  // namespace

PhotoResult editResult(const std::string& photo, const std::string& operation, const EditResult& edit, bool dryRun) {
    PhotoResult result;
    result.path = photo;
    result.operation = operation;
    result.outcome = outcomeName(edit.outcome);
    result.failed = edit.outcome == EditOutcome::Refused || edit.outcome == EditOutcome::Failed;
    result.message = edit.message.empty() ? messageFromReports(edit.reports) : edit.message;
    if (result.message.empty() && result.failed) result.message = "not carried out";
    result.route = edit.route;
    result.reports = edit.reports;
    result.sizeBefore = edit.sizeBefore;
    result.sizeAfter = edit.sizeAfter;
    result.dryRun = dryRun;
    return result;
}

PhotoJob editJob(const CommandLine& line) {
    EditRequest base;
    base.command = editCommand(line.command);
    base.secondPath = line.command == "replace" ? line.thumbnail : std::string();
    base.minimalExif = line.minimalExif;
    base.keepBackup = !line.noBackup;
    base.dryRun = line.dryRun;
    base.overwriteOutput = line.force;
    base.inPlace = line.inPlace;
    std::string refusal;
    if (base.command == EditCommand::Replace) {
        refusal = screenNewThumbnail(base.secondPath, base.thumbnailBytes);
        // The window's route reads the file itself; every other one takes the bytes checked here.
        if (!base.minimalExif) base.secondPath.clear();
    }
    const std::string operation = line.command;
    return [base, operation, refusal, line](const std::string& photo, const std::string& output) {
        if (!refusal.empty()) {
            PhotoResult refused;
            refused.path = photo;
            refused.operation = operation;
            refused.outcome = outcomeName(EditOutcome::Refused);
            refused.failed = true;
            refused.message = refusal;
            refused.dryRun = base.dryRun;
            return refused;
        }
        EditRequest request = base;
        request.photoPath = photo;
        request.followLinks = linksAllowed(line, photo);
        if (request.command == EditCommand::Export) request.secondPath = output;
        return editResult(photo, operation, editPhoto(request), request.dryRun);
    };
}

PhotoJob infoJob(const CommandLine& line) {
    const bool json = line.json;
    return [json, line](const std::string& photo, const std::string&) {
        PhotoResult result;
        result.path = photo;
        result.operation = "info";
        std::string fatal;
        std::optional<PhotoReport> report;
        PhotoBytes file = readPhotoBytes(photo, linksAllowed(line, photo), PhotoReach::Head);
        {
            ScopedReportSink collect([&result](std::string_view text) { result.reports.append(text); });
            try {
                report = loadPhotoMetadata(photo, file);
            } catch (const FatalError& error) {
                fatal = error.message;
            }
        }
        const bool ok = report.has_value();
        result.outcome = ok ? "done" : "failed";
        result.failed = !ok;
        if (!ok) {
            // The reader's own refusals (no FF D8 at the start, or an end before any image) name the file again:
            // the result says them once, in the tool's words.
            for (const char* own : {"Not JPEG: ", "No image in jpeg!"}) {
                const size_t at = result.reports.find(own);
                if (at != std::string::npos) result.reports.erase(at, result.reports.find('\n', at) + 1 - at);
            }
            result.message = fatal.empty() ? messageFromReports(result.reports) : fatal;
            if (result.message.empty()) result.message = "not a JPEG photo (no JPEG start, or no image data)";
            return result;  // the error object, built from the fields
        }
        const PhotoPreviews previews = previewsOfPhoto(file);
        if (json) {
            // The facts after the keys that every result line has.
            JsonLine line;
            line.members(jsonPathMembers(photo)).text("operation", "info").text("outcome", "done");
            // The image data close the list, as the reader keeps them: everything after the SOS header.
            if (previews.ok()) {
                const uint64_t imageData = previews.map.fileSize - previews.map.imageDataOffset;
                report->sections.push_back(
                    {PseudoMarkerImageData, static_cast<int32_t>(std::min<uint64_t>(imageData, INT32_MAX))});
            }
            addPhotoInfo(*report, line);
            line.raw("previews", previewsJson(previews.scan));
            result.json = line.finish();
        } else {
            result.text = photoInfoText(*report) + previewsText(previews.scan);
        }
        return result;
    };
}

}  // namespace lumivex::cli
