#include "cli/check_command.h"

#include <climits>
#include <cstdio>

#include "cli/contact_sheet.h"
#include "cli/embedded_previews.h"
#include "cli/json_text.h"
#include "cli/photo_metadata.h"
#include "imaging/similarity.h"

namespace lumivex::cli {

namespace {

constexpr char kCheckUsage[] =
    "Usage: lumivex check [--json] [--sheet FILE.jpg] PHOTO...\n"
    "Say whether each PHOTO's embedded thumbnail still shows it: fresh, stale (with the reason and a\n"
    "similarity score from 0 to 1) or none; name the other previews found. Changes nothing.\n"
    "  --json             one JSON object per photo per line\n"
    "  --sheet FILE.jpg   write a contact sheet of the stale photos: old thumbnail beside a new one\n"
    "Exit status: 0 when none is stale, 1 when any is stale or cannot be read, 2 for a usage error.\n";

constexpr int kCompareWidth = 160;  // the photo is decoded at no less than a thumbnail's size
constexpr int kCompareHeight = 120;

std::string scoreText(double score) {
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", score < 0 ? 0.0 : score);
    return text;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string resultText(const std::string& path, const CheckResult& result) {
    std::string line = path + ": " + result.verdict;
    if (!result.reason.empty()) line += ", " + result.reason;
    if (result.score) line += " (score " + scoreText(*result.score) + ")";
    if (!result.previews.empty()) {
        line += "; also";
        for (size_t i = 0; i < result.previews.size(); ++i) line += (i == 0 ? " " : ", ") + result.previews[i];
    }
    return line;
}

int usage(const std::string& problem) {
    std::fprintf(stderr, "lumivex: %s\nTry 'lumivex --help' for more information.\n", problem.c_str());
    return 2;
}

}  // namespace

CheckResult checkPhoto(const std::string& photoPath) {
    CheckResult result;
    const PhotoMetadata meta = readPhotoMetadata(photoPath);
    if (!meta.ok()) {
        result.verdict = "error";
        result.reason = meta.error;
        return result;
    }
    const PreviewScan scan = findOtherPreviews(photoPath);
    result.previews = scan.previews;
    if (meta.thumbnail.empty()) {
        result.verdict = "none";
        return result;
    }
    const imaging::DecodedImage photo = imaging::decodeJpegFileScaled(photoPath, kCompareWidth, kCompareHeight);
    if (!photo.ok()) {
        result.verdict = "error";
        result.reason = "the photo: " + photo.error;
        return result;
    }
    const imaging::Size fit = imaging::fitInBox(photo.sourceWidth, photo.sourceHeight, kCompareWidth, kCompareHeight);
    result.fromPhoto = imaging::resizeArea(photo.image, fit.width, fit.height);
    // The thumbnail at its full size: it is small, and its bands must be seen pixel by pixel.
    const imaging::DecodedImage thumbnail = imaging::decodeJpegScaled(meta.thumbnail, INT_MAX, INT_MAX);
    if (!thumbnail.ok()) {
        // A thumbnail no viewer can show is as wrong as one of another picture.
        result.verdict = "stale";
        result.reason = "thumbnail unreadable: " + thumbnail.error;
        result.score = 0.0;
        return result;
    }
    result.embedded = thumbnail.image;
    const imaging::ThumbnailComparison comparison = imaging::compareThumbnail(thumbnail.image, photo.image);
    result.verdict = comparison.match == imaging::ThumbnailMatch::Fresh ? "fresh" : "stale";
    result.reason = imaging::matchReason(comparison.match);
    result.score = comparison.score;
    return result;
}

std::string checkResultJson(const std::string& photoPath, const CheckResult& result) {
    std::string json = "{\"path\": " + jsonStringFromBytes(photoPath);
    json += ", \"verdict\": \"" + result.verdict + "\"";
    json += ", \"reason\": " + (result.reason.empty() ? std::string("null") : jsonStringFromBytes(result.reason));
    json += ", \"score\": " + (result.score ? scoreText(*result.score) : std::string("null"));
    json += ", \"previews\": [";
    for (size_t i = 0; i < result.previews.size(); ++i) {
        json += (i == 0 ? "" : ", ") + jsonStringFromBytes(result.previews[i]);
    }
    return json + "]}";
}

int checkMain(const std::vector<std::string>& args) {
    bool json = false;
    std::string sheetPath;
    std::vector<std::string> photos;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsDone || arg.empty() || arg[0] != '-' || arg == "-") {
            photos.push_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kCheckUsage, stdout);
            return 0;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--sheet") {
            if (i + 1 == args.size()) return usage("--sheet takes the contact sheet's file name");
            sheetPath = args[++i];
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (photos.empty()) return usage("check takes at least one PHOTO");
    int status = 0;
    std::vector<SheetEntry> sheet;
    for (const std::string& photo : photos) {
        CheckResult result = checkPhoto(photo);
        if (result.verdict == "stale" || result.verdict == "error") status = 1;
        if (json) {
            std::puts(checkResultJson(photo, result).c_str());
        } else if (result.verdict == "error") {
            std::fprintf(stderr, "lumivex: %s: %s\n", photo.c_str(), result.reason.c_str());
        } else {
            std::puts(resultText(photo, result).c_str());
        }
        std::fflush(stdout);
        if (!sheetPath.empty() && result.verdict == "stale") {
            std::string caption = "stale: " + result.reason;
            if (result.score) caption += " " + scoreText(*result.score);
            sheet.push_back({fileName(photo), caption, std::move(result.embedded), std::move(result.fromPhoto)});
        }
    }
    if (!sheetPath.empty()) {
        const std::string error = writeContactSheet(sheetPath, sheet);
        if (!error.empty()) {
            std::fprintf(stderr, "lumivex: contact sheet: %s\n", error.c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace lumivex::cli
