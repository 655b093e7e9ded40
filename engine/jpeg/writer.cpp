#include "engine/jpeg/writer.h"

#include <cstdint>
#include <cstdio>

#include "engine/diag/diag.h"
#include "engine/exif/byte_order.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"

namespace lumivex {

namespace {

// APP0 "JFIF" 1.01 with no JFIF thumbnail; units and densities are filled in before every write.
thread_local uint8_t jfifHeaderTemplate[18] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                  0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};

void fillJfifHeader() {
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
    jfifHeaderTemplate[11] = static_cast<uint8_t>(units);
    jfifHeaderTemplate[12] = static_cast<uint8_t>(xDensity >> 8);
    jfifHeaderTemplate[13] = static_cast<uint8_t>(xDensity);
    jfifHeaderTemplate[14] = static_cast<uint8_t>(yDensity >> 8);
    jfifHeaderTemplate[15] = static_cast<uint8_t>(yDensity);
}

bool writeBytes(std::FILE* out, const void* bytes, size_t n) { return n == 0 || std::fwrite(bytes, 1, n, out) == n; }

// Copies the image data left in its file (LoadImageLater) in chunks; false when that file no longer holds
// exactly the bytes that were there at the read.
bool copyImageData(std::FILE* out, size_t n) {
    std::FILE* in = std::fopen(sectionList.imageDataSource.c_str(), "rb");
    if (in == nullptr) return false;
    const long start = static_cast<long>(sectionList.imageDataOffset);
    bool ok = std::fseek(in, 0, SEEK_END) == 0 && std::ftell(in) == start + static_cast<long>(n) &&
              std::fseek(in, start, SEEK_SET) == 0;
    static thread_local uint8_t chunk[1 << 20];
    for (size_t left = n; ok && left > 0;) {
        const size_t want = left < sizeof chunk ? left : sizeof chunk;
        ok = std::fread(chunk, 1, want, in) == want && writeBytes(out, chunk, want);
        left -= want;
    }
    std::fclose(in);
    return ok;
}

}  // namespace

bool saveJpegFile(const char* path) {
    if (sectionList.imageDataRead == 0) failFatal("Can't write back - didn't read all");
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) failFatal("Could not open file for write");

    static const uint8_t kSoi[2] = {0xFF, 0xD8};
    bool ok = writeBytes(out, kSoi, 2);
    const int32_t count = sectionList.count;
    if (count > 0 && sectionList.sections[0].marker != kMarkerApp0 && sectionList.sections[0].marker != kMarkerApp1) {
        fillJfifHeader();
        ok = ok && writeBytes(out, jfifHeaderTemplate, sizeof jfifHeaderTemplate);
    }
    for (int32_t i = 0; i + 1 < count && ok; ++i) {
        const JpegSection& section = sectionList.sections[i];
        const uint8_t marker[2] = {0xFF, static_cast<uint8_t>(section.marker)};
        ok = writeBytes(out, marker, 2) && writeBytes(out, section.data.get(), static_cast<size_t>(section.size));
    }
    if (count > 0 && ok) {
        const JpegSection& last = sectionList.sections[count - 1];
        if (last.marker == PseudoMarkerImageData && sectionList.imageDataOffset >= 0) {
            ok = copyImageData(out, static_cast<size_t>(last.size));
        } else {
            ok = writeBytes(out, last.data.get(), static_cast<size_t>(last.size));
        }
    }
    ok = (std::fclose(out) == 0) && ok;
    return ok;
}

}  // namespace lumivex
