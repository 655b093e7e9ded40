// One 12-byte directory entry, shared by the Exif, GPS and maker-note walks.
#pragma once

#include <cstdint>

#include "engine/exif/exif_layout.h"

namespace lumivex {

struct DirectoryEntry {
    uint16_t tag;
    int format;
    uint32_t count;
    uint64_t byteCount;  // set by locateEntryValue
    uint64_t valueOff;   // set by locateEntryValue: offset of the value from the TIFF header
    uint64_t entryOff;   // offset of the entry itself
};

// Tag, format and count of the entry at entryOff; the caller has checked that its 12 bytes lie in the block.
DirectoryEntry readDirectoryEntry(const ExifWalk& walk, uint64_t entryOff);

// Places the value of an entry whose format is known (0 to 12): inside the entry when it has at most 4 bytes,
// else at its offset. False when such an offset leaves the block; a value that fits there is recorded as part
// of the block's structure.
bool locateEntryValue(ExifWalk& walk, uint64_t entryOff, DirectoryEntry& entry);

}  // namespace lumivex
