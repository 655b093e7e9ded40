#include "engine/previews/plan_edits.h"

#include <algorithm>
#include <iterator>

namespace lumivex::previews {

std::vector<const PreviewEdit*> editsOf(const std::vector<PreviewEdit>& edits, PreviewKind kind) {
    std::vector<const PreviewEdit*> found;
    for (const PreviewEdit& edit : edits) {
        if (edit.target != nullptr && edit.target->copy.kind == kind) found.push_back(&edit);
    }
    return found;
}

std::optional<std::vector<uint8_t>> makeSegment(uint8_t marker, std::span<const uint8_t> payload) {
    if (payload.size() > 0xFFFF - 2) return std::nullopt;
    std::vector<uint8_t> out = {0xFF, marker, 0, 0};
    putBe16(&out[2], static_cast<uint32_t>(payload.size() + 2));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

PlannedEdits planPreviewEdits(std::span<const uint8_t> file, const SegmentMap& map,
                              const std::vector<PreviewEdit>& edits, std::vector<Splice> carried) {
    PlannedEdits out;
    out.plan.sourceSize = file.size();
    std::vector<Splice> splices;
    for (const PreviewEdit* edit : editsOf(edits, PreviewKind::Exif)) {
        out.refused.push_back(describeCopy(edit->target->copy) + ": the Exif thumbnail is edited with the Exif block");
    }
    for (const PreviewEdit* edit : editsOf(edits, PreviewKind::FlashPix)) {
        out.refused.push_back(describeCopy(edit->target->copy) + ": " + edit->target->notEditable);
    }
    planPhotoshop(file, map, edits, splices, out);
    planXmp(file, map, edits, splices, out);
    planJfxx(file, edits, splices, out);
    planMakerNote(file, edits, carried, splices, out);
    planTrailing(file, edits, splices, out);
    splices.insert(splices.end(), std::make_move_iterator(carried.begin()), std::make_move_iterator(carried.end()));
    sortByOffset(splices);
    planMpf(file, map, edits, splices, out);
    sortByOffset(splices);
    out.plan.splices = std::move(splices);
    std::string why;
    if (!planIsValid(out.plan, why)) {
        // Copies that share bytes (a hostile file): nothing is edited rather than something twice.
        for (const std::string& line : out.done) out.refused.push_back(line + ": not done, " + why);
        out.done.clear();
        out.plan.splices.clear();
    }
    return out;
}

}  // namespace lumivex::previews
