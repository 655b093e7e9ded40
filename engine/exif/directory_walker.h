// Walks one Exif directory (IFD) and everything it links to, filling photoInfo.
#pragma once

#include <cstdint>

#include "engine/exif/exif_layout.h"

namespace lumivex {

// The directory is given as an offset from the TIFF header, so that an offset past the block never becomes a
// pointer; depth is 0 for the first directory.
void walkExifDirectoryAt(ExifWalk& walk, uint64_t dirOffset, int depth);

}  // namespace lumivex
