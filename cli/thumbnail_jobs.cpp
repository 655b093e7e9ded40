#include "cli/thumbnail_jobs.h"

#include <cstdio>

#include "cli/check_command.h"
#include "cli/photo_jobs.h"
#include "cli/preview_commands.h"
#include "cli/regenerate_command.h"

namespace lumivex::cli {

namespace {

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

PhotoJob regenerateJob(const CommandLine& line) {
    RegenerateOptions options;
    options.boxWidth = line.thumbWidth;
    options.boxHeight = line.thumbHeight;
    options.quality = line.quality;
    options.keepBackup = !line.noBackup;
    options.dryRun = line.dryRun;
    options.inPlace = line.inPlace;
    const std::vector<std::string> words = line.previews;
    return [options, words, line](const std::string& photo, const std::string&) {
        RegenerateOptions forPhoto = options;
        forPhoto.followLinks = linksAllowed(line, photo);
        return editResult(photo, "regenerate", regenerateWithPreviews(photo, forPhoto, words), options.dryRun);
    };
}

PhotoJob checkJob(const CommandLine& line, std::shared_ptr<StaleSheet> sheet) {
    const bool json = line.json;
    return [json, sheet, line](const std::string& photo, const std::string&) {
        CheckResult checked = checkPhoto(photo, linksAllowed(line, photo));
        PhotoResult result;
        result.path = photo;
        result.operation = "check";
        result.outcome = checked.verdict;
        result.failed = checked.verdict == "stale" || checked.verdict == "error";
        result.answer = checked.verdict != "error";
        result.message = checked.reason;
        result.reports = std::move(checked.reports);
        if (checked.score) {
            result.message += (result.message.empty() ? "score " : ", score ") + scoreText(*checked.score);
        }
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
