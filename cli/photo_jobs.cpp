#include "cli/photo_jobs.h"

#include "cli/info_report.h"
#include "cli/json_text.h"
#include "cli/result_output.h"
#include "engine/diag/diag.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"
#include "engine/thumbnail/photo_edit.h"

namespace lumivex::cli {

namespace {

EditCommand editCommand(const std::string& command) {
    if (command == "replace") return EditCommand::Replace;
    if (command == "delete") return EditCommand::Delete;
    return EditCommand::Export;
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
    base.inPlace = line.inPlace;
    const std::string operation = line.command;
    return [base, operation, line](const std::string& photo, const std::string& output) {
        EditRequest request = base;
        request.photoPath = photo;
        request.followLinks = linksAllowed(line, photo);
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
        if (json) {
            // The facts as they always were, after the keys that every result line has.
            const std::string facts = oneLineJson(photoInfoJson());
            result.json = "{\"path\": " + jsonStringFromBytes(photo) +
                          ", \"operation\": \"info\", \"outcome\": \"done\", " + facts.substr(1);
        } else {
            result.text = photoInfoText();
        }
        return result;
    };
}

}  // namespace lumivex::cli
