#include "lumivex/photo_head.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace lumivex {

namespace {

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool readPhotoHead(const platform::OpenFile& file, uint64_t fileSize, PhotoHead& head, std::string& why) {
    std::unique_ptr<std::FILE, StreamCloser> in(platform::streamOf(file, "rb"));
    if (!in || std::fseek(in.get(), 0, SEEK_SET) != 0) {
        why = "could not read the photo";
        return false;
    }
    head.bytes.clear();
    // Most heads fit in the first 64 KiB; a larger one is read on in doubling steps up to the walker's limit.
    const uint64_t limit = kMaxHeadBytes + kMaxFillBytes;
    uint64_t want = uint64_t{64} * 1024;
    for (;;) {
        const uint64_t target = std::min({want, fileSize, limit});
        const size_t had = head.bytes.size();
        head.bytes.resize(static_cast<size_t>(target));
        const size_t got = std::fread(head.bytes.data() + had, 1, head.bytes.size() - had, in.get());
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
