#include "engine/exif/exif_layout.h"

#include "engine/diag/diag.h"

namespace lumivex {

thread_local ThumbnailOrigin thumbnailOrigin;
thread_local const uint8_t* thumbLengthTiffStart = nullptr;
thread_local std::optional<ExifByteOrder> parsedByteOrder;
thread_local ExifWalkState exifWalkState;

void startExifWalk(const uint8_t* tiffStart, uint32_t tiffLength) {
    exifWalkState.tiffStart = tiffStart;
    exifWalkState.tiffLength = tiffLength;
    exifWalkState.structure.clear();
    exifWalkState.directoriesRead.clear();
    exifWalkState.entryBudget = kEntryBudgetPerSegment;
    exifWalkState.budgetReported = false;
    exifWalkState.thumbnailNamed = false;
    recordStructure(0, 8);  // the TIFF header
}

void recordStructure(uint64_t begin, uint64_t end) {
    if (end > begin) exifWalkState.structure.push_back({begin, end});
}

bool takeEntryBudget(uint64_t entries) {
    if (entries <= exifWalkState.entryBudget) {
        exifWalkState.entryBudget -= static_cast<uint32_t>(entries);
        return true;
    }
    if (!exifWalkState.budgetReported) {
        warnNonfatal("Too many Exif directory entries (more than %d); the rest is not read", kEntryBudgetPerSegment, 0);
        exifWalkState.budgetReported = true;
    }
    exifWalkState.entryBudget = 0;
    return false;
}

void clearExifLayout() {
    thumbnailOrigin = ThumbnailOrigin{};
    thumbLengthTiffStart = nullptr;
    parsedByteOrder.reset();
    exifWalkState = ExifWalkState{};
}

}  // namespace lumivex
