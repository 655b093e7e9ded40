// lumivex check: does each photo's embedded thumbnail still show the photo?
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/photo_bytes.h"
#include "cli/preview_check.h"
#include "imaging/image.h"

namespace lumivex::cli {

struct CheckResult {
    std::string verdict;              // "fresh", "stale", "none", or "error" when the photo cannot be checked
    std::string reason;               // stale: why; error: the problem; else empty
    std::string reports;              // the engine's notes on reading the photo
    std::optional<double> score;      // similarity 0 to 1, when both pictures could be compared
    std::optional<CopyVerdict> exif;  // the Exif thumbnail's own verdict, when it has one
    std::vector<CopyVerdict> copies;  // every other copy's verdict, in file order
    imaging::Image embedded;          // the thumbnail, for the contact sheet
    imaging::Image fromPhoto;         // a thumbnail made from the photo now, for the contact sheet
};

CheckResult checkPhoto(const std::string& photoPath, bool followLinks);
// The same over a photo already read, or handed over in memory; photoPath names it in the messages.
CheckResult checkPhotoBytes(const std::string& photoPath, const PhotoBytes& file);

// The score as both the text and the JSON give it: 0.000 to 1.000.
std::string scoreText(double score);

// One line of JSON for the result: path, verdict, reason, score, previews (each copy's kind, verdict, reason,
// score).
std::string checkResultJson(const std::string& photoPath, const CheckResult& result);

}  // namespace lumivex::cli
