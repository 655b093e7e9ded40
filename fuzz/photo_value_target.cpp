// The photo value on arbitrary bytes: read, plan the tool's replace and delete, apply the plans in memory and
// read the result again.
#include <vector>

#include "fuzz/fuzz_support.h"
#include "lumivex/photo.h"

using namespace lumivex;

namespace {

// The smallest thumbnail the edits take: SOI, one quantisation table, EOI.
std::vector<uint8_t> smallThumbnail() {
    std::vector<uint8_t> bytes{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    bytes.resize(bytes.size() + 64, 1);
    bytes.push_back(0xFF);
    bytes.push_back(0xD9);
    return bytes;
}

void checkApplied(const std::vector<uint8_t>& file, const Photo& photo, const EditPlan& plan) {
    if (plan.outcome != EditPlan::Outcome::Planned) return;
    std::string why;
    if (!planIsValid(plan.splices, why)) fuzz::failInvariant("a planned edit is not a valid plan");
    std::vector<uint8_t> out;
    if (!applyPlan(file, plan.splices, out)) fuzz::failInvariant("a planned edit does not apply");
    // Only the Exif segment changed, so the image data starts at a new offset but holds the same bytes.
    Photo after;
    if (!readPhoto(out, photo.name, after, why)) fuzz::failInvariant("an edited photo no longer reads");
    const uint64_t tail = file.size() - photo.segments.imageDataOffset;
    if (out.size() - after.segments.imageDataOffset != tail) fuzz::failInvariant("the image data changed size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::prepareEngine();
    const std::vector<uint8_t> file(data, data + size);
    Photo photo;
    std::string why;
    if (!readPhoto(file, "fuzz.jpg", photo, why)) return 0;
    if (photo.head.size() != photo.segments.imageDataOffset) fuzz::failInvariant("head and map disagree");
    for (const PreviewCopy& copy : photo.previews) {
        if (copy.offset > size || copy.length > size - copy.offset) fuzz::failInvariant("a copy lies outside");
    }
    static const std::vector<uint8_t> thumbnail = smallThumbnail();
    checkApplied(file, photo, planReplace(photo, thumbnail));
    checkApplied(file, photo, planDelete(photo));
    return 0;
}
