#include "cli/regenerate_command.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#include "cli/photo_metadata.h"
#include "engine/thumbnail/photo_edit.h"

namespace lumivex::cli {

namespace {

constexpr int kQualityStep = 5;
constexpr int kLowestQuality = 5;
constexpr int kMaxBoxSide = 1024;

bool parseInt(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    *value = v;
    return true;
}

}  // namespace

bool parseBoxSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return parseInt(text.substr(0, x), 1, kMaxBoxSide, width) && parseInt(text.substr(x + 1), 1, kMaxBoxSide, height);
}

NewThumbnail makeThumbnail(const std::string& photoPath, const RegenerateOptions& options, uint64_t room) {
    NewThumbnail out;
    // Decoding at no less than the box keeps enough detail for any photo's fit inside it.
    const imaging::DecodedImage decoded = imaging::decodeJpegFileScaled(photoPath, options.boxWidth, options.boxHeight);
    if (!decoded.ok()) {
        out.error = decoded.error;
        return out;
    }
    const imaging::Size fit =
        imaging::fitInBox(decoded.sourceWidth, decoded.sourceHeight, options.boxWidth, options.boxHeight);
    out.image = imaging::resizeArea(decoded.image, fit.width, fit.height);
    for (int quality = options.quality; quality >= kLowestQuality; quality -= kQualityStep) {
        imaging::EncodedJpeg encoded = imaging::encodeBaselineJpeg(out.image, quality);
        if (!encoded.ok()) {
            out.error = encoded.error;
            return out;
        }
        if (encoded.bytes.size() <= room) {
            out.jpeg = std::move(encoded.bytes);
            out.quality = quality;
            return out;
        }
    }
    out.error = "even at quality " + std::to_string(kLowestQuality) + " the thumbnail does not fit in the " +
                std::to_string(room) + " bytes left in the Exif segment";
    return out;
}

RegenerateResult regeneratePhoto(const std::string& photoPath, const RegenerateOptions& options) {
    RegenerateResult result;
    const PhotoMetadata meta = readPhotoMetadata(photoPath);
    result.reports = meta.reports;
    if (!meta.ok()) {
        result.message = meta.error;
        return result;
    }
    // The edit's own reason, not "does not fit in 0 bytes", when no thumbnail at all could go in.
    if (!meta.noRoomWhy.empty()) {
        result.message = meta.noRoomWhy;
        return result;
    }
    const NewThumbnail thumbnail = makeThumbnail(photoPath, options, meta.thumbnailRoom);
    if (!thumbnail.error.empty()) {
        result.message = thumbnail.error;
        return result;
    }
    EditRequest request;
    request.command = EditCommand::Replace;
    request.photoPath = photoPath;
    request.thumbnailBytes = thumbnail.jpeg;
    request.keepBackup = options.keepBackup;
    request.dryRun = options.dryRun;
    const EditResult edit = editPhoto(request);
    result.route = edit.route;
    result.sizeBefore = edit.sizeBefore;
    result.sizeAfter = edit.sizeAfter;
    result.reports += edit.reports;
    result.ok = edit.outcome == EditOutcome::Done;
    if (result.ok) {
        result.message = "new thumbnail " + std::to_string(thumbnail.image.width) + "x" +
                         std::to_string(thumbnail.image.height) + ", " + std::to_string(thumbnail.jpeg.size()) +
                         " bytes, quality " + std::to_string(thumbnail.quality);
    } else {
        result.message = edit.message.empty()
                             ? std::string("the photo was not changed (") + outcomeName(edit.outcome) + ")"
                             : edit.message;
    }
    return result;
}

}  // namespace lumivex::cli
