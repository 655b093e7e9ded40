// Edits of the copies that sit in a segment of their own: the segment is written again whole.
#include <algorithm>
#include <map>

#include "engine/previews/finders.h"
#include "engine/previews/photoshop_resources.h"
#include "engine/previews/plan_edits.h"
#include "engine/previews/xmp_thumbnails.h"

namespace lumivex::previews {

namespace {

const char* doneText(const PreviewEdit& edit) { return edit.action == PreviewAction::Remove ? "removed" : "rebuilt"; }

std::map<uint64_t, std::vector<const PreviewEdit*>> bySegment(const std::vector<const PreviewEdit*>& edits) {
    std::map<uint64_t, std::vector<const PreviewEdit*>> grouped;
    for (const PreviewEdit* edit : edits) grouped[edit->target->segmentOffset].push_back(edit);
    return grouped;
}

const SegmentEntry* segmentAt(const SegmentMap& map, uint64_t offset) {
    for (const SegmentEntry& segment : map.segments) {
        if (segment.offset == offset) return &segment;
    }
    return nullptr;
}

void refuseAll(const std::vector<const PreviewEdit*>& edits, const std::string& why, PlannedEdits& out) {
    for (const PreviewEdit* edit : edits) out.refused.push_back(describeCopy(edit->target->copy) + ": " + why);
}

void accept(const std::vector<const PreviewEdit*>& edits, PlannedEdits& out) {
    for (const PreviewEdit* edit : edits) out.done.push_back(describeCopy(edit->target->copy) + " " + doneText(*edit));
}

struct TextEdit {
    uint64_t start, end;
    std::string text;
};

}  // namespace

void planPhotoshop(Bytes file, const SegmentMap& map, const std::vector<PreviewEdit>& edits,
                   std::vector<Splice>& splices, PlannedEdits& out) {
    for (const auto& [offset, group] : bySegment(editsOf(edits, PreviewKind::Photoshop))) {
        const SegmentEntry* segment = segmentAt(map, offset);
        const Bytes payload = segment != nullptr ? payloadOf(file, *segment) : Bytes{};
        const std::vector<PhotoshopResource> resources = readPhotoshopResources(payload);
        if (resources.empty()) {
            refuseAll(group, "its segment cannot be read again", out);
            continue;
        }
        std::vector<uint8_t> next(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(resources[0].start));
        for (const PhotoshopResource& resource : resources) {
            const uint64_t at = segment->payloadOffset() + resource.start;
            const auto edit = std::find_if(group.begin(), group.end(),
                                           [&](const PreviewEdit* e) { return e->target->holderOffset == at; });
            if (edit == group.end()) {
                next.insert(next.end(), payload.begin() + static_cast<std::ptrdiff_t>(resource.start),
                            payload.begin() + static_cast<std::ptrdiff_t>(resource.end));
            } else if ((*edit)->action == PreviewAction::Rebuild) {
                int width = 0, height = 0;
                jpegPixelSize((*edit)->jpeg, width, height);
                const std::vector<uint8_t> made = thumbnailResource(payload, resource, (*edit)->jpeg, width, height);
                next.insert(next.end(), made.begin(), made.end());
            }
        }
        next.insert(next.end(), payload.begin() + static_cast<std::ptrdiff_t>(resources.back().end), payload.end());
        const auto made = makeSegment(0xED, next);
        if (!made) {
            refuseAll(group, "the new thumbnail does not fit in its segment", out);
            continue;
        }
        splices.push_back({segment->offset, segment->length, *made});
        accept(group, out);
    }
}

void planXmp(Bytes file, const SegmentMap& map, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices,
             PlannedEdits& out) {
    for (const auto& [offset, group] : bySegment(editsOf(edits, PreviewKind::Xmp))) {
        const SegmentEntry* segment = segmentAt(map, offset);
        const Bytes payload = segment != nullptr ? payloadOf(file, *segment) : Bytes{};
        std::vector<TextEdit> changes;
        std::vector<const PreviewEdit*> taken;
        for (const XmpThumbnail& thumb : findXmpThumbnailTexts(payload)) {
            const uint64_t at = segment->payloadOffset() + thumb.textStart;
            const auto edit = std::find_if(group.begin(), group.end(),
                                           [&](const PreviewEdit* e) { return e->target->copy.offset == at; });
            if (edit == group.end()) continue;
            if ((*edit)->action == PreviewAction::Remove) {
                if (thumb.holderStart == thumb.textStart) {
                    refuseAll({*edit}, "no xmp:Thumbnails element around it", out);
                    continue;
                }
                changes.push_back({thumb.holderStart, thumb.holderEnd, ""});
            } else {
                int width = 0, height = 0;
                jpegPixelSize((*edit)->jpeg, width, height);
                if (thumb.widthEnd != 0) changes.push_back({thumb.widthStart, thumb.widthEnd, std::to_string(width)});
                if (thumb.heightEnd != 0) {
                    changes.push_back({thumb.heightStart, thumb.heightEnd, std::to_string(height)});
                }
                changes.push_back({thumb.textStart, thumb.textEnd, encodeBase64((*edit)->jpeg)});
            }
            taken.push_back(*edit);
        }
        if (taken.empty()) continue;
        std::sort(changes.begin(), changes.end(),
                  [](const TextEdit& a, const TextEdit& b) { return a.start < b.start; });
        // Removing a whole element takes any size field inside it with it.
        std::vector<TextEdit> merged;
        for (const TextEdit& change : changes) {
            if (!merged.empty() && change.start < merged.back().end) continue;
            merged.push_back(change);
        }
        int64_t growth = 0;
        for (const TextEdit& change : merged)
            growth += int64_t(change.text.size()) - int64_t(change.end - change.start);
        uint64_t paddingStart = 0;
        const uint64_t padding = xmpPadding(payload, paddingStart);
        const int64_t over = int64_t(payload.size()) + growth - (0xFFFF - 2);
        if (over > 0 && padding > 1 && uint64_t(over) < padding &&
            (merged.empty() || merged.back().end <= paddingStart)) {
            merged.push_back({paddingStart, paddingStart + uint64_t(over), ""});  // the packet's padding gives room
        }
        std::vector<uint8_t> next;
        uint64_t at = 0;
        for (const TextEdit& change : merged) {
            next.insert(next.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
                        payload.begin() + static_cast<std::ptrdiff_t>(change.start));
            next.insert(next.end(), change.text.begin(), change.text.end());
            at = change.end;
        }
        next.insert(next.end(), payload.begin() + static_cast<std::ptrdiff_t>(at), payload.end());
        const auto made = makeSegment(0xE1, next);
        if (!made) {
            refuseAll(taken, "the new thumbnail's base64 text does not fit in the XMP segment", out);
            continue;
        }
        splices.push_back({segment->offset, segment->length, *made});
        accept(taken, out);
    }
}

void planJfxx(Bytes file, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices, PlannedEdits& out) {
    (void)file;
    for (const PreviewEdit* edit : editsOf(edits, PreviewKind::Jfxx)) {
        const FoundPreview& target = *edit->target;
        if (edit->action == PreviewAction::Remove) {
            splices.push_back({target.holderOffset, target.holderLength, {}});
            accept({edit}, out);
            continue;
        }
        std::vector<uint8_t> payload = {'J', 'F', 'X', 'X', 0};
        const std::string& format = target.copy.format;
        const uint64_t pixels = uint64_t(target.copy.width) * uint64_t(target.copy.height);
        if (format == "jpeg") {
            payload.push_back(0x10);
            payload.insert(payload.end(), edit->jpeg.begin(), edit->jpeg.end());
        } else if (edit->raw.size() != pixels * 3) {
            refuseAll({edit}, "no pixels at its size were given", out);
            continue;
        } else if (format == "rgb") {
            payload.insert(payload.end(), {0x13, uint8_t(target.copy.width), uint8_t(target.copy.height)});
            payload.insert(payload.end(), edit->raw.begin(), edit->raw.end());
        } else {
            // A fixed palette of 3 bits red, 3 green, 2 blue: no search, and every copy can be read back.
            payload.insert(payload.end(), {0x11, uint8_t(target.copy.width), uint8_t(target.copy.height)});
            for (int i = 0; i < 256; ++i) {
                payload.insert(payload.end(), {uint8_t((i >> 5) * 255 / 7), uint8_t(((i >> 2) & 7) * 255 / 7),
                                               uint8_t((i & 3) * 255 / 3)});
            }
            for (uint64_t p = 0; p < pixels; ++p) {
                const uint8_t* rgb = &edit->raw[p * 3];
                payload.push_back(uint8_t((rgb[0] & 0xE0) | ((rgb[1] >> 3) & 0x1C) | (rgb[2] >> 6)));
            }
        }
        const auto made = makeSegment(0xE0, payload);
        if (!made) {
            refuseAll({edit}, "the new thumbnail does not fit in a segment", out);
            continue;
        }
        splices.push_back({target.holderOffset, target.holderLength, *made});
        accept({edit}, out);
    }
}

void planMakerNote(Bytes file, const std::vector<PreviewEdit>& edits, std::vector<Splice>& carried,
                   std::vector<Splice>& splices, PlannedEdits& out) {
    for (const PreviewEdit* edit : editsOf(edits, PreviewKind::MakerNote)) {
        const FoundPreview& target = *edit->target;
        const PreviewCopy& copy = target.copy;
        if (!target.notEditable.empty()) {
            refuseAll({edit}, "left alone: " + target.notEditable, out);
            continue;
        }
        if (!fits(copy.offset, copy.length, file.size())) {
            refuseAll({edit}, "left alone: its bytes lie outside the file", out);
            continue;
        }
        if (edit->action == PreviewAction::Rebuild) {
            if (edit->jpeg.size() > copy.length) {
                refuseAll({edit},
                          "left alone: the new preview is " + std::to_string(edit->jpeg.size()) +
                              " bytes and its place holds " + std::to_string(copy.length) +
                              "; maker-note data never moves",
                          out);
                continue;
            }
        }
        std::vector<uint8_t> bytes = edit->jpeg;  // blanked where it lies when removed: nothing else moves
        bytes.resize(copy.length, 0);             // padding after the new image's end
        Splice* holder = nullptr;
        for (Splice& c : carried) {
            if (copy.offset < c.end() && c.offset < copy.offset + copy.length) holder = &c;
        }
        if (holder == nullptr) {
            splices.push_back({copy.offset, copy.length, std::move(bytes)});
        } else {
            // The Exif segment is written anew: the copy is edited inside its new bytes, where it still lies.
            const uint64_t at = copy.offset - std::min(copy.offset, holder->offset);
            const Bytes old = file.subspan(copy.offset, copy.length);
            if (copy.offset < holder->offset || copy.offset + copy.length > holder->end() ||
                !fits(at, copy.length, holder->bytes.size()) ||
                !std::equal(old.begin(), old.end(), holder->bytes.begin() + static_cast<std::ptrdiff_t>(at))) {
                refuseAll({edit}, "left alone: the Exif segment's new bytes no longer hold it where it was", out);
                continue;
            }
            std::copy(bytes.begin(), bytes.end(), holder->bytes.begin() + static_cast<std::ptrdiff_t>(at));
        }
        accept({edit}, out);
    }
}

void planTrailing(Bytes file, const std::vector<PreviewEdit>& edits, std::vector<Splice>& splices, PlannedEdits& out) {
    for (const PreviewEdit* edit : editsOf(edits, PreviewKind::Trailer)) {
        const PreviewCopy& copy = edit->target->copy;
        if (!fits(copy.offset, copy.length, file.size())) {
            refuseAll({edit}, "left alone: its bytes lie outside the file", out);
            continue;
        }
        // Nothing in the file locates it: its bytes are replaced or cut where they lie.
        std::vector<uint8_t> bytes;
        if (edit->action == PreviewAction::Rebuild) bytes = edit->jpeg;
        splices.push_back({copy.offset, copy.length, std::move(bytes)});
        accept({edit}, out);
    }
}

}  // namespace lumivex::previews
