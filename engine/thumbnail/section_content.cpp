#include "engine/thumbnail/section_content.h"

#include <cstdio>
#include <memory>

#include "engine/jpeg/writer.h"
#include "engine/platform/file_services.h"

namespace lumivex {

namespace {

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

}  // namespace

bool writeSectionListContent(const PhotoRecords& records, const PhotoFile& photo, platform::OpenFile& temp,
                             uint64_t& newSize, std::string& why) {
    const SectionList& sectionList = records.sectionList;
    Stream out(platform::streamOf(temp, "wb"));
    Stream in(platform::streamOf(photo.file, "rb"));
    if (!out || !in) {
        why = "Could not write the new file";
        return false;
    }
    // Where the image data stays where it was or moves by whole blocks, a clone of the photo shares its blocks
    // and only the header is written over the clone's beginning. Elsewhere (or where the file system refuses to
    // clone) the whole file is written.
    const uint64_t header = jpegHeaderSize(records);
    const uint64_t dataAt = static_cast<uint64_t>(sectionList.imageDataOffset);
    const uint64_t shift = header - dataAt;
    const bool cloned = sectionList.imageDataOffset >= 0 && header >= dataAt && shift % kCloneBlockBytes == 0 &&
                        platform::cloneFile(photo.file, temp, shift);
    bool ok = cloned ? writeJpegHeader(records, out.get()) && std::fflush(out.get()) == 0 &&
                           std::fseek(out.get(), 0, SEEK_END) == 0
                     : writeJpeg(records, out.get(), in.get());
    const long size = ok ? std::ftell(out.get()) : -1;
    if (cloned && static_cast<uint64_t>(size) != static_cast<uint64_t>(photo.status.size) + shift) ok = false;
    ok = std::fclose(out.release()) == 0 && ok;
    if (!ok || size < 0) {
        why = "Could not write the new file whole (disk full, or the photo changed while it was edited)";
        return false;
    }
    newSize = static_cast<uint64_t>(size);
    return true;
}

}  // namespace lumivex
