#include "cli/thumbnail_jobs.h"

#include <cstdio>

#include "cli/check_command.h"
#include "cli/photo_jobs.h"
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
    return [options](const std::string& photo, const std::string&) {
        return editResult(photo, "regenerate", regeneratePhoto(photo, options), options.dryRun);
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
        result.answer = checked.verdict != "error";
        result.message = checked.reason;
        result.reports = std::move(checked.reports);
        if (checked.score) {
            result.message += (result.message.empty() ? "score " : ", score ") + scoreText(*checked.score);
        }
        if (json) result.json = checkResultJson(photo, checked);
        if (sheet && checked.verdict == "stale") {
            const std::lock_guard<std::mutex> hold(sheet->lock);
            sheet->entries.push_back({fileName(photo), "stale: " + result.message, std::move(checked.embedded),
                                      std::move(checked.fromPhoto)});
        }
        return result;
    };
}

}  // namespace lumivex::cli
