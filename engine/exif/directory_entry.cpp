#include "engine/exif/directory_entry.h"

#include "engine/diag/diag.h"

namespace lumivex {

bool readCheckedEntry(ExifWalk& walk, uint64_t entryOff, const EntryReports& reports, DirectoryEntry& entry) {
    entry = DirectoryEntry{static_cast<uint16_t>(walk.read16(entryOff)),
                           walk.read16(entryOff + 2),
                           walk.readU32(entryOff + 4),
                           0,
                           0,
                           entryOff};
    if (entry.format < 1 || entry.format > kLastExifFormat) {
        warnNonfatal(reports.badFormat, entry.format, entry.tag);
        return false;
    }
    if (entry.count > kMaxEntryComponents) {
        warnNonfatal(reports.tooManyComponents, static_cast<int>(entry.count), entry.tag);
        return false;
    }
    entry.byteCount = valueByteCount(entry.count, entry.format);
    if (entry.byteCount <= 4) {
        entry.valueOff = entryOff + 8;
        return true;
    }
    entry.valueOff = walk.readU32(entryOff + 8);
    if (!walk.block.contains(entry.valueOff, entry.byteCount)) {
        warnNonfatal(reports.badValuePointer, entry.tag, 0);
        return false;
    }
    walk.recordStructure(entry.valueOff, entry.valueOff + entry.byteCount);
    return true;
}

}  // namespace lumivex
