// The base64 thumbnails of an XMP packet (xmp:Thumbnails), found as text ranges of the APP1 payload.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/previews/bytes_in.h"

namespace lumivex::previews {

constexpr std::string_view kXmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);

struct XmpThumbnail {
    uint64_t textStart = 0, textEnd = 0;      // the base64 text, in the payload
    uint64_t holderStart = 0, holderEnd = 0;  // the whole xmp:Thumbnails element (or the text when none)
    int width = 0, height = 0;                // from xmpGImg:width/height; 0 when not given
    uint64_t widthStart = 0, widthEnd = 0;    // their digits, when given
    uint64_t heightStart = 0, heightEnd = 0;
};

std::vector<XmpThumbnail> findXmpThumbnailTexts(Bytes payload);

// The payload's white-space padding before "<?xpacket end", which an edit may take room from.
uint64_t xmpPadding(Bytes payload, uint64_t& paddingStart);

}  // namespace lumivex::previews
