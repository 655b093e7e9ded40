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
};

// The thumbnail for a photo: its image data decoded at a reduced scale, fitted to the box with the photo's
// aspect, in the stored pixel orientation, encoded at the highest quality from options.quality down in
// steps of 5 whose result is at most room bytes.
NewThumbnail makeThumbnail(const std::string& photoPath, const RegenerateOptions& options, uint64_t room);

struct RegenerateResult {
    bool ok = false;
    std::string message;  // one line: what was done, or why not
    std::string reports;  // the engine's report lines
    std::string route;    // which way the thumbnail went in
    uint64_t sizeBefore = 0;
    uint64_t sizeAfter = 0;
};

RegenerateResult regeneratePhoto(const std::string& photoPath, const RegenerateOptions& options);

// "WxH" with each side 1 to 1024; false for anything else.
bool parseBoxSize(const std::string& text, int* width, int* height);

}  // namespace lumivex::cli
