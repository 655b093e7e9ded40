// What `lumivex info` prints about the photo just read: readable lines or one JSON object.
#pragma once

#include <string>

#include "lumivex/photo_report.h"

namespace lumivex::cli {

class JsonLine;

// A member per fact, the byte order and the segment list, added to a JSON line.
void addPhotoInfo(const PhotoReport& report, JsonLine& json);

// Aligned "Name : value" lines for a person.
std::string photoInfoText(const PhotoReport& report);

}  // namespace lumivex::cli
