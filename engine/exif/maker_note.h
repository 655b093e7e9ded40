// Maker notes: only Canon's layout is read (ISO speed, light source, subject distance).
#pragma once

#include <cstdint>

#include "engine/exif/exif_layout.h"

namespace lumivex {

// valueOff and byteCount locate the MakerNote value inside the block.
void parseMakerNote(ExifWalk& walk, uint64_t valueOff, uint64_t byteCount);

// A Canon maker note is a directory in Intel order whatever the block's order (the walk's order is Intel while
// it is read); offsets count from the TIFF header.
void walkCanonMakerNote(ExifWalk& walk, uint64_t dirOffset);

}  // namespace lumivex
