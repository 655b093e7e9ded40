// Where each marker segment of a JPEG file lies. One walker finds them all, for every reader of the engine and
// the tool: nothing else in the tree steps from marker to marker.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

struct SegmentEntry {
    uint8_t marker = 0;   // the byte after 0xFF
    uint64_t offset = 0;  // of its 0xFF in the file
    uint64_t length = 0;  // the whole segment: 2 marker bytes, 2 length bytes and the payload

    uint64_t payloadOffset() const { return offset + 4; }  // the bytes after the length value
    uint64_t payloadLength() const { return length - 4; }
    uint64_t end() const { return offset + length; }
};

struct SegmentMap {
    std::vector<SegmentEntry> segments;  // in file order after SOI, up to and including SOS
    uint64_t imageDataOffset = 0;        // the first byte after the SOS header
    uint64_t fileSize = 0;               // bytes in the whole file (what follows the image data included)
};

// What the engine's lists of a photo's segments put beside the real markers.
constexpr int32_t PseudoMarkerImageData = 0x123;  // everything after the SOS header, EOI and trailing bytes too
constexpr int32_t PseudoMarkerXmp = 0x10E1;       // an APP1 holding XMP: never taken for the Exif segment

// Limits that keep a hostile file from making the walk hold or search through gigabytes.
constexpr size_t kMaxSegments = 4096;
constexpr uint64_t kMaxHeadBytes = uint64_t{16} << 20;  // everything before the image data
constexpr uint64_t kMaxFillBytes = 1 << 20;             // fill or garbage before one marker

enum class WalkStatus {
    Complete,   // SOS reached: map.imageDataOffset is set
    NeedMore,   // the bytes end before SOS; call again with more of the file
    NotJpeg,    // no SOI
    NoImage,    // EOI before any SOS
    Malformed,  // why says what: a length below 2, too many segments, no marker within 1 MiB...
};

// Walks head, the first bytes of a file of fileSize bytes, from SOI up to the SOS header. Every segment
// found before the bytes ran out is in map, also when the status is not Complete.
WalkStatus walkSegments(std::span<const uint8_t> head, uint64_t fileSize, SegmentMap& map, std::string& why);

// The first segment with this marker whose payload starts with signature (e.g. "Exif\0\0"); nullptr if none.
const SegmentEntry* findSegment(const SegmentMap& map, std::span<const uint8_t> head, uint8_t marker,
                                std::string_view signature);

}  // namespace lumivex
