// Edits of the images an MPF index names: each image's bytes replaced or cut, then the index written again
// with every offset and size as they will be in the new file.
#include <algorithm>

#include "engine/previews/finders.h"
#include "engine/previews/mpf_index.h"
#include "engine/previews/plan_edits.h"

namespace lumivex::previews {

namespace {

// The new image keeps the old one's metadata segments (its own MPF attributes, Exif) and takes the new pixels.
std::vector<uint8_t> reencodedImage(Bytes old, const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> out = {0xFF, 0xD8};
    SegmentMap map;
    std::string why;
    walkSegments(old, old.size(), map, why);
    for (const SegmentEntry& segment : map.segments) {
        const bool metadata = (segment.marker >= 0xE0 && segment.marker <= 0xEF) || segment.marker == 0xFE;
        if (!metadata || !fits(segment.offset, segment.length, old.size())) continue;
        out.insert(out.end(), old.begin() + static_cast<std::ptrdiff_t>(segment.offset),
                   old.begin() + static_cast<std::ptrdiff_t>(segment.end()));
    }
    // The encoder's own JFIF or metadata segments, if it wrote any, give way to the old image's.
    SegmentMap fresh;
    walkSegments(jpeg, jpeg.size(), fresh, why);
    uint64_t from = 2;
    for (const SegmentEntry& segment : fresh.segments) {
        const bool metadata = (segment.marker >= 0xE0 && segment.marker <= 0xEF) || segment.marker == 0xFE;
        if (!metadata) break;
        from = segment.end();
    }
    out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(from, jpeg.size())),
               jpeg.end());
    return out;
}

void sortSplices(std::vector<Splice>& splices) { sortByOffset(splices); }

}  // namespace

void planMpf(Bytes file, const SegmentMap& map, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices,
             PlannedEdits& out) {
    std::vector<const PreviewEdit*> group;
    for (const PreviewEdit* edit : editsOf(edits, PreviewKind::Mpf)) {
        if (edit->target->notEditable.empty()) {
            group.push_back(edit);
        } else {
            out.refused.push_back(describeCopy(edit->target->copy) + ": " + edit->target->notEditable);
        }
    }
    const SegmentEntry* app2 = findSegment(map, file, 0xE2, std::string_view("MPF\0", 4));
    const std::optional<MpfIndex> index = app2 != nullptr ? readMpfIndex(file, *app2) : std::nullopt;
    if (index) {
        // The Exif edit carries the index with the photo's own size changed by it alone: it is planned again here,
        // from every edit.
        std::erase_if(splices, [&](const Splice& s) { return s.offset == app2->offset && s.length == app2->length; });
    }
    if (group.empty()) {
        // No image edited: the index changes only when an edit after its header moves the images from it, or
        // one inside the photo's own image changes the size its first entry gives.
        const bool moves =
            index && !index->entries.empty() && std::any_of(splices.begin(), splices.end(), [&](const Splice& s) {
                return s.bytes.size() != s.length &&
                       ((s.offset >= app2->end() && index->entries.size() > 1) || s.offset < index->entries[0].size);
            });
        if (!moves) return;
    } else if (!index || index->entries.empty()) {
        for (const PreviewEdit* edit : group)
            out.refused.push_back(describeCopy(edit->target->copy) + ": no MPF index");
        return;
    }
    std::vector<Splice> planned = splices;
    std::vector<MpfEntry> entries;
    std::vector<size_t> keep;
    std::vector<uint64_t> starts;                              // each kept image's first byte in the old file
    std::vector<int> newNumber(index->entries.size() + 1, 0);  // old entry number (from 1) to new, 0 when cut
    for (size_t i = 0; i < index->entries.size(); ++i) {
        const MpfEntry& entry = index->entries[i];
        const uint64_t start = i == 0 ? 0 : index->headerOffset + entry.offset;
        const auto edit = std::find_if(group.begin(), group.end(),
                                       [&](const PreviewEdit* e) { return e->target->mpfEntry == int(i); });
        if (i > 0 && edit != group.end()) {
            if ((*edit)->action == PreviewAction::Remove) {
                planned.push_back({start, entry.size, {}});
                continue;
            }
            std::vector<uint8_t> image = reencodedImage(file.subspan(start, entry.size), (*edit)->jpeg);
            MpfEntry changed = entry;
            changed.size = static_cast<uint32_t>(image.size());
            planned.push_back({start, entry.size, std::move(image)});
            entries.push_back(changed);
        } else {
            entries.push_back(entry);
        }
        keep.push_back(i);
        starts.push_back(start);
        newNumber[i + 1] = static_cast<int>(entries.size());
    }
    // The segment's new size does not depend on the numbers in it: write it once to learn it.
    const auto sized = rewriteMpfSegment(file, *app2, entries, keep);
    if (!sized) {
        for (const PreviewEdit* edit : group) {
            out.refused.push_back(describeCopy(edit->target->copy) + ": the MPF index cannot be written again");
        }
        return;
    }
    planned.push_back({app2->offset, app2->length, *sized});
    sortSplices(planned);
    SplicePlan probe{file.size(), planned};
    std::string why;
    // Every place the index names must survive the other edits, or its new offset means nothing.
    const auto replaced = [&](uint64_t at) {
        return at > file.size() || std::any_of(planned.begin(), planned.end(), [&](const Splice& s) {
                   return s.length > 0 && at > s.offset && at < s.end();
               });
    };
    if (planIsValid(probe, why) &&
        (replaced(index->entries[0].size) || std::any_of(starts.begin(), starts.end(), replaced))) {
        why = "the MPF index names a place that another edit replaces";
    }
    if (!why.empty()) {
        for (const PreviewEdit* edit : group) out.refused.push_back(describeCopy(edit->target->copy) + ": " + why);
        return;
    }
    const uint64_t newHeader = newOffsetOf(probe, app2->offset) + (index->headerOffset - app2->offset);
    for (size_t k = 0; k < entries.size(); ++k) {
        MpfEntry& entry = entries[k];
        if (k == 0) {
            entry.size = static_cast<uint32_t>(newOffsetOf(probe, index->entries[0].size));
        } else {
            entry.offset = static_cast<uint32_t>(newOffsetOf(probe, starts[k]) - newHeader);
        }
        entry.dependent1 =
            static_cast<uint16_t>(entry.dependent1 <= index->entries.size() ? newNumber[entry.dependent1] : 0);
        entry.dependent2 =
            static_cast<uint16_t>(entry.dependent2 <= index->entries.size() ? newNumber[entry.dependent2] : 0);
    }
    const auto written = rewriteMpfSegment(file, *app2, entries, keep);
    for (Splice& splice : planned) {
        // The index's own splice: an insertion in front of the segment (a new Exif block) is another one.
        if (splice.offset == app2->offset && splice.length == app2->length) splice.bytes = *written;
    }
    splices = std::move(planned);
    for (const PreviewEdit* edit : group) {
        out.done.push_back(describeCopy(edit->target->copy) +
                           (edit->action == PreviewAction::Remove ? " removed" : " rebuilt"));
    }
}

}  // namespace lumivex::previews
