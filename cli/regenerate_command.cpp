#include "cli/regenerate_command.h"

#include "cli/photo_bytes.h"
#include "cli/photo_metadata.h"

namespace lumivex::cli {

namespace {

constexpr int kQualityStep = 5;
constexpr int kLowestQuality = 5;

}  // namespace

NewThumbnail makeThumbnail(std::span<const uint8_t> photo, const RegenerateOptions& options, uint64_t room) {
    NewThumbnail out;
    // Decoding at no less than the box keeps enough detail for any photo's fit inside it.
    const imaging::DecodedImage decoded = imaging::decodeJpegScaled(photo, options.boxWidth, options.boxHeight);
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
    out.tooLarge = true;
    out.error = "even at quality " + std::to_string(kLowestQuality) + " the thumbnail does not fit in the " +
                std::to_string(room) + " bytes left in the Exif segment";
    return out;
}

NewThumbnail makeThumbnail(const std::string& photoPath, const RegenerateOptions& options, uint64_t room) {
    const PhotoBytes photo = readPhotoBytes(photoPath, options.followLinks);
    if (photo.ok()) return makeThumbnail(photo.bytes, options, room);
    NewThumbnail out;
    out.error = photo.error;
    return out;
}

EditResult regeneratePhoto(const std::string& photoPath, const RegenerateOptions& options) {
    EditResult result;
    const PhotoBytes photo = readPhotoBytes(photoPath, options.followLinks);
    const PhotoMetadata meta = readPhotoMetadata(photoPath, photo);
    result.reports = meta.reports;
    if (!meta.ok()) {
        result.message = meta.error;
        return result;
    }
    // No room at all: the edit itself says why (an uncompressed thumbnail, a second Exif segment...).
    constexpr uint64_t kAnySize = 65535;
    const uint64_t room = meta.thumbnailRoom > 0 ? meta.thumbnailRoom : kAnySize;
    const NewThumbnail thumbnail = makeThumbnail(photo.bytes, options, room);
    if (!thumbnail.error.empty()) {
        // A thumbnail that cannot be made small enough is refused; one that cannot be made at all failed.
        if (thumbnail.tooLarge) result.outcome = EditOutcome::Refused;
        result.message = thumbnail.error;
        return result;
    }
    // The edit opens the photo again by its name: a file put in its place meanwhile must not get this thumbnail.
    platform::FileStatus now;
    if (!platform::statFile(photoPath.c_str(), now) || now.identity != photo.status.identity) {
        result.outcome = EditOutcome::Refused;
        result.message = "another file took the photo's name while its thumbnail was made";
        return result;
    }
    EditRequest request;
    request.command = EditCommand::Replace;
    request.photoPath = photoPath;
    request.thumbnailBytes = thumbnail.jpeg;
    request.keepBackup = options.keepBackup;
    request.followLinks = options.followLinks;
    request.inPlace = options.inPlace;
    request.dryRun = options.dryRun;
    const EditResult edit = editPhoto(request);
    result.route = edit.route;
    result.sizeBefore = edit.sizeBefore;
    result.sizeAfter = edit.sizeAfter;
    result.reports += edit.reports;
    result.outcome = edit.outcome;
    if (edit.outcome == EditOutcome::Done) {
        const std::string made = "new thumbnail " + std::to_string(thumbnail.image.width) + "x" +
                                 std::to_string(thumbnail.image.height) + ", " + std::to_string(thumbnail.jpeg.size()) +
                                 " bytes, quality " + std::to_string(thumbnail.quality);
        result.message = options.dryRun ? edit.message + ": " + made : made;
    } else {
        result.message = edit.message.empty()
                             ? std::string("the photo was not changed (") + outcomeName(edit.outcome) + ")"
                             : edit.message;
    }
    return result;
}

}  // namespace lumivex::cli
