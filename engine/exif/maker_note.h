// Maker notes: only Canon's layout is read (ISO speed, light source, subject distance).
#pragma once

#include <cstdint>

#include "engine/exif/tiff_block.h"

namespace lumivex {

// valueOff and byteCount locate the MakerNote value inside the block.
void parseMakerNote(const TiffBlock& block, uint64_t valueOff, uint64_t byteCount);

// A Canon maker note is a directory in Intel order whatever the block's order; offsets count from the
// TIFF header.
void walkCanonMakerNote(const TiffBlock& block, uint64_t dirOffset);

}  // namespace lumivex
