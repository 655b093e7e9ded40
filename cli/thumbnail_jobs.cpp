#include "cli/thumbnail_jobs.h"

#include <cstdio>

#include "cli/check_command.h"
#include "cli/preview_commands.h"
#include "cli/regenerate_command.h"

namespace lumivex::cli {

namespace {

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string scoreText(double score) {
    char text[32];
    std::snprintf(text, sizeof text, "score %.3f", score);
    return text;
}

}  // namespace

PhotoJob regenerateJob(const CommandLine& line) {
    RegenerateOptions options;
    options.boxWidth = line.thumbWidth;
    options.boxHeight = line.thumbHeight;
    options.quality = line.quality;
    options.keepBackup = !line.noBackup;
    options.dryRun = line.dryRun;
    const std::vector<std::string> words = line.previews;
    return [options, words](const std::string& photo, const std::string&) {
        const RegenerateResult made = regenerateWithPreviews(photo, options, words);
        PhotoResult result;
        result.path = photo;
        result.operation = "regenerate";
        result.outcome = made.ok ? "done" : "failed";
        result.failed = !made.ok;
        result.message = made.message;
        result.route = made.route;
        result.reports = made.reports;
        result.sizeBefore = made.sizeBefore;
        result.sizeAfter = made.sizeAfter;
        result.dryRun = options.dryRun;
        return result;
    };
}

PhotoJob checkJob(const CommandLine& line, std::shared_ptr<StaleSheet> sheet) {
    const bool json = line.json;
    return [json, sheet](const std::string& photo, const std::string&) {
        CheckResult checked = checkPhoto(photo);
        PhotoResult result;
        result.path = photo;
        result.operation = "check";
        result.outcome = checked.verdict;
        result.failed = checked.verdict == "stale" || checked.verdict == "error";
        result.message = checked.reason;
        if (checked.score) result.message += (result.message.empty() ? "" : ", ") + scoreText(*checked.score);
        if (json) result.json = checkResultJson(photo, checked);
        if (sheet && checked.verdict == "stale") {
            const std::lock_guard<std::mutex> hold(sheet->lock);
            if (checked.exif && checked.exif->verdict == "stale") {
                sheet->entries.push_back(
                    {fileName(photo), "stale: " + result.message, std::move(checked.embedded), checked.fromPhoto});
            }
            // Each other stale copy beside the picture, named by its kind.
            for (CopyVerdict& copy : checked.copies) {
                if (copy.verdict != "stale") continue;
                sheet->entries.push_back({fileName(photo) + " " + previews::describeCopy(copy.copy),
                                          "stale: " + copy.reason, std::move(copy.image), checked.fromPhoto});
            }
        }
        return result;
    };
}

PhotoJob previewJob(const CommandLine& line) {
    if (line.command == "export") {
        const std::string spec = line.preview;
        const bool force = line.force, dryRun = line.dryRun;
        return [spec, force, dryRun](const std::string& photo, const std::string& out) {
            return exportPreview(photo, out, spec, force, dryRun);
        };
    }
    const std::vector<std::string> words = line.previews;
    const bool keepBackup = !line.noBackup, dryRun = line.dryRun;
    return [words, keepBackup, dryRun](const std::string& photo, const std::string&) {
        return deletePreviews(photo, words, keepBackup, dryRun);
    };
}

}  // namespace lumivex::cli
