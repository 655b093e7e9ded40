// The entry into Exif parsing for one APP1 segment, and the size of the minimal Exif segment used when a
// photo offers no thumbnail that can be replaced.
#pragma once

#include <climits>
#include <cstdint>

#include "engine/exif/exif_records.h"

namespace lumivex {

constexpr int32_t kMinimalExifSize = 134;
constexpr uint32_t kMinimalExifThumbOffset = 126;

// Fills the photo's records from one segment. data is the segment's whole buffer, from its two length bytes
// on; length is its length value; sectionIndex is the segment's place in the section list (-1 for a segment
// parsed on its own), which the thumbnail facts keep.
void parseExifSegment(ExifRecords& records, uint8_t* data, uint32_t length, int32_t sectionIndex = -1);

// info.fileModified of a photo that came from no file: its time is not known.
constexpr int32_t kUnknownFileTime = INT32_MIN;

// The local time of info.fileModified as "YYYY:MM:DD HH:MM:SS" and a NUL, in a buffer of 20 bytes; an unknown
// time as Exif writes one, blanks between the colons.
void fileTimeText(const PhotoInfo& info, char* buffer);

}  // namespace lumivex
