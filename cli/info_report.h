// What `lumivex info` prints about the photo just read: readable lines or one JSON object.
#pragma once

#include <string>

#include "engine/report/photo_report.h"

namespace lumivex::cli {

// One JSON object with a key per fact, the byte order and the segment list.
std::string photoInfoJson(const PhotoReport& report);

// Aligned "Name : value" lines for a person.
std::string photoInfoText(const PhotoReport& report);

// The same for the photo this thread read last.
std::string photoInfoJson();
std::string photoInfoText();

}  // namespace lumivex::cli
