#include "engine/exif/directory_entry.h"

namespace lumivex {

DirectoryEntry readDirectoryEntry(const ExifWalk& walk, uint64_t entryOff) {
    return DirectoryEntry{static_cast<uint16_t>(walk.read16(entryOff)),
                          walk.read16(entryOff + 2),
                          walk.readU32(entryOff + 4),
                          0,
                          0,
                          entryOff};
}

bool locateEntryValue(ExifWalk& walk, uint64_t entryOff, DirectoryEntry& entry) {
    entry.byteCount = valueByteCount(entry.count, entry.format);
    if (entry.byteCount <= 4) {
        entry.valueOff = entryOff + 8;
        return true;
    }
    entry.valueOff = walk.readU32(entryOff + 8);
    if (!walk.block.contains(entry.valueOff, entry.byteCount)) return false;
    walk.recordStructure(entry.valueOff, entry.valueOff + entry.byteCount);
    return true;
}

}  // namespace lumivex
