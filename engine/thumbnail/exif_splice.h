// The tool's edit of a photo as a splice plan: the new Exif segment takes the place of the old one (or goes in
// after the leading APP0 segments when there was none), and nothing else of the file changes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "lumivex/segment_map.h"
#include "lumivex/splice.h"

namespace lumivex {

// The plan that puts this Exif segment (its 2 length bytes and payload; size is its length value) in place of
// the photo's first one. Zeros after it keep the image data where it was, or move it by whole 4096-byte
// blocks, so that a clone shares its blocks with the original. False (why says why) when the edit would move
// images that an MPF index placed before the Exif segment locates by offsets from itself.
bool planExifSplice(std::span<const uint8_t> head, const SegmentMap& map, const uint8_t* segment, uint32_t size,
                    SplicePlan& plan, std::string& why);

}  // namespace lumivex
