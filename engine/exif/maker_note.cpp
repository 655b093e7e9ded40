#include "engine/exif/maker_note.h"

#include <cmath>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/directory_entry.h"
#include "engine/exif/exif_layout.h"

namespace lumivex {

namespace {

constexpr uint16_t kCanonCameraSettings = 1;
constexpr uint16_t kCanonShotInfo = 4;
constexpr EntryReports kMakerEntryReports = {"Illegal Exif number format %d for maker tag %04x",
                                             "Too many components (%d) for Exif maker tag %04x",
                                             "Illegal value pointer for Exif maker tag %04x"};

// Puts the block's byte order back into the walk however the maker-note walk ends.
class WalkOrderScope {
  public:
    WalkOrderScope(ExifWalk& walk, ExifByteOrder order) : walk_(walk), saved_(walk.order) { walk.order = order; }
    ~WalkOrderScope() { walk_.order = saved_; }
    WalkOrderScope(const WalkOrderScope&) = delete;
    WalkOrderScope& operator=(const WalkOrderScope&) = delete;

  private:
    ExifWalk& walk_;
    ExifByteOrder saved_;
};

uint32_t element16(const ExifWalk& walk, uint64_t valueOff, uint32_t index) {
    return static_cast<uint32_t>(walk.read16(valueOff + 2 * uint64_t{index}));
}

void applyCanonTag(const ExifWalk& walk, const DirectoryEntry& entry) {
    PhotoInfo& photoInfo = walk.records.photoInfo;
    const uint64_t valueOff = entry.valueOff;
    const uint32_t count = entry.count;
    if (entry.tag == kCanonCameraSettings && count > 16) {
        // Element 16 is bytes 32-33 of the value; a narrower format does not reach them.
        if (entry.byteCount < 34) return;
        const uint32_t v = element16(walk, valueOff, 16);
        if (v >= 16 && v <= 24) photoInfo.isoEquivalent = 50 << (v - 16);
        return;
    }
    if (entry.tag != kCanonShotInfo || entry.format != FormatShort) return;
    if (count > 7) {
        switch (element16(walk, valueOff, 7)) {
            case 1:
            case 2:
                photoInfo.lightSource = 1;
                break;
            case 3:
                photoInfo.lightSource = 3;
                break;
            case 4:
                photoInfo.lightSource = 2;
                break;
            case 5:
                photoInfo.lightSource = 4;
                break;
            default:
                break;
        }
    }
    if (count > 19 && photoInfo.subjectDistance <= 0) {
        const uint32_t v = element16(walk, valueOff, 19);
        photoInfo.subjectDistance = v == 0xFFFF ? -1.0f : static_cast<float>(v / 100.0);
    }
}

}  // namespace

void walkCanonMakerNote(ExifWalk& walk, uint64_t dirOffset) {
    const TiffBlock& block = walk.block;
    if (!block.contains(dirOffset, 2)) {
        warnNonfatal("Illegally sized Exif makernote subdir (%d entries)", 0, 0);
        return;
    }
    const uint32_t entryCount = static_cast<uint32_t>(walk.read16(dirOffset));
    const uint64_t dirEnd = dirOffset + 2 + 12 * uint64_t{entryCount};
    if (dirEnd > block.length) {
        warnNonfatal("Illegally sized Exif makernote subdir (%d entries)", static_cast<int>(entryCount), 0);
        return;
    }
    if (!walk.takeEntryBudget(entryCount)) return;
    walk.recordStructure(dirOffset, dirEnd);

    for (uint32_t i = 0; i < entryCount; ++i) {
        const uint64_t entryOff = dirOffset + 2 + 12 * uint64_t{i};
        DirectoryEntry entry{};
        if (readCheckedEntry(walk, entryOff, kMakerEntryReports, entry)) applyCanonTag(walk, entry);
    }
}

void parseMakerNote(ExifWalk& walk, uint64_t valueOff, uint64_t /*byteCount*/) {
    if (std::strstr(walk.records.photoInfo.cameraMake, "Canon") == nullptr) return;
    const WalkOrderScope intel(walk, ExifByteOrder::Intel);
    walkCanonMakerNote(walk, valueOff);
}

}  // namespace lumivex
