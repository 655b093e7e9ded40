#include "engine/jpeg/sections.h"

#include <new>
#include <utility>

#include "engine/diag/diag.h"
#include "engine/jpeg/photo_records.h"

namespace lumivex {

namespace {
constexpr int32_t kInitialCapacity = 5;
}

std::unique_ptr<uint8_t[]> allocateBytes(uint64_t n, const char* message) {
    if (n > static_cast<uint64_t>(INT32_MAX)) failFatal(message);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[n == 0 ? 1 : n]);
    if (!buffer) failFatal(message);
    return buffer;
}

void resetJpegState(SectionList& sectionList) {
    if (!sectionList.sections) {
        sectionList.sections.reset(new JpegSection[kInitialCapacity]);
        sectionList.capacity = kInitialCapacity;
    }
    for (int32_t i = 0; i < sectionList.count; ++i) sectionList.sections[i] = JpegSection{};
    sectionList.count = 0;
    sectionList.imageDataRead = 0;
    sectionList.imageDataOffset = -1;
    sectionList.imageDataSource.clear();
}

void freeSections(PhotoRecords& records) {
    SectionList& sectionList = records.sectionList;
    for (int32_t i = 0; i < sectionList.count; ++i) sectionList.sections[i] = JpegSection{};
    clearPhotoInfo(records);
    sectionList.count = 0;
    sectionList.imageDataRead = 0;
    sectionList.imageDataOffset = -1;
    sectionList.imageDataSource.clear();
}

void ensureSectionCapacity(SectionList& sectionList) {
    if (!sectionList.sections) resetJpegState(sectionList);
    if (sectionList.count > sectionList.capacity) failFatal("allocation screwup");
    if (sectionList.count < sectionList.capacity) return;
    const int64_t grown = int64_t{sectionList.capacity} + sectionList.capacity / 2;
    if (grown > INT32_MAX / 2) failFatal("could not allocate data for entire image");
    std::unique_ptr<JpegSection[]> sections(new (std::nothrow) JpegSection[grown]);
    if (!sections) failFatal("could not allocate data for entire image");
    for (int32_t i = 0; i < sectionList.count; ++i) sections[i] = std::move(sectionList.sections[i]);
    sectionList.sections = std::move(sections);
    sectionList.capacity = static_cast<int32_t>(grown);
}

void appendSection(SectionList& sectionList, std::unique_ptr<uint8_t[]> data, int32_t marker, int32_t size) {
    ensureSectionCapacity(sectionList);
    JpegSection& section = sectionList.sections[sectionList.count++];
    section.data = std::move(data);
    section.marker = marker;
    section.size = size;
}

const JpegSection* findSection(const SectionList& sectionList, int32_t marker) {
    for (int32_t i = 0; i < sectionList.count; ++i) {
        if (sectionList.sections[i].marker == marker) return &sectionList.sections[i];
    }
    return nullptr;
}

JpegSection* findSection(SectionList& sectionList, int32_t marker) {
    return const_cast<JpegSection*>(findSection(static_cast<const SectionList&>(sectionList), marker));
}

int dropSectionType(PhotoRecords& records, int32_t marker) {
    SectionList& sectionList = records.sectionList;
    // The last entry, the image data after a full read, is never a candidate.
    for (int32_t i = 0; i + 1 < sectionList.count; ++i) {
        if (sectionList.sections[i].marker != marker) continue;
        for (int32_t j = i; j + 1 < sectionList.count; ++j) {
            sectionList.sections[j] = std::move(sectionList.sections[j + 1]);
        }
        sectionList.sections[--sectionList.count] = JpegSection{};
        shiftSectionIndices(records, i, -1);
        return 1;
    }
    return 0;
}

void insertSection(PhotoRecords& records, int32_t marker, std::unique_ptr<uint8_t[]> data, int32_t size) {
    SectionList& sectionList = records.sectionList;
    ensureSectionCapacity(sectionList);
    for (int32_t i = sectionList.count; i > 0; --i) sectionList.sections[i] = std::move(sectionList.sections[i - 1]);
    sectionList.sections[0] = JpegSection{std::move(data), marker, size};
    ++sectionList.count;
    shiftSectionIndices(records, 0, 1);
}

JpegSection* thumbnailSection(PhotoRecords& records) {
    const SectionList& sectionList = records.sectionList;
    const ThumbnailOrigin& thumbnailOrigin = records.thumbnailOrigin;
    const int32_t i = thumbnailOrigin.sectionIndex;
    if (i < 0 || i >= sectionList.count) return nullptr;
    JpegSection& section = sectionList.sections[i];
    if (section.marker != kMarkerApp1 || section.size < static_cast<int32_t>(kTiffStartInSegment) ||
        static_cast<uint32_t>(section.size) - kTiffStartInSegment != thumbnailOrigin.tiffLength) {
        return nullptr;
    }
    return &section;
}

}  // namespace lumivex
