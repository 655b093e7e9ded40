// Walks one Exif directory (IFD) and everything it links to, filling photoInfo.
#pragma once

#include <cstdint>

#include "engine/exif/tiff_block.h"

namespace lumivex {

// dirStart is the directory's entry count, tiffStart the TIFF header, depth 0 for the first directory.
void walkExifDirectory(uint8_t* dirStart, uint8_t* tiffStart, uint32_t tiffLength, int depth);

// The same with the directory given as an offset from the TIFF header, so that an offset past the block
// never becomes a pointer.
void walkExifDirectoryAt(const TiffBlock& block, uint64_t dirOffset, int depth);

}  // namespace lumivex
