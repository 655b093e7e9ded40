#include "engine/exif/directory_entry.h"

#include "engine/exif/exif_layout.h"

namespace lumivex {

DirectoryEntry readDirectoryEntry(const TiffBlock& block, uint64_t entryOff) {
    const uint8_t* e = block.at(entryOff);
    return DirectoryEntry{static_cast<uint16_t>(exifRead16(e)), exifRead16(e + 2), exifReadU32(e + 4), 0, 0};
}

bool locateEntryValue(const TiffBlock& block, uint64_t entryOff, DirectoryEntry& entry) {
    entry.byteCount = valueByteCount(entry.count, entry.format);
    if (entry.byteCount <= 4) {
        entry.valueOff = entryOff + 8;
        return true;
    }
    entry.valueOff = exifReadU32(block.at(entryOff + 8));
    if (!block.contains(entry.valueOff, entry.byteCount)) return false;
    recordStructure(entry.valueOff, entry.valueOff + entry.byteCount);
    return true;
}

}  // namespace lumivex
