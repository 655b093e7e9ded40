// The new content of an edited photo from the section list held in memory: the header written anew, the image
// data cloned from the photo where the file system shares blocks, copied elsewhere.
#pragma once

#include <cstdint>
#include <string>

#include "engine/jpeg/photo_records.h"
#include "lumivex/safe_replace.h"

namespace lumivex {

bool writeSectionListContent(const PhotoRecords& records, const PhotoFile& photo, platform::OpenFile& temp,
                             uint64_t& newSize, std::string& why);

}  // namespace lumivex
