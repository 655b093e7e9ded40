// The edits of each kind, as splices added to one list; planPreviewEdits runs them all.
#pragma once

#include <optional>

#include "engine/previews/bytes_in.h"
#include "lumivex/previews.h"

namespace lumivex::previews {

// The edits aimed at copies of one kind.
std::vector<const PreviewEdit*> editsOf(const std::vector<PreviewEdit>& edits, PreviewKind kind);

// A segment with its marker and new payload; nullopt when the payload passes the 65533 bytes a segment holds.
std::optional<std::vector<uint8_t>> makeSegment(uint8_t marker, std::span<const uint8_t> payload);

void planPhotoshop(Bytes file, const SegmentMap& map, const std::vector<PreviewEdit>& edits,
                   std::vector<Splice>& splices, PlannedEdits& out);
void planXmp(Bytes file, const SegmentMap& map, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices,
             PlannedEdits& out);
void planJfxx(Bytes file, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices, PlannedEdits& out);
// A copy inside a carried splice is edited in its new bytes, where they still hold the copy's old bytes.
void planMakerNote(Bytes file, const std::vector<PreviewEdit>& edits, std::vector<Splice>& carried,
                   std::vector<Splice>& splices, PlannedEdits& out);
void planTrailing(Bytes file, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices, PlannedEdits& out);
// Last: the index's offsets count from its header, which the other splices may move. With no MPF edit the
// index is still written again when a splice between its header and its images changes their distance.
void planMpf(Bytes file, const SegmentMap& map, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices,
             PlannedEdits& out);

}  // namespace lumivex::previews
