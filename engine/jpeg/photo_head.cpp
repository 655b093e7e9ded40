#include "lumivex/photo_head.h"

#include <algorithm>

namespace lumivex {

bool readPhotoHead(const platform::OpenFile& file, uint64_t fileSize, PhotoHead& head, std::string& why) {
    head.bytes.clear();
    // Most heads fit in the first 64 KiB; a larger one is read on in doubling steps up to the walker's limit.
    const uint64_t limit = kMaxHeadBytes + kMaxFillBytes;
    uint64_t want = uint64_t{64} * 1024;
    for (;;) {
        const uint64_t target = std::min({want, fileSize, limit});
        const size_t had = head.bytes.size();
        head.bytes.resize(static_cast<size_t>(target));
        // Read by position, with no stream of its own: a batch reads thousands of heads.
        const size_t wanted = head.bytes.size() - had;
        const size_t got = platform::readAt(file, had, head.bytes.data() + had, wanted) ? wanted : 0;
        head.bytes.resize(had + got);
        const WalkStatus status = walkSegments(head.bytes, fileSize, head.map, why);
        if (status == WalkStatus::Complete) {
            head.bytes.resize(static_cast<size_t>(head.map.imageDataOffset));
            return true;
        }
        if (status == WalkStatus::NotJpeg) why = "not a JPEG file";
        if (status == WalkStatus::NoImage) why = "no image data";
        if (status == WalkStatus::NeedMore && (got < target - had || target == fileSize || target == limit)) {
            why = "the file ends before its image data";
            return false;
        }
        if (status != WalkStatus::NeedMore) return false;
        want *= 2;
    }
}

}  // namespace lumivex
