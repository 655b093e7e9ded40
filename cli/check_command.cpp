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

constexpr int kCompareWidth = 160;  // the photo is decoded at no less than a thumbnail's size
constexpr int kCompareHeight = 120;

std::string scoreText(double score) {
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", score < 0 ? 0.0 : score);
    return text;
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
    const imaging::DecodedImage thumbnail = imaging::decodeThumbnail(meta.thumbnail);
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

}  // namespace lumivex::cli
