// The other copies of a photo's picture that a thumbnail sweep does not touch: a Photoshop resource
// thumbnail, an MPF index of further images, JPEG images after the end of the photo's image.
#pragma once

#include <string>
#include <vector>

namespace lumivex::cli {

struct PreviewScan {
    std::vector<std::string> previews;  // one short name per copy found, in file order
    std::string error;                  // empty when the file was read to its end
};

// Reads the file once, keeping only a small buffer, so that it costs little beside the decode.
PreviewScan findOtherPreviews(const std::string& path);

}  // namespace lumivex::cli
