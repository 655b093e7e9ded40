#include "lumivex/segment_map.h"

#include <cstring>

namespace lumivex {

namespace {

constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kSos = 0xDA;

}  // namespace

WalkStatus walkSegments(std::span<const uint8_t> head, uint64_t fileSize, SegmentMap& map, std::string& why) {
    map = SegmentMap{};
    map.fileSize = fileSize;
    const uint64_t size = head.size();
    if (size < 2) return WalkStatus::NeedMore;
    if (head[0] != 0xFF || head[1] != kSoi) return WalkStatus::NotJpeg;
    uint64_t at = 2;
    for (;;) {
        // Find the next marker: a byte other than 0xFF right after a 0xFF; anything else before it is fill. Every
        // marker, 0x00 and the restart markers too, is read with a length, as the reader does: the edits plan on
        // this walk and take the Exif facts from the reader, so the two must see the same segments.
        const uint64_t searchStart = at;
        for (;;) {
            if (at - searchStart > kMaxFillBytes) {
                why = "No marker within 1 MiB; the rest is not JPEG data";
                return WalkStatus::Malformed;
            }
            if (at + 1 >= size) return WalkStatus::NeedMore;
            if (head[at] == 0xFF && head[at + 1] != 0xFF) break;
            ++at;
        }
        const uint8_t marker = head[at + 1];
        if (marker == kEoi) return WalkStatus::NoImage;
        if (at + 4 > size) return WalkStatus::NeedMore;
        const uint64_t lengthValue = uint64_t{head[at + 2]} << 8 | head[at + 3];
        if (lengthValue < 2) {
            why = "invalid marker";
            return WalkStatus::Malformed;
        }
        if (map.segments.size() >= kMaxSegments) {
            why = "Too many segments before the image data (more than 4096)";
            return WalkStatus::Malformed;
        }
        const SegmentEntry entry{marker, at, lengthValue + 2};
        if (entry.end() > kMaxHeadBytes) {
            why = "Too many segments before the image data (more than 16 MiB of them)";
            return WalkStatus::Malformed;
        }
        if (entry.end() > fileSize) {
            why = "Premature end of file?";
            return WalkStatus::Malformed;
        }
        map.segments.push_back(entry);
        if (entry.end() > size) return WalkStatus::NeedMore;
        at = entry.end();
        if (marker == kSos) {
            map.imageDataOffset = at;
            return WalkStatus::Complete;
        }
    }
}

const SegmentEntry* findSegment(const SegmentMap& map, std::span<const uint8_t> head, uint8_t marker,
                                std::string_view signature) {
    for (const SegmentEntry& segment : map.segments) {
        if (segment.marker != marker || segment.end() > head.size()) continue;
        if (segment.payloadLength() < signature.size()) continue;
        if (std::memcmp(head.data() + segment.payloadOffset(), signature.data(), signature.size()) == 0)
            return &segment;
    }
    return nullptr;
}

}  // namespace lumivex
