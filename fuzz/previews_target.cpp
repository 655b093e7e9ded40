// The preview finders and plans on arbitrary bytes: every copy found lies where the bytes can be read, and
// removing or rebuilding every copy gives a plan that applies to the file.
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "lumivex/previews.h"

using namespace lumivex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    SegmentMap map;
    std::string why;
    walkSegments(file, size, map, why);
    const previews::PreviewScan scan = previews::findPreviews(file, map);
    // A small JPEG for every rebuild: SOI, a frame of 1x1, EOI.
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 1, 0, 1, 1, 1, 0x11, 0, 0xFF, 0xD9};
    for (const previews::PreviewAction action : {previews::PreviewAction::Remove, previews::PreviewAction::Rebuild}) {
        std::vector<previews::PreviewEdit> edits;
        for (const previews::FoundPreview& found : scan.found) {
            std::string bytesWhy;
            const std::vector<uint8_t> bytes = previews::previewBytes(file, found, bytesWhy);
            if (bytes.size() > size) fuzz::failInvariant("a copy larger than its file");
            edits.push_back({&found, action, jpeg,
                             std::vector<uint8_t>(size_t(found.copy.width) * size_t(found.copy.height) * 3 % 4096, 0)});
        }
        const previews::PlannedEdits planned = previews::planPreviewEdits(file, map, edits);
        std::vector<uint8_t> out;
        if (!applyPlan(file, planned.plan, out)) fuzz::failInvariant("a plan that does not apply to its file");
    }
    return 0;
}
