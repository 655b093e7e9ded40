#include "engine/previews/photoshop_resources.h"

#include <string_view>

namespace lumivex::previews {

namespace {

constexpr std::string_view kPhotoshopSignature("Photoshop 3.0\0", 14);

bool isResourceSignature(Bytes payload, uint64_t at) {
    return startsWith(payload, at, "8BIM") || startsWith(payload, at, "MeSa") || startsWith(payload, at, "PHUT") ||
           startsWith(payload, at, "AgHg") || startsWith(payload, at, "DCSR");
}

}  // namespace

std::vector<PhotoshopResource> readPhotoshopResources(Bytes payload) {
    std::vector<PhotoshopResource> resources;
    if (!startsWith(payload, 0, kPhotoshopSignature)) return resources;
    uint64_t at = kPhotoshopSignature.size();
    while (fits(at, 12, payload.size()) && isResourceSignature(payload, at)) {
        PhotoshopResource resource;
        resource.start = at;
        resource.id = static_cast<uint16_t>(be16(payload, at + 4));
        const uint64_t nameBytes = (1 + uint64_t{payload[at + 6]} + 1) & ~uint64_t{1};  // Pascal, even
        const uint64_t sizeAt = at + 6 + nameBytes;
        if (!fits(sizeAt, 4, payload.size())) break;
        resource.dataStart = sizeAt + 4;
        resource.dataLength = be32(payload, sizeAt);
        if (!fits(resource.dataStart, resource.dataLength, payload.size())) break;
        resource.end =
            std::min<uint64_t>(resource.dataStart + ((resource.dataLength + 1) & ~uint64_t{1}), payload.size());
        resources.push_back(resource);
        at = resource.end;
    }
    return resources;
}

std::vector<uint8_t> thumbnailResource(Bytes payload, const PhotoshopResource& old, Bytes jpeg, int width, int height) {
    std::vector<uint8_t> out(payload.begin() + static_cast<std::ptrdiff_t>(old.start),
                             payload.begin() + static_cast<std::ptrdiff_t>(old.dataStart));
    const uint64_t dataLength = kThumbnailHeaderBytes + jpeg.size();
    const size_t header = out.size();
    out.resize(header + kThumbnailHeaderBytes);
    putBe32(&out[header - 4], static_cast<uint32_t>(dataLength));
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 24 + 31) / 32 * 4;
    uint8_t* h = &out[header];
    putBe32(h, 1);  // JPEG RGB
    putBe32(h + 4, static_cast<uint32_t>(width));
    putBe32(h + 8, static_cast<uint32_t>(height));
    putBe32(h + 12, rowBytes);
    putBe32(h + 16, rowBytes * static_cast<uint32_t>(height));
    putBe32(h + 20, static_cast<uint32_t>(jpeg.size()));
    putBe16(h + 24, 24);
    putBe16(h + 26, 1);
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    if (out.size() % 2 != 0) out.push_back(0);
    return out;
}

}  // namespace lumivex::previews
