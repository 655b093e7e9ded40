// The GPS directory: position texts for photoInfo; the block itself is never changed.
#pragma once

#include <cstdint>

#include "engine/exif/exif_layout.h"

namespace lumivex {

void parseGpsDirectory(ExifWalk& walk, uint64_t dirOffset);

// "35d 39m 29.40s" from three values of a coordinate entry; false when the value does not hold three
// whole components.
bool formatGpsCoordinate(const ExifWalk& walk, uint64_t valueOff, int format, uint32_t count, char* text,
                         size_t textSize);

}  // namespace lumivex
