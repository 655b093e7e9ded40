// lumivex regenerate: a new thumbnail made from the photo's own pixels, put in with every Exif field kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image.h"

namespace lumivex::cli {

struct RegenerateOptions {
    int boxWidth = 160;  // the camera-file convention
    int boxHeight = 120;
    int quality = 85;  // the first quality tried; lower ones only when the thumbnail would not fit
};

struct NewThumbnail {
    std::vector<uint8_t> jpeg;  // baseline JPEG, no APPn or COM
    imaging::Image image;       // its pixels, for the contact sheet
    int quality = 0;            // the quality it was encoded at
    std::string error;          // empty when made
};

// The thumbnail for a photo: its image data decoded at a reduced scale, fitted to the box with the photo's
// aspect, in the stored pixel orientation, encoded at the highest quality from options.quality down in
// steps of 5 whose result is at most room bytes.
NewThumbnail makeThumbnail(const std::string& photoPath, const RegenerateOptions& options, uint64_t room);

struct RegenerateResult {
    bool ok = false;
    std::string message;  // one line: what was done, or why not
    std::string reports;  // the engine's report lines
};

RegenerateResult regeneratePhoto(const std::string& photoPath, const RegenerateOptions& options);

// The command: ARGS are what follows "regenerate" ([--size WxH] [--quality Q] [--] PHOTO...). One line per
// photo; 0 when every photo got its thumbnail, 1 when any did not, 2 for a usage error.
int regenerateMain(const std::vector<std::string>& args);

// "WxH" with each side 1 to 1024; false for anything else.
bool parseBoxSize(const std::string& text, int* width, int* height);

}  // namespace lumivex::cli
