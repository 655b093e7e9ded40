// JPEG images appended after the main image's end that no MPF index names: some cameras put a preview there.
#include <cstring>

#include "engine/previews/finders.h"

namespace lumivex::previews {

namespace {

// The end of the copy found already (an MPF image, a maker-note preview put after the image) that holds at, or
// at itself when none does.
uint64_t pastNamedCopies(const PreviewScan& scan, uint64_t at) {
    for (bool moved = true; moved;) {
        moved = false;
        for (const FoundPreview& f : scan.found) {
            if (f.copy.kind != PreviewKind::Trailer && f.copy.offset <= at && at - f.copy.offset < f.copy.length) {
                at = f.copy.offset + f.copy.length;
                moved = true;
            }
        }
    }
    return at;
}

}  // namespace

std::optional<uint64_t> firstTrailingImage(Bytes tail, uint64_t base, const PreviewScan& scan) {
    // A start of image right after an end of image (zeros between allowed): entropy-coded data holds neither.
    for (uint64_t i = 0; i + 3 <= tail.size(); ++i) {
        const void* hit = std::memchr(tail.data() + i, 0xFF, static_cast<size_t>(tail.size() - i));
        if (hit == nullptr) break;
        i = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - tail.data());
        if (!startsWith(tail, i, "\xFF\xD8\xFF") || pastNamedCopies(scan, base + i) != base + i) continue;
        uint64_t j = i;
        while (j > 0 && tail[j - 1] == 0) --j;
        if (j >= 2 && startsWith(tail, j - 2, "\xFF\xD9")) return base + i;
    }
    return std::nullopt;
}

void findTrailingImages(Bytes tail, uint64_t base, uint64_t from, PreviewScan& scan) {
    uint64_t at = from;
    while (at >= base && at - base < tail.size()) {
        const uint64_t past = pastNamedCopies(scan, at);
        if (past != at) {
            at = past;
            continue;
        }
        const uint64_t rel = at - base;
        if (!startsWith(tail, rel, "\xFF\xD8\xFF")) {
            ++at;  // padding between images
            continue;
        }
        const Bytes image = tail.subspan(rel);
        SegmentMap map;
        std::string why;
        const std::optional<uint64_t> end = walkSegments(image, image.size(), map, why) == WalkStatus::Complete
                                                ? mainImageEnd(image, map)
                                                : std::nullopt;
        if (!end) {
            scan.problems.push_back("bytes after the image at offset " + std::to_string(at) +
                                    " start a JPEG image that does not end within the file");
            return;
        }
        FoundPreview found;
        found.copy.kind = PreviewKind::Trailer;
        found.copy.format = "jpeg";
        found.copy.offset = found.holderOffset = at;
        found.copy.length = found.holderLength = *end;
        found.copy.note = "JPEG image after the end of the image";
        jpegPixelSize(image.subspan(0, *end), found.copy.width, found.copy.height);
        scan.found.push_back(found);
        at += *end;
    }
}

}  // namespace lumivex::previews
