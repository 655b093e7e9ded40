// What `lumivex info` prints about the photo just read: readable lines or one JSON object.
#pragma once

#include <string>

namespace lumivex::cli {

// One JSON object with a key per photoInfo field, the byte order and the segment list.
std::string photoInfoJson();

// Aligned "Name : value" lines for a person.
std::string photoInfoText();

}  // namespace lumivex::cli
