#include "cli/check_command.h"

#include <fmt/format.h>

#include <climits>

#include "cli/contact_sheet.h"
#include "cli/json_text.h"
#include "cli/photo_metadata.h"
#include "imaging/similarity.h"

namespace lumivex::cli {

namespace {

constexpr int kCompareWidth = 160;  // the photo is decoded at no less than a thumbnail's size
constexpr int kCompareHeight = 120;

}  // namespace

std::string scoreText(double score) { return fmt::format("{:.3f}", score < 0 ? 0.0 : score); }

namespace {

// The photo's verdict: stale when any copy is, fresh when every copy compared is; the stale kinds named
// after the reason where a copy besides the Exif thumbnail is among them.
void combineVerdicts(CheckResult& result) {
    std::vector<const CopyVerdict*> all;
    if (result.exif) all.push_back(&*result.exif);
    for (const CopyVerdict& copy : result.copies) all.push_back(&copy);
    std::string staleKinds;
    bool otherStale = false;
    const CopyVerdict* worst = nullptr;
    for (const CopyVerdict* v : all) {
        if (v->verdict == "skipped") continue;
        if (v->verdict == "stale") {
            const std::string kind = previewKindName(v->copy.kind);
            if (staleKinds.find(kind) == std::string::npos) staleKinds += (staleKinds.empty() ? "" : ", ") + kind;
            otherStale = otherStale || v->copy.kind != PreviewKind::Exif;
            if (worst == nullptr || worst->verdict != "stale") worst = v;
        } else if (worst == nullptr) {
            worst = v;
        }
        if (v->score && (!result.score || *v->score < *result.score)) result.score = v->score;
    }
    if (worst == nullptr) {
        result.verdict = "none";
        return;
    }
    result.verdict = worst->verdict;
    result.reason = worst->reason;
    if (otherStale) result.reason += " (stale: " + staleKinds + ")";
}

}  // namespace

CheckResult checkPhoto(const std::string& photoPath, bool followLinks) {
    // The bytes before the image data held; the rest read through the same open where needed.
    return checkPhotoBytes(photoPath, readPhotoBytes(photoPath, followLinks, PhotoReach::Head));
}

CheckResult checkPhotoBytes(const std::string& photoPath, const PhotoBytes& file) {
    CheckResult result;
    const PhotoMetadata meta = readPhotoMetadata(photoPath, file);
    result.reports = meta.reports;
    if (!meta.ok()) {
        result.verdict = "error";
        result.reason = meta.error;
        return result;
    }
    const PhotoPreviews previews = previewsOfPhoto(file);
    bool anyPicture = !meta.thumbnail.empty();
    for (const previews::FoundPreview& found : previews.scan.found) {
        anyPicture = anyPicture || found.copy.kind != PreviewKind::Exif;
    }
    if (!anyPicture) {
        result.verdict = "none";
        result.reason = "no thumbnail";
        return result;
    }
    const imaging::DecodedImage photo = decodePicture(file, kCompareWidth, kCompareHeight);
    if (!photo.ok()) {
        result.verdict = "error";
        result.reason = "the photo: " + photo.error;
        return result;
    }
    const imaging::Size fit = imaging::fitInBox(photo.sourceWidth, photo.sourceHeight, kCompareWidth, kCompareHeight);
    result.fromPhoto = imaging::resizeArea(photo.image, fit.width, fit.height);
    if (!meta.thumbnail.empty()) {
        CopyVerdict exif;
        exif.copy.kind = PreviewKind::Exif;
        // The thumbnail at its full size: it is small, and its bands must be seen pixel by pixel.
        const imaging::DecodedImage thumbnail = imaging::decodeThumbnail(meta.thumbnail);
        if (!thumbnail.ok()) {
            // A thumbnail no viewer can show is as wrong as one of another picture.
            exif.verdict = "stale";
            exif.reason = "thumbnail unreadable: " + thumbnail.error;
            exif.score = 0.0;
        } else {
            result.embedded = thumbnail.image;
            const imaging::ThumbnailComparison comparison = imaging::compareThumbnail(thumbnail.image, photo.image);
            exif.verdict = comparison.match == imaging::ThumbnailMatch::Fresh ? "fresh" : "stale";
            exif.reason = imaging::matchReason(comparison.match);
            exif.score = comparison.score;
            exif.image = thumbnail.image;
        }
        result.exif = std::move(exif);
    }
    if (previews.ok()) result.copies = checkCopies(previews, photo.image);
    combineVerdicts(result);
    return result;
}

std::string checkResultJson(const std::string& photoPath, const CheckResult& result) {
    std::vector<const CopyVerdict*> all;
    if (result.exif) all.push_back(&*result.exif);
    for (const CopyVerdict& copy : result.copies) all.push_back(&copy);
    std::string previews;
    for (const CopyVerdict* v : all) {
        JsonLine copy;
        copy.text("kind", previewKindName(v->copy.kind)).number("index", v->copy.index).text("verdict", v->verdict);
        copy.raw("reason", v->reason.empty() ? "null" : jsonStringFromBytes(v->reason));
        copy.raw("score", v->score ? scoreText(*v->score) : "null");
        previews += (previews.empty() ? "" : ", ") + copy.finish();
    }
    JsonLine json;
    json.members(jsonPathMembers(photoPath)).text("operation", "check").text("outcome", result.verdict);
    json.text("verdict", result.verdict);
    json.raw("reason", result.reason.empty() ? "null" : jsonStringFromBytes(result.reason));
    json.raw("score", result.score ? scoreText(*result.score) : "null");
    return json.raw("previews", "[" + previews + "]").finish();
}

}  // namespace lumivex::cli
