// The copies that sit in a segment of their own: Photoshop resources, XMP, JFXX, FlashPix.
#include <algorithm>
#include <string>

#include "engine/previews/finders.h"
#include "engine/previews/photoshop_resources.h"
#include "engine/previews/xmp_thumbnails.h"

namespace lumivex::previews {

void findPhotoshopThumbnails(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    for (const SegmentEntry& segment : map.segments) {
        if (segment.marker != 0xED) continue;
        const Bytes payload = payloadOf(file, segment);
        for (const PhotoshopResource& resource : readPhotoshopResources(payload)) {
            if (resource.id != 0x040C && resource.id != 0x0409) continue;
            FoundPreview found;
            found.copy.kind = PreviewKind::Photoshop;
            found.copy.format = resource.id == 0x0409 ? "bgr" : "jpeg";
            found.copy.note = resource.id == 0x0409 ? "Photoshop thumbnail (BGR)" : "Photoshop thumbnail";
            found.segmentOffset = segment.offset;
            found.holderOffset = segment.payloadOffset() + resource.start;
            found.holderLength = resource.end - resource.start;
            if (resource.dataLength < kThumbnailHeaderBytes) {
                found.notEditable = "its resource is too short to hold a thumbnail";
                continue;
            }
            found.copy.offset = segment.payloadOffset() + resource.dataStart + kThumbnailHeaderBytes;
            found.copy.length = resource.dataLength - kThumbnailHeaderBytes;
            // The JPEG's own frame says its size; the resource's header is believed only where it does not.
            if (!jpegPixelSize(file.subspan(found.copy.offset, found.copy.length), found.copy.width,
                               found.copy.height)) {
                found.copy.width = static_cast<int>(std::min<uint32_t>(be32(payload, resource.dataStart + 4), 65535));
                found.copy.height = static_cast<int>(std::min<uint32_t>(be32(payload, resource.dataStart + 8), 65535));
            }
            scan.found.push_back(found);
        }
    }
}

void findXmpThumbnails(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    for (const SegmentEntry& segment : map.segments) {
        if (segment.marker != 0xE1) continue;
        const Bytes payload = payloadOf(file, segment);
        if (!startsWith(payload, 0, kXmpSignature)) continue;
        for (const XmpThumbnail& thumb : findXmpThumbnailTexts(payload)) {
            FoundPreview found;
            found.copy.kind = PreviewKind::Xmp;
            found.copy.format = "jpeg";
            found.copy.note = "XMP thumbnail (base64)";
            found.segmentOffset = segment.offset;
            found.copy.offset = segment.payloadOffset() + thumb.textStart;
            found.copy.length = thumb.textEnd - thumb.textStart;
            found.holderOffset = segment.payloadOffset() + thumb.holderStart;
            found.holderLength = thumb.holderEnd - thumb.holderStart;
            found.copy.width = thumb.width;
            found.copy.height = thumb.height;
            if (thumb.holderStart == thumb.textStart) found.notEditable = "no xmp:Thumbnails element around it";
            scan.found.push_back(found);
        }
    }
}

void findJfxxThumbnails(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    for (const SegmentEntry& segment : map.segments) {
        if (segment.marker != 0xE0) continue;
        const Bytes payload = payloadOf(file, segment);
        if (!startsWith(payload, 0, std::string_view("JFXX\0", 5)) || payload.size() < 6) continue;
        FoundPreview found;
        found.copy.kind = PreviewKind::Jfxx;
        found.segmentOffset = segment.offset;
        found.holderOffset = segment.offset;
        found.holderLength = segment.length;
        const uint8_t code = payload[5];
        const uint64_t w = payload.size() > 7 ? payload[6] : 0;
        const uint64_t h = payload.size() > 7 ? payload[7] : 0;
        if (code == 0x10) {
            found.copy.format = "jpeg";
            found.copy.offset = segment.payloadOffset() + 6;
            found.copy.length = payload.size() - 6;
            jpegPixelSize(payload.subspan(6), found.copy.width, found.copy.height);
        } else if ((code == 0x11 || code == 0x13) && payload.size() >= 8) {
            const uint64_t header = code == 0x11 ? 8 + 768 : 8;
            const uint64_t pixels = w * h * (code == 0x11 ? 1 : 3);
            if (!fits(header, pixels, payload.size())) {
                scan.problems.push_back("a JFXX thumbnail is shorter than its size says");
                continue;
            }
            found.copy.format = code == 0x11 ? "palette" : "rgb";
            found.copy.offset = segment.payloadOffset() + 6;
            found.copy.length = header - 6 + pixels;
            found.copy.width = static_cast<int>(w);
            found.copy.height = static_cast<int>(h);
        } else {
            continue;
        }
        found.copy.note = "JFIF extension thumbnail";
        scan.found.push_back(found);
    }
}

void findFlashPix(Bytes file, const SegmentMap& map, PreviewScan& scan) {
    FoundPreview found;
    found.copy.kind = PreviewKind::FlashPix;
    found.copy.format = "flashpix";
    found.copy.role = PreviewRole::Other;
    found.copy.note = "FlashPix streams (reported, not decoded)";
    found.notEditable = "FlashPix streams are reported, never edited";
    for (const SegmentEntry& segment : map.segments) {
        if (segment.marker != 0xE2 || !startsWith(payloadOf(file, segment), 0, std::string_view("FPXR\0", 5))) continue;
        if (found.copy.length == 0) found.copy.offset = found.holderOffset = segment.offset;
        found.copy.length += segment.length;
        found.holderLength = found.copy.length;
    }
    if (found.copy.length > 0) scan.found.push_back(found);
}

}  // namespace lumivex::previews
