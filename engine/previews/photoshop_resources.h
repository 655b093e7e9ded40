// The image resources of an APP13 "Photoshop 3.0" segment, and the thumbnail resource written anew.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/previews/bytes_in.h"

namespace lumivex::previews {

constexpr uint64_t kThumbnailHeaderBytes = 28;  // format, width, height, row bytes, sizes, bits, planes

struct PhotoshopResource {
    uint16_t id = 0;
    uint64_t start = 0;  // in the payload: its signature
    uint64_t dataStart = 0;
    uint64_t dataLength = 0;
    uint64_t end = 0;  // after its data and the pad byte that keeps resources at even offsets
};

// The resources of a segment's payload, in order; a resource reaching past the payload ends the list.
std::vector<PhotoshopResource> readPhotoshopResources(Bytes payload);

// A thumbnail resource (header and JPEG) with the same signature, id and name as the old one.
std::vector<uint8_t> thumbnailResource(Bytes payload, const PhotoshopResource& old, Bytes jpeg, int width, int height);

}  // namespace lumivex::previews
