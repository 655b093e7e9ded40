#include "engine/exif/maker_note.h"

#include <cmath>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/directory_entry.h"
#include "engine/exif/exif_layout.h"
#include "engine/exif/photo_info.h"

namespace lumivex {

namespace {

constexpr uint16_t kCanonCameraSettings = 1;
constexpr uint16_t kCanonShotInfo = 4;
constexpr uint32_t kMaxComponents = 0x10000;

// Restores the block's byte order however the walk ends.
class ByteOrderScope {
  public:
    explicit ByteOrderScope(ExifByteOrder order) : saved_(exifByteOrder) { exifByteOrder = order; }
    ~ByteOrderScope() { exifByteOrder = saved_; }
    ByteOrderScope(const ByteOrderScope&) = delete;
    ByteOrderScope& operator=(const ByteOrderScope&) = delete;

  private:
    ExifByteOrder saved_;
};

uint32_t element16(const TiffBlock& block, uint64_t valueOff, uint32_t index) {
    return static_cast<uint32_t>(exifRead16(block.at(valueOff + 2 * uint64_t{index})));
}

void applyCanonTag(const TiffBlock& block, const DirectoryEntry& entry) {
    const uint64_t valueOff = entry.valueOff;
    const uint32_t count = entry.count;
    if (entry.tag == kCanonCameraSettings && count > 16) {
        // Element 16 is bytes 32-33 of the value; a narrower format does not reach them.
        if (entry.byteCount < 34) return;
        const uint32_t v = element16(block, valueOff, 16);
        if (v >= 16 && v <= 24) photoInfo.isoEquivalent = 50 << (v - 16);
        return;
    }
    if (entry.tag != kCanonShotInfo || entry.format != FormatShort) return;
    if (count > 7) {
        switch (element16(block, valueOff, 7)) {
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
        const uint32_t v = element16(block, valueOff, 19);
        photoInfo.subjectDistance = v == 0xFFFF ? -1.0f : static_cast<float>(v / 100.0);
    }
}

}  // namespace

void walkCanonMakerNote(const TiffBlock& block, uint64_t dirOffset) {
    if (!block.contains(dirOffset, 2)) {
        warnNonfatal("Illegally sized Exif makernote subdir (%d entries)", 0, 0);
        return;
    }
    const uint32_t entryCount = static_cast<uint32_t>(exifRead16(block.at(dirOffset)));
    const uint64_t dirEnd = dirOffset + 2 + 12 * uint64_t{entryCount};
    if (dirEnd > block.length) {
        warnNonfatal("Illegally sized Exif makernote subdir (%d entries)", static_cast<int>(entryCount), 0);
        return;
    }
    if (!takeEntryBudget(entryCount)) return;
    recordStructure(dirOffset, dirEnd);

    for (uint32_t i = 0; i < entryCount; ++i) {
        const uint64_t entryOff = dirOffset + 2 + 12 * uint64_t{i};
        DirectoryEntry entry = readDirectoryEntry(block, entryOff);
        if (entry.format > kLastExifFormat) {
            warnNonfatal("Illegal Exif number format %d for maker tag %04x", entry.format, entry.tag);
            continue;
        }
        if (entry.count > kMaxComponents) {
            warnNonfatal("Too many components (%d) for Exif maker tag %04x", static_cast<int>(entry.count), entry.tag);
            continue;
        }
        if (!locateEntryValue(block, entryOff, entry)) {
            warnNonfatal("Illegal value pointer for Exif maker tag %04x", entry.tag, 0);
            continue;
        }
        applyCanonTag(block, entry);
    }
}

void parseMakerNote(const TiffBlock& block, uint64_t valueOff, uint64_t /*byteCount*/) {
    if (std::strstr(photoInfo.cameraMake, "Canon") == nullptr) return;
    const ByteOrderScope intel(ExifByteOrder::Intel);
    walkCanonMakerNote(block, valueOff);
}

}  // namespace lumivex
