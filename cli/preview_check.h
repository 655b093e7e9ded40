// check for the copies other than the Exif thumbnail: each decoded once at a reduced scale and scored
// against the photo on its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/embedded_previews.h"
#include "imaging/image.h"

namespace lumivex::cli {

struct CopyVerdict {
    PreviewCopy copy;
    std::string verdict;  // "fresh", "stale", or "skipped" for what is not a picture of the scene
    std::string reason;   // stale: why; skipped: what it is
    std::optional<double> score;
    imaging::Image image;  // the copy as decoded, for the contact sheet
};

// The pixels of a copy at no less than minWidth x minHeight where it is larger (RGB and palette copies
// whole); error set when it cannot be decoded.
imaging::DecodedImage decodeCopy(const PhotoPreviews& photo, const previews::FoundPreview& found, int minWidth,
                                 int minHeight);

// Every copy but the Exif thumbnail, scored against photo (the photo decoded at any reduced scale).
std::vector<CopyVerdict> checkCopies(const PhotoPreviews& photo, const imaging::Image& picture);

}  // namespace lumivex::cli
