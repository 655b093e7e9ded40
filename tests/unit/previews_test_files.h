// Hand-built JPEG files for the preview tests: segments put together byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex::testing {

using ByteVec = std::vector<uint8_t>;

inline void append(ByteVec& out, const ByteVec& more) { out.insert(out.end(), more.begin(), more.end()); }
inline ByteVec text(const std::string& s) { return ByteVec(s.begin(), s.end()); }
inline ByteVec be16(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
inline ByteVec be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

inline ByteVec segment(uint8_t marker, const ByteVec& payload) {
    ByteVec out = {0xFF, marker};
    append(out, be16(uint32_t(payload.size() + 2)));
    append(out, payload);
    return out;
}

// A JPEG stream whose frame says width x height, with a few bytes of "image data" and EOI.
inline ByteVec tinyJpeg(int width, int height, uint8_t fill = 0x11) {
    ByteVec out = {0xFF, 0xD8};
    ByteVec sof = {8};
    append(sof, be16(uint32_t(height)));
    append(sof, be16(uint32_t(width)));
    append(sof, {1, 1, 0x11, 0});
    append(out, segment(0xC0, sof));
    append(out, segment(0xDA, {1, 1, 0, 0, 63, 0}));
    append(out, {fill, fill, 0xFF, 0x00, fill, 0xFF, 0xD9});
    return out;
}

// SOI, the given segments, a frame of 64x48, image data, EOI, then trailing bytes.
inline ByteVec photoWith(const std::vector<ByteVec>& segments, const ByteVec& trailing = {}) {
    ByteVec out = {0xFF, 0xD8};
    for (const ByteVec& s : segments) append(out, s);
    ByteVec body = tinyJpeg(64, 48, 0x22);
    out.insert(out.end(), body.begin() + 2, body.end());
    append(out, trailing);
    return out;
}

inline ByteVec jfxxJpeg(const ByteVec& jpeg) {
    ByteVec payload = text(std::string("JFXX\0\x10", 6));
    append(payload, jpeg);
    return segment(0xE0, payload);
}

// An APP13 segment holding one thumbnail resource (id 0x040C or 0x0409) after another resource.
inline ByteVec photoshopSegment(uint16_t id, int width, int height, const ByteVec& jpeg) {
    ByteVec payload = text(std::string("Photoshop 3.0\0", 14));
    append(payload, text("8BIM"));
    append(payload, be16(0x0404));
    append(payload, {0, 0});
    append(payload, be32(3));
    append(payload, {1, 2, 3, 0});  // padded to even
    append(payload, text("8BIM"));
    append(payload, be16(id));
    append(payload, {0, 0});
    append(payload, be32(uint32_t(28 + jpeg.size())));
    append(payload, be32(1));
    append(payload, be32(uint32_t(width)));
    append(payload, be32(uint32_t(height)));
    for (int i = 0; i < 3; ++i) append(payload, be32(0));
    append(payload, be16(24));
    append(payload, be16(1));
    append(payload, jpeg);
    if (payload.size() % 2 != 0) payload.push_back(0);
    return segment(0xED, payload);
}

inline ByteVec xmpSegment(const std::string& packet) {
    ByteVec payload = text(std::string("http://ns.adobe.com/xap/1.0/\0", 29));
    append(payload, text(packet));
    return segment(0xE1, payload);
}

// An APP2 MPF index (big-endian) for a photo of primarySize bytes whose header lies at headerOffset; the
// further images as (type, size, offset from the header).
struct MpfImage {
    uint32_t type, size, offset;
};
inline ByteVec mpfSegment(uint32_t primarySize, const std::vector<MpfImage>& images) {
    const uint32_t count = uint32_t(images.size() + 1);
    ByteVec tiff = text(std::string("MM\0*", 4));
    append(tiff, be32(8));
    append(tiff, be16(3));
    append(tiff, be16(0xB000));
    append(tiff, be16(7));
    append(tiff, be32(4));
    append(tiff, text("0100"));
    append(tiff, be16(0xB001));
    append(tiff, be16(4));
    append(tiff, be32(1));
    append(tiff, be32(count));
    append(tiff, be16(0xB002));
    append(tiff, be16(7));
    append(tiff, be32(16 * count));
    append(tiff, be32(8 + 2 + 36 + 4));
    append(tiff, be32(0));
    append(tiff, be32(0x20030000));
    append(tiff, be32(primarySize));
    append(tiff, be32(0));
    append(tiff, be32(0));
    for (const MpfImage& image : images) {
        append(tiff, be32(image.type));
        append(tiff, be32(image.size));
        append(tiff, be32(image.offset));
        append(tiff, be32(0));
    }
    ByteVec payload = text(std::string("MPF\0", 4));
    append(payload, tiff);
    return segment(0xE2, payload);
}
constexpr uint32_t kMpfSegmentBytes(uint32_t images) { return 4 + 4 + 8 + 2 + 36 + 4 + 16 * (images + 1); }

// A photo with an MPF index naming the images appended after its end; the index follows the segments given.
inline ByteVec photoWithMpf(const std::vector<ByteVec>& before,
                            const std::vector<std::pair<uint32_t, ByteVec>>& images) {
    uint64_t headerAt = 2;
    for (const ByteVec& s : before) headerAt += s.size();
    headerAt += 8;
    const ByteVec probe = photoWith(before);
    const uint32_t primary = uint32_t(probe.size() + kMpfSegmentBytes(uint32_t(images.size())));
    std::vector<MpfImage> entries;
    uint32_t at = primary;
    ByteVec trailing;
    for (const auto& [type, bytes] : images) {
        entries.push_back({type, uint32_t(bytes.size()), uint32_t(at - headerAt)});
        at += uint32_t(bytes.size());
        append(trailing, bytes);
    }
    std::vector<ByteVec> segments = before;
    segments.push_back(mpfSegment(primary, entries));
    return photoWith(segments, trailing);
}

// A Sony maker note whose 0x2001 entry names a preview of 64 bytes: inside the Exif block, or appended after
// the image (as some cameras put it).
inline ByteVec sonyPhoto(bool after = false) {
    ByteVec preview = tinyJpeg(8, 8);
    preview.resize(64, 0x77);
    const auto build = [&](uint32_t previewAt) {
        ByteVec tiff = text(std::string("MM\0*", 4));
        append(tiff, be32(8));
        append(tiff, be16(1));  // IFD0: the Exif pointer
        append(tiff, {0x87, 0x69, 0, 4});
        append(tiff, be32(1));
        append(tiff, be32(26));
        append(tiff, be32(0));
        append(tiff, be16(1));  // Exif directory at 26: the maker note at 44
        append(tiff, {0x92, 0x7C, 0, 7});
        append(tiff, be32(12 + 18));
        append(tiff, be32(44));
        append(tiff, be32(0));
        append(tiff, text(std::string("SONY DSC \0\0\0", 12)));
        append(tiff, be16(1));
        append(tiff, {0x20, 0x01, 0, 7});
        append(tiff, be32(64));
        append(tiff, be32(previewAt));
        append(tiff, be32(0));
        if (!after) append(tiff, preview);
        ByteVec payload = text(std::string("Exif\0\0", 6));
        append(payload, tiff);
        return photoWith({segment(0xE1, payload)}, after ? preview : ByteVec{});
    };
    const uint32_t tiffStart = 2 + 4 + 6;
    return after ? build(uint32_t(build(0).size() - 64 - tiffStart)) : build(74);
}

}  // namespace lumivex::testing
