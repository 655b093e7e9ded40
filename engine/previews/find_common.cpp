#include <cstring>

#include "engine/previews/finders.h"

namespace lumivex::previews {

Bytes payloadOf(Bytes file, const SegmentEntry& segment) {
    if (segment.length < 4 || !fits(segment.offset, segment.length, file.size())) return {};
    return file.subspan(segment.payloadOffset(), segment.payloadLength());
}

std::optional<uint64_t> mainImageEnd(Bytes file, const SegmentMap& map) {
    // In entropy-coded data a 0xFF is followed by 0x00 or a restart marker; the first FF D9 is the EOI.
    const uint64_t from = map.imageDataOffset;
    if (from == 0 || from >= file.size()) return std::nullopt;
    const uint8_t* start = file.data() + from;
    const uint8_t* end = file.data() + file.size();
    for (const uint8_t* p = start; p + 1 < end;) {
        const void* hit = std::memchr(p, 0xFF, static_cast<size_t>(end - p - 1));
        if (hit == nullptr) break;
        p = static_cast<const uint8_t*>(hit);
        if (p[1] == 0xD9) return static_cast<uint64_t>(p + 2 - file.data());
        ++p;
    }
    return std::nullopt;
}

std::optional<TiffView> exifBlock(Bytes file, const SegmentMap& map) {
    const SegmentEntry* app1 = findSegment(map, file, 0xE1, std::string_view("Exif\0\0", 6));
    if (app1 == nullptr) return std::nullopt;
    const Bytes payload = payloadOf(file, *app1);
    if (payload.size() < 6) return std::nullopt;
    return tiffAt(payload.subspan(6), app1->payloadOffset() + 6);
}

bool jpegPixelSize(std::span<const uint8_t> jpeg, int& width, int& height) {
    SegmentMap map;
    std::string why;
    walkSegments(jpeg, jpeg.size(), map, why);
    for (const SegmentEntry& segment : map.segments) {
        const uint8_t m = segment.marker;
        const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (!frame || segment.length < 4 + 5 || !fits(segment.offset, segment.length, jpeg.size())) continue;
        height = static_cast<int>(be16(jpeg, segment.payloadOffset() + 1));
        width = static_cast<int>(be16(jpeg, segment.payloadOffset() + 3));
        return width > 0 && height > 0;
    }
    return false;
}

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

bool decodeBase64(Bytes text, std::vector<uint8_t>& out) {
    out.clear();
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '&') {  // &#xA; or &#10; between lines
            size_t j = i;
            while (j < text.size() && text[j] != ';' && j - i < 8) ++j;
            if (j == text.size() || text[j] != ';') return false;
            i = j;
            continue;
        }
        if (c == '=') break;
        const int v = base64Value(c);
        if (v < 0) return false;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<uint8_t>(bits >> held));
        }
    }
    return true;
}

std::string encodeBase64(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = (uint32_t{bytes[i]} << 16) | (i + 1 < bytes.size() ? uint32_t{bytes[i + 1]} << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        text += kAlphabet[(n >> 18) & 63];
        text += kAlphabet[(n >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
    }
    return text;
}

}  // namespace lumivex::previews
