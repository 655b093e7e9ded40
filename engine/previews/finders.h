// The finder of each kind of copy; findPreviews runs them all. Each adds what it finds to scan.
#pragma once

#include <optional>

#include "engine/previews/bytes_in.h"
#include "engine/previews/tiff_view.h"
#include "lumivex/previews.h"

namespace lumivex::previews {

// Where the main image's data ends (after its EOI), or nullopt when that lies beyond the bytes given.
std::optional<uint64_t> mainImageEnd(Bytes file, const SegmentMap& map);

// The TIFF block of the APP1 Exif segment, its bytes limited to the segment.
std::optional<TiffView> exifBlock(Bytes file, const SegmentMap& map);

void findExifThumbnail(Bytes file, const SegmentMap& map, PreviewScan& scan);
void findMakerNotePreviews(Bytes file, const SegmentMap& map, PreviewScan& scan);
void findMpfImages(Bytes file, const SegmentMap& map, PreviewScan& scan);
void findPhotoshopThumbnails(Bytes file, const SegmentMap& map, PreviewScan& scan);
void findXmpThumbnails(Bytes file, const SegmentMap& map, PreviewScan& scan);
void findJfxxThumbnails(Bytes file, const SegmentMap& map, PreviewScan& scan);
void findFlashPix(Bytes file, const SegmentMap& map, PreviewScan& scan);

// What an MPF image is, from its type code and, for an undefined type, the hints its own metadata gives.
void classifyMpfImage(uint32_t attribute, Bytes imageHead, PreviewCopy& copy);

// The payload of a segment as a span of the file (empty when it reaches past the bytes given).
Bytes payloadOf(Bytes file, const SegmentEntry& segment);

// Base64 text with XML line-break entities and white space in it, decoded; false on any other character.
bool decodeBase64(Bytes text, std::vector<uint8_t>& out);
std::string encodeBase64(std::span<const uint8_t> bytes);

}  // namespace lumivex::previews
