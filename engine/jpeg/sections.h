// The marker segments of a photo, in file order, with the image data as the last entry. The engine says
// "segment" for a marker segment everywhere; a "section" (JpegSection, SectionList) is the window's reader's
// copy of one in memory, under the names the window's records have always had.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lumivex/segment_map.h"

namespace lumivex {

// LoadImageLater with LoadImage: the image data stays in the file and is copied from it when the list is
// written, so an edit reads and writes it once and never holds it in memory. LoadForTool: the tool's reads, which
// know a JFIF extension segment (APP0 "JFXX") for valid data and say nothing about it; what is read is the same.
enum LoadMode : int { LoadMetadata = 1, LoadImage = 2, LoadAll = 3, LoadImageLater = 4, LoadForTool = 8 };

constexpr int32_t kMarkerSof0 = 0xC0;
constexpr int32_t kMarkerEoi = 0xD9;
constexpr int32_t kMarkerSos = 0xDA;
constexpr int32_t kMarkerApp0 = 0xE0;
constexpr int32_t kMarkerApp1 = 0xE1;
constexpr int32_t kMarkerApp13 = 0xED;
constexpr int32_t kMarkerCom = 0xFE;

struct JpegSection {
    std::unique_ptr<uint8_t[]> data;  // a segment: its 2 length bytes, then the payload; image data: raw bytes
    int32_t marker = 0;               // the byte after 0xFF, or a pseudo-marker
    int32_t size = 0;                 // bytes in data; for a segment, its length value
};

struct SectionList {
    std::unique_ptr<JpegSection[]> sections;  // [0, count) in use
    int32_t capacity = 0;
    int32_t count = 0;
    int32_t imageDataRead = 0;     // the image data block was read, so the file can be written back
    int64_t imageDataOffset = -1;  // with LoadImageLater: where the image data begins in imageDataSource
    std::string imageDataSource;   // the file that holds it (the backup, once the photo has been renamed)
};

struct PhotoRecords;

// An empty list, ready for a new photo.
void resetJpegState(SectionList& sectionList);
// The list emptied and the photo's facts cleared with it.
void freeSections(PhotoRecords& records);
void ensureSectionCapacity(SectionList& sectionList);
void appendSection(SectionList& sectionList, std::unique_ptr<uint8_t[]> data, int32_t marker, int32_t size);

// The first entry whose marker equals the value exactly, or nullptr.
JpegSection* findSection(SectionList& sectionList, int32_t marker);
const JpegSection* findSection(const SectionList& sectionList, int32_t marker);
// Removes the first entry with the marker among all but the last; 1 when one was removed. The Exif facts
// that name a segment by its index follow the move.
int dropSectionType(PhotoRecords& records, int32_t marker);
// Puts a new entry at the front; the list takes the buffer.
void insertSection(PhotoRecords& records, int32_t marker, std::unique_ptr<uint8_t[]> data, int32_t size);

// The segment whose directory named the thumbnail (thumbnailOrigin), found by its index in the list; nullptr
// when there is none or the list no longer holds it there.
JpegSection* thumbnailSection(PhotoRecords& records);

// A buffer of n bytes whose contents are about to be overwritten; fails fatally with message when the
// memory cannot be had.
std::unique_ptr<uint8_t[]> allocateBytes(uint64_t n, const char* message);

}  // namespace lumivex
