#include "engine/jpeg/writer.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/diag/diag.h"
#include "engine/exif/byte_order.h"
#include "engine/platform/file_services.h"

namespace lumivex {

namespace {

// APP0 "JFIF" 1.01 with no JFIF thumbnail; units and densities come from the photo.
constexpr uint8_t kJfifHeaderTemplate[18] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                             0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};

struct JfifHeader {
    uint8_t bytes[sizeof kJfifHeaderTemplate];
};

JfifHeader jfifHeaderForPhoto(const PhotoInfo& photoInfo) {
    int32_t units;
    int32_t xDensity;
    int32_t yDensity;
    if (photoInfo.resolutionUnit == 2 || photoInfo.resolutionUnit == 3) {
        units = photoInfo.resolutionUnit - 1;
        xDensity = static_cast<int32_t>(static_cast<uint32_t>(doubleToInt32(photoInfo.xResolution)));
        yDensity = static_cast<int32_t>(static_cast<uint32_t>(doubleToInt32(photoInfo.yResolution)));
    } else {
        units = photoInfo.jfifUnits;
        xDensity = photoInfo.jfifXDensity;
        yDensity = photoInfo.jfifYDensity;
    }
    JfifHeader header{};
    std::memcpy(header.bytes, kJfifHeaderTemplate, sizeof header.bytes);
    header.bytes[11] = static_cast<uint8_t>(units);
    header.bytes[12] = static_cast<uint8_t>(xDensity >> 8);
    header.bytes[13] = static_cast<uint8_t>(xDensity);
    header.bytes[14] = static_cast<uint8_t>(yDensity >> 8);
    header.bytes[15] = static_cast<uint8_t>(yDensity);
    return header;
}

bool writeBytes(std::FILE* out, const void* bytes, size_t n) { return n == 0 || std::fwrite(bytes, 1, n, out) == n; }

// Copies the image data left in its file (LoadImageLater); false when that file no longer holds exactly the
// bytes that were there at the read (it grew or shrank meanwhile).
bool copyImageData(const SectionList& sectionList, std::FILE* out, std::FILE* in, uint64_t n) {
    if (in == nullptr) return false;
    const int64_t start = sectionList.imageDataOffset;
    if (std::fseek(in, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(in);
    if (end < 0 || static_cast<uint64_t>(end) != static_cast<uint64_t>(start) + n) return false;
    return platform::copyRange(in, start, out, n);
}

}  // namespace

namespace {

bool needsJfifHeader(const SectionList& sectionList) {
    return sectionList.count > 0 && sectionList.sections[0].marker != kMarkerApp0 &&
           sectionList.sections[0].marker != kMarkerApp1;
}

}  // namespace

uint64_t jpegHeaderSize(const PhotoRecords& records) {
    const SectionList& sectionList = records.sectionList;
    uint64_t size = 2 + (needsJfifHeader(sectionList) ? sizeof kJfifHeaderTemplate : 0);
    for (int32_t i = 0; i + 1 < sectionList.count; ++i) size += 2 + static_cast<uint64_t>(sectionList.sections[i].size);
    return size;
}

bool writeJpegHeader(const PhotoRecords& records, std::FILE* out) {
    const SectionList& sectionList = records.sectionList;
    static const uint8_t kSoi[2] = {0xFF, 0xD8};
    bool ok = writeBytes(out, kSoi, 2);
    if (needsJfifHeader(sectionList)) {
        const JfifHeader jfif = jfifHeaderForPhoto(records.photoInfo);
        ok = ok && writeBytes(out, jfif.bytes, sizeof jfif.bytes);
    }
    for (int32_t i = 0; i + 1 < sectionList.count && ok; ++i) {
        const JpegSection& section = sectionList.sections[i];
        const uint8_t marker[2] = {0xFF, static_cast<uint8_t>(section.marker)};
        ok = writeBytes(out, marker, 2) && writeBytes(out, section.data.get(), static_cast<size_t>(section.size));
    }
    return ok;
}

bool writeJpeg(const PhotoRecords& records, std::FILE* out, std::FILE* imageSource) {
    const SectionList& sectionList = records.sectionList;
    if (sectionList.imageDataRead == 0) failFatal("Can't write back - didn't read all");
    bool ok = writeJpegHeader(records, out);
    const int32_t count = sectionList.count;
    if (count > 0 && ok) {
        const JpegSection& last = sectionList.sections[count - 1];
        if (last.marker == PseudoMarkerImageData && sectionList.imageDataOffset >= 0) {
            ok = copyImageData(sectionList, out, imageSource, static_cast<uint64_t>(last.size));
        } else {
            ok = writeBytes(out, last.data.get(), static_cast<size_t>(last.size));
        }
    }
    return std::fflush(out) == 0 && ok;
}

bool saveJpegFile(const PhotoRecords& records, const char* path) {
    const SectionList& sectionList = records.sectionList;
    if (sectionList.imageDataRead == 0) failFatal("Can't write back - didn't read all");
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) failFatal("Could not open file for write");
    std::FILE* in = sectionList.imageDataOffset >= 0 ? std::fopen(sectionList.imageDataSource.c_str(), "rb") : nullptr;
    bool ok = writeJpeg(records, out, in);
    if (in != nullptr) std::fclose(in);
    ok = (std::fclose(out) == 0) && ok;
    return ok;
}

}  // namespace lumivex
