#include "cli/photo_jobs.h"

#include "cli/embedded_previews.h"
#include "cli/info_report.h"
#include "cli/json_text.h"
#include "cli/preview_report.h"
#include "cli/result_output.h"
#include "engine/diag/diag.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"
#include "engine/thumbnail/photo_edit.h"
#include "engine/thumbnail/thumbnail_file.h"
#include "imaging/image.h"

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

PhotoJob editJob(const CommandLine& line) {
    EditRequest base;
    base.command = editCommand(line.command);
    base.secondPath = line.command == "replace" ? line.thumbnail : std::string();
    base.minimalExif = line.minimalExif;
    base.keepBackup = !line.noBackup;
    base.dryRun = line.dryRun;
    base.overwriteOutput = line.force;
    std::string refusal;
    if (base.command == EditCommand::Replace) {
        refusal = screenNewThumbnail(base.secondPath, base.thumbnailBytes);
        // The window's route reads the file itself; every other one takes the bytes checked here.
        if (!base.minimalExif) base.secondPath.clear();
    }
    const std::string operation = line.command;
    return [base, operation, refusal](const std::string& photo, const std::string& output) {
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
        if (request.command == EditCommand::Export) request.secondPath = output;
        const EditResult edit = editPhoto(request);
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
        result.dryRun = request.dryRun;
        return result;
    };
}

PhotoJob infoJob(const CommandLine& line) {
    const bool json = line.json;
    return [json](const std::string& photo, const std::string&) {
        PhotoResult result;
        result.path = photo;
        result.operation = "info";
        std::string fatal;
        bool ok = false;
        {
            ScopedReportSink collect([&result](std::string_view text) { result.reports.append(text); });
            try {
                ok = readPhotoFile(photo.c_str(), LoadMetadata) != 0;
            } catch (const FatalError& error) {
                fatal = error.message;
            }
        }
        result.outcome = ok ? "done" : "failed";
        result.failed = !ok;
        if (!ok) {
            result.message = fatal.empty() ? messageFromReports(result.reports) : fatal;
            if (result.message.empty()) result.message = "could not be read";
            return result;  // the error object, built from the fields
        }
        const PhotoPreviews previews = readPhotoPreviews(photo);
        if (json) {
            // The facts as they always were, after the keys that every result line has.
            const std::string facts = oneLineJson(photoInfoJson());
            result.json = "{\"path\": " + jsonStringFromBytes(photo) +
                          ", \"operation\": \"info\", \"outcome\": \"done\", " + facts.substr(1);
            result.json.insert(result.json.size() - 1, ", \"previews\": " + previewsJson(previews.scan));
        } else {
            result.text = photoInfoText() + previewsText(previews.scan);
        }
        return result;
    };
}

}  // namespace lumivex::cli
