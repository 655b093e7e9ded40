#include "lumivex/photo_head.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>

namespace lumivex {

bool readPhotoHead(const platform::OpenFile& file, uint64_t fileSize, PhotoHead& head, std::string& why) {
    head.bytes.clear();
    // Most heads fit in the first 16 KiB, nearly all in 64 KiB; a larger one is read on in doubling steps up to
    // the walker's limit. The buffer is not cleared first: only what was read is ever looked at.
    const uint64_t limit = kMaxHeadBytes + kMaxFillBytes;
    std::unique_ptr<uint8_t[]> buffer;
    uint64_t had = 0;
    for (uint64_t want = uint64_t{16} * 1024;; want = std::max(want * 2, uint64_t{64} * 1024)) {
        const uint64_t target = std::min({want, fileSize, limit});
        std::unique_ptr<uint8_t[]> larger(new uint8_t[static_cast<size_t>(target)]);
        if (had > 0) std::memcpy(larger.get(), buffer.get(), static_cast<size_t>(had));
        buffer = std::move(larger);
        // Read by position, with no stream of its own: a batch reads thousands of heads.
        const uint64_t wanted = target - had;
        const bool got = platform::readAt(file, had, buffer.get() + had, wanted);
        if (got) had = target;
        const std::span<const uint8_t> bytes(buffer.get(), static_cast<size_t>(had));
        const WalkStatus status = walkSegments(bytes, fileSize, head.map, why);
        if (status == WalkStatus::Complete) {
            head.bytes.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(head.map.imageDataOffset));
            return true;
        }
        if (status == WalkStatus::NotJpeg) why = "not a JPEG file";
        if (status == WalkStatus::NoImage) why = "no image data";
        if (status == WalkStatus::NeedMore && (!got || target == fileSize || target == limit)) {
            why = "the file ends before its image data";
            return false;
        }
        if (status != WalkStatus::NeedMore) return false;
    }
}

}  // namespace lumivex
