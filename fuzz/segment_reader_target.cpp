// The segment reader on arbitrary bytes, then the writer on whatever list it built.
#include <cstdio>

#include "engine/jpeg/reader.h"
#include "engine/jpeg/writer.h"
#include "fuzz/fuzz_support.h"

using namespace lumivex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::prepareEngine();
    PhotoRecords records;
    const SectionList& sectionList = records.sectionList;
    resetJpegState(records.sectionList);
    clearPhotoInfoForNewFile(records);
    // fmemopen refuses an empty buffer; an empty file is simply not a JPEG.
    if (size == 0) return 0;
    std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (stream == nullptr) return 0;
    int result = 0;
    const bool finished = fuzz::runGuarded([&] { result = readSections(records, stream, LoadAll); });
    std::fclose(stream);
    if (!finished || result == 0) return 0;

    // A full read ends with the image data block, which holds every byte after the SOS header.
    if (sectionList.imageDataRead != 1 || sectionList.count < 2) fuzz::failInvariant("full read without image data");
    const JpegSection& last = sectionList.sections[sectionList.count - 1];
    if (last.marker != PseudoMarkerImageData || last.size < 0 || static_cast<size_t>(last.size) > size) {
        fuzz::failInvariant("image data block out of shape");
    }
    for (int32_t i = 0; i + 1 < sectionList.count; ++i) {
        const JpegSection& section = sectionList.sections[i];
        if (section.size < 2 || ((section.data[0] << 8) | section.data[1]) != section.size) {
            fuzz::failInvariant("segment size differs from its length bytes");
        }
    }
    if (!fuzz::runGuarded([&] { saveJpegFile(records, "/dev/null"); }))
        fuzz::failInvariant("writer failed after a full read");
    return 0;
}
