// The MPF index: its entries read, and the segment written again with entries changed or dropped.
#pragma once

#include <optional>
#include <vector>

#include "engine/previews/bytes_in.h"
#include "lumivex/segment_map.h"
#include "lumivex/splice.h"

namespace lumivex::previews {

struct MpfEntry {
    uint32_t attribute = 0;
    uint32_t size = 0;
    uint32_t offset = 0;  // from the MPF header; 0 for the photo itself
    uint16_t dependent1 = 0;
    uint16_t dependent2 = 0;
};

struct MpfIndex {
    uint64_t headerOffset = 0;  // of the "II*\0" / "MM\0*" after "MPF\0", in the file
    bool little = false;
    std::vector<MpfEntry> entries;
};

// Limits the entries a hostile index can make the reader hold.
constexpr uint32_t kMaxMpfEntries = 256;

std::optional<MpfIndex> readMpfIndex(Bytes file, const SegmentEntry& app2);

// The APP2 segment again, whole, with entries as given (their count may be smaller: the entries dropped
// leave the index and its per-image lists); nullopt when the segment is not one this can rewrite.
// keep[i] says which old entry the new entry i is (for lists with one item per image).
std::optional<std::vector<uint8_t>> rewriteMpfSegment(Bytes file, const SegmentEntry& app2,
                                                      const std::vector<MpfEntry>& entries,
                                                      const std::vector<size_t>& keep);

// The index again with the photo's own size (its first entry) changed by what the splices before that size's end
// add or take away; nullopt when no such change, no index in head, or a splice reaches into the index itself.
std::optional<Splice> mainImageSizeSplice(Bytes head, const SegmentMap& map, const std::vector<Splice>& splices);

}  // namespace lumivex::previews
