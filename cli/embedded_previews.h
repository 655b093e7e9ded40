// Every copy of a photo's picture besides its image, found over the photo's bytes by the engine's one
// segment walker and the preview finders.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lumivex/previews.h"

namespace lumivex::cli {

struct PhotoPreviews {
    std::vector<uint8_t> bytes;  // the whole file, or its bytes before the image data
    SegmentMap map;
    previews::PreviewScan scan;
    std::vector<std::vector<uint8_t>> outside;  // by scan.found: a copy's own bytes where bytes does not hold them
    std::string error;                          // empty when the file was read and walked to its image data
    bool ok() const { return error.empty(); }
};

struct PhotoBytes;

// Reads the file whole (the copies after the image's end are part of it) and finds every copy.
PhotoPreviews readPhotoPreviews(const std::string& path);

// The same over bytes already read.
PhotoPreviews previewsOfBytes(std::vector<uint8_t> bytes);

// The same over a photo read up to its image data: past them only the images its MPF index names and a window
// of the file's end (for JPEGs appended after the picture) are read, through the photo's open descriptor.
PhotoPreviews previewsOfPhoto(const PhotoBytes& photo);

// A copy's bytes in the file (its base64 text for XMP), wherever they are held; empty when they are not.
std::span<const uint8_t> heldBytes(const PhotoPreviews& photo, const previews::FoundPreview& found);

// The copies other than the Exif thumbnail, one short description each, in file order.
std::vector<std::string> otherPreviewNames(const PhotoPreviews& previews);

// "exif", "xmp,mpf": which kinds a --previews value names; false (why set) for an unknown word. all and stale
// are kept as words.
bool parsePreviewKinds(const std::string& text, std::vector<std::string>& words, std::string& why);

// Does a copy match a --previews word list (without stale)?
bool kindSelected(const std::vector<std::string>& words, PreviewKind kind);

// "KIND" or "KIND:N"; false for anything else.
bool parsePreviewSpec(const std::string& spec, PreviewKind& kind, int& index);

}  // namespace lumivex::cli
