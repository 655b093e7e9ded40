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

// The limits every walk applies to an entry: a format of 1 to 12 (0 has no bytes to read), at most this many
// components.
constexpr uint32_t kMaxEntryComponents = 0x10000;

// What each walk says when an entry fails a check: (format, tag), (count, tag) and (tag).
struct EntryReports {
    const char* badFormat;
    const char* tooManyComponents;
    const char* badValuePointer;
};

// Reads the entry at entryOff (the caller has checked that its 12 bytes lie in the block), checks its format
// and count, and places its value: inside the entry when it has at most 4 bytes, else at its offset, which
// must leave the whole value inside the block. False, after the walk's report, when the entry is to be
// skipped; a value read at an offset is recorded as part of the block's structure.
bool readCheckedEntry(ExifWalk& walk, uint64_t entryOff, const EntryReports& reports, DirectoryEntry& entry);

}  // namespace lumivex
