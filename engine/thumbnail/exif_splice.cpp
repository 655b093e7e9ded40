#include "engine/thumbnail/exif_splice.h"

#include <cstring>

namespace lumivex {

namespace {

constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
constexpr uint64_t kBlockBytes = 4096;
constexpr uint64_t kMaxLengthValue = 0xFFFF;

// Where a photo without an Exif segment gets one: after its JFIF (and JFXX) APP0 segments, which readers
// expect first.
uint64_t insertionPoint(const SegmentMap& map) {
    uint64_t at = 2;
    for (const SegmentEntry& segment : map.segments) {
        if (segment.marker != kApp0 || segment.offset != at) break;
        at = segment.end();
    }
    return at;
}

bool mpfIndexBefore(std::span<const uint8_t> head, const SegmentMap& map, uint64_t offset) {
    for (const SegmentEntry& segment : map.segments) {
        if (segment.offset >= offset) break;
        if (segment.marker == kApp2 && segment.payloadLength() >= 4 && segment.end() <= head.size() &&
            std::memcmp(head.data() + segment.payloadOffset(), "MPF\0", 4) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool planExifSplice(std::span<const uint8_t> head, const SegmentMap& map, const uint8_t* segment, uint32_t size,
                    SplicePlan& plan, std::string& why) {
    plan = SplicePlan{};
    plan.sourceSize = map.fileSize;
    Splice splice;
    if (const SegmentEntry* old = findSegment(map, head, kApp1, "Exif")) {
        splice.offset = old->offset;
        splice.length = old->length;
    } else {
        splice.offset = insertionPoint(map);
    }
    const uint64_t was = map.imageDataOffset;
    const uint64_t now = was - splice.length + size + 2;
    const uint64_t target = now <= was ? was : was + (now - was + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
    const bool padded = target > now && size + (target - now) <= kMaxLengthValue;
    splice.bytes.reserve(size + 2 + (padded ? target - now : 0));  // one buffer, whatever the padding
    splice.bytes.push_back(0xFF);
    splice.bytes.push_back(kApp1);
    splice.bytes.insert(splice.bytes.end(), segment, segment + size);
    if (padded) {
        splice.bytes.resize(splice.bytes.size() + (target - now), 0);
        const uint64_t length = splice.bytes.size() - 2;
        splice.bytes[2] = static_cast<uint8_t>(length >> 8);
        splice.bytes[3] = static_cast<uint8_t>(length);
    }
    const uint64_t moved = splice.bytes.size() - splice.length;  // wraps when the segment shrinks: non-zero
    if (moved != 0 && mpfIndexBefore(head, map, splice.offset)) {
        why = "the MPF index lies before the Exif segment, and the images it locates would move by " +
              std::to_string(static_cast<int64_t>(moved)) + " bytes";
        return false;
    }
    plan.splices.push_back(std::move(splice));
    return true;
}

}  // namespace lumivex
