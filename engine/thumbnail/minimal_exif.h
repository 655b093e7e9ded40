// The minimal Exif segment used when a photo offers no thumbnail that can be replaced.
#pragma once

#include "engine/jpeg/photo_records.h"

namespace lumivex {

// Puts a minimal Exif segment (a date and an empty thumbnail place at its end) in place of the first APP1
// segment of the list, and parses it.
void buildMinimalExif(PhotoRecords& records);

}  // namespace lumivex
