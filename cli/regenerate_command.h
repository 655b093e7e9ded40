// lumivex regenerate: a new thumbnail made from the photo's own pixels, put in with every Exif field kept.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "lumivex/photo_edit.h"

namespace lumivex::cli {

struct RegenerateOptions {
    int boxWidth = 160;  // the camera-file convention
    int boxHeight = 120;
    int quality = 85;  // the first quality tried; lower ones only when the thumbnail would not fit
    bool keepBackup = true;
    bool followLinks = false;  // the photo may be reached through a symbolic link
    bool inPlace = false;      // a photo with hard links is rewritten under every name
    bool dryRun = false;       // make the thumbnail and decide, write nothing
};

struct NewThumbnail {
    std::vector<uint8_t> jpeg;  // baseline JPEG, no APPn or COM
    imaging::Image image;       // its pixels, for the contact sheet
    int quality = 0;            // the quality it was encoded at
    std::string error;          // empty when made
    bool tooLarge = false;      // made, but not in the room given even at the lowest quality
};

// The thumbnail for a photo: its image data decoded at a reduced scale, fitted to the box with the photo's
// aspect, in the stored pixel orientation, encoded at the highest quality from options.quality down in
// steps of 5 whose result is at most room bytes.
NewThumbnail makeThumbnail(std::span<const uint8_t> photo, const RegenerateOptions& options, uint64_t room);
// The same for the photo a path names.
NewThumbnail makeThumbnail(const std::string& photoPath, const RegenerateOptions& options, uint64_t room);

// The edit's result: its message says what was made (or would be), or why not.
EditResult regeneratePhoto(const std::string& photoPath, const RegenerateOptions& options);

}  // namespace lumivex::cli
