#include <cstring>

#include "engine/exif/exif_records.h"

namespace lumivex {

void clearPhotoInfo(ExifRecords& records) {
    std::memset(&records.photoInfo, 0, sizeof records.photoInfo);
    records.thumbnailOrigin = ThumbnailOrigin{};
    records.exifReadFacts = ExifReadFacts{};
}

void clearPhotoInfoForNewFile(ExifRecords& records) {
    clearPhotoInfo(records);
    records.photoInfo.flash = -1;
    records.photoInfo.whiteBalance = -1;
    records.photoInfo.meteringMode = -1;
}

namespace {
void shiftIndex(int32_t& index, int32_t from, int32_t by) {
    if (index < from) return;
    index = (by < 0 && index == from) ? -1 : index + by;
}
}  // namespace

void shiftSectionIndices(ExifRecords& records, int32_t from, int32_t by) {
    shiftIndex(records.thumbnailOrigin.sectionIndex, from, by);
    shiftIndex(records.exifReadFacts.lengthSectionIndex, from, by);
}

}  // namespace lumivex
