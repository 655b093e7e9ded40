#include "cli/preview_check.h"

#include <utility>

#include "imaging/similarity.h"

namespace lumivex::cli {

namespace {

constexpr int kCompareWidth = 160;  // as the Exif thumbnail is compared
constexpr int kCompareHeight = 120;

// A JFXX copy stored as pixels: 3 bytes each, or 1 byte into a 256-colour palette.
imaging::DecodedImage rawCopy(const PhotoPreviews& photo, const PreviewCopy& copy) {
    imaging::DecodedImage out;
    const uint64_t pixels = uint64_t(copy.width) * uint64_t(copy.height);
    const bool palette = copy.format == "palette";
    const uint64_t need = 2 + (palette ? 768 + pixels : pixels * 3);  // after the width and height bytes
    if (pixels == 0 || copy.length < need || copy.offset + copy.length > photo.bytes.size()) {
        out.error = "its pixels are cut short";
        return out;
    }
    const uint8_t* p = photo.bytes.data() + copy.offset + 2;
    out.image = {copy.width, copy.height, 3, std::vector<uint8_t>(pixels * 3)};
    for (uint64_t i = 0; i < pixels; ++i) {
        const uint8_t* rgb = palette ? p + 3 * uint64_t(p[768 + i]) : p + 3 * i;
        for (int c = 0; c < 3; ++c) out.image.pixels[i * 3 + c] = rgb[c];
    }
    out.sourceWidth = copy.width;
    out.sourceHeight = copy.height;
    return out;
}

}  // namespace

imaging::DecodedImage decodeCopy(const PhotoPreviews& photo, const previews::FoundPreview& found, int minWidth,
                                 int minHeight) {
    const PreviewCopy& copy = found.copy;
    if (copy.kind == PreviewKind::Jfxx && copy.format != "jpeg") return rawCopy(photo, copy);
    imaging::DecodedImage out;
    std::string why;
    previews::FoundPreview alone = found;  // its bytes on their own, wherever they were read
    alone.copy.offset = 0;
    const std::vector<uint8_t> jpeg = previews::previewBytes(heldBytes(photo, found), alone, why);
    if (jpeg.empty()) {
        out.error = why.empty() ? "no bytes" : why;
        return out;
    }
    out = imaging::decodeJpegScaled(jpeg, minWidth, minHeight);
    if (out.ok() && copy.format == "bgr" && out.image.channels == 3) {
        for (size_t i = 0; i + 2 < out.image.pixels.size(); i += 3)
            std::swap(out.image.pixels[i], out.image.pixels[i + 2]);
    }
    return out;
}

std::vector<CopyVerdict> checkCopies(const PhotoPreviews& photo, const imaging::Image& picture) {
    std::vector<CopyVerdict> verdicts;
    for (const previews::FoundPreview& found : photo.scan.found) {
        if (found.copy.kind == PreviewKind::Exif) continue;
        CopyVerdict v;
        v.copy = found.copy;
        if (found.copy.role != PreviewRole::Picture || found.copy.kind == PreviewKind::FlashPix) {
            v.verdict = "skipped";
            v.reason = found.copy.note.empty() ? "not a picture of the scene" : found.copy.note;
            verdicts.push_back(std::move(v));
            continue;
        }
        // Decoded once, at the smallest scale that still gives a thumbnail's size.
        const imaging::DecodedImage decoded = decodeCopy(photo, found, kCompareWidth, kCompareHeight);
        if (!decoded.ok()) {
            v.verdict = "stale";  // a copy no viewer can show is as wrong as one of another picture
            v.reason = "unreadable: " + decoded.error;
            v.score = 0.0;
        } else {
            const imaging::ThumbnailComparison comparison = imaging::compareThumbnail(decoded.image, picture);
            v.verdict = comparison.match == imaging::ThumbnailMatch::Fresh ? "fresh" : "stale";
            v.reason = imaging::matchReason(comparison.match);
            v.score = comparison.score;
            v.image = decoded.image;
        }
        verdicts.push_back(std::move(v));
    }
    return verdicts;
}

}  // namespace lumivex::cli
