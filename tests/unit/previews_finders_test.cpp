// The preview finders over hand-built files: each kind found where it lies, and nothing read past the end.
#include <gtest/gtest.h>

#include <optional>

#include "engine/previews/finders.h"
#include "lumivex/previews.h"
#include "previews_test_files.h"

namespace lumivex {
namespace {

using namespace lumivex::testing;

previews::PreviewScan scan(const ByteVec& file) {
    SegmentMap map;
    std::string why;
    walkSegments(file, file.size(), map, why);
    return previews::findPreviews(file, map);
}

struct FinderCase {
    const char* name;
    ByteVec file;
    std::vector<std::string> expected;  // "kind WxH format role" per copy
};

std::string summary(const PreviewCopy& c) {
    return std::string(previewKindName(c.kind)) + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " " +
           c.format + (c.role == PreviewRole::Picture ? "" : " not-picture");
}

// An MPF image after the photo, some padding, and a JPEG no index names.
ByteVec mpfThenTrailer() {
    ByteVec file = photoWithMpf({}, {{0x010002, tinyJpeg(32, 24)}});
    append(file, {0, 0, 0});
    append(file, tinyJpeg(24, 18));
    return file;
}

std::vector<FinderCase> finderCases() {
    const ByteVec thumb = tinyJpeg(16, 12);
    ByteVec rgb = text(std::string("JFXX\0\x13\x02\x01", 8));
    append(rgb, {1, 2, 3, 4, 5, 6});
    ByteVec shortRgb = text(std::string("JFXX\0\x13\x04\x04", 8));
    append(shortRgb, {1, 2, 3});
    ByteVec gainMap = tinyJpeg(8, 6);
    const ByteVec hint = segment(0xE1, text("http://ns.adobe.com/xap/1.0/ hdrgm:Version='1.0'"));
    gainMap.insert(gainMap.begin() + 2, hint.begin(), hint.end());
    return {
        {"jfxx jpeg", photoWith({jfxxJpeg(thumb)}), {"jfxx 16x12 jpeg"}},
        {"jfxx rgb", photoWith({segment(0xE0, rgb)}), {"jfxx 2x1 rgb"}},
        {"jfxx rgb cut short", photoWith({segment(0xE0, shortRgb)}), {}},
        {"photoshop", photoWith({photoshopSegment(0x040C, 16, 12, thumb)}), {"photoshop 16x12 jpeg"}},
        {"photoshop bgr", photoWith({photoshopSegment(0x0409, 16, 12, thumb)}), {"photoshop 16x12 bgr"}},
        {"xmp element",
         photoWith({xmpSegment("<x><xmp:Thumbnails><rdf:Alt><rdf:li><xmpGImg:width>16</xmpGImg:width>"
                               "<xmpGImg:height>12</xmpGImg:height><xmpGImg:image>/9j/4AAQ&#xA;SkZJRg==</xmpGImg:image>"
                               "</rdf:li></rdf:Alt></xmp:Thumbnails></x>")}),
         {"xmp 16x12 jpeg"}},
        {"xmp attribute",
         photoWith({xmpSegment("<xmp:Thumbnails><rdf:Alt><rdf:li xmpGImg:width='20' xmpGImg:height='10' "
                               "xmpGImg:image='/9j/'/></rdf:Alt></xmp:Thumbnails>")}),
         {"xmp 20x10 jpeg"}},
        {"xmp unterminated", photoWith({xmpSegment("<xmp:Thumbnails><xmpGImg:image>/9j/4AAQ")}), {}},
        {"mpf large thumbnail", photoWithMpf({}, {{0x010002, tinyJpeg(32, 24)}}), {"mpf 32x24 jpeg"}},
        {"mpf gain map by its hint", photoWithMpf({}, {{0, gainMap}}), {"mpf 8x6 jpeg not-picture"}},
        {"mpf disparity", photoWithMpf({}, {{0x020002, tinyJpeg(8, 8)}}), {"mpf 8x8 jpeg not-picture"}},
        {"jpeg after the image", photoWith({}, tinyJpeg(24, 18)), {"trailer 24x18 jpeg"}},
        {"zeros after the image", photoWith({}, ByteVec(100, 0)), {}},
        {"jpeg after the mpf image", mpfThenTrailer(), {"mpf 32x24 jpeg", "trailer 24x18 jpeg"}},
        {"flashpix",
         photoWith({segment(0xE2, text(std::string("FPXR\0\0\1", 7)))}),
         {"flashpix 0x0 flashpix not-picture"}},
    };
}

TEST(PreviewFinders, FindEachKind) {
    for (const FinderCase& c : finderCases()) {
        std::vector<std::string> found;
        for (const auto& f : scan(c.file).found) found.push_back(summary(f.copy));
        EXPECT_EQ(found, c.expected) << c.name;
    }
}

// Without the image data, the first appended JPEG is found in a window of the file's end, never in an MPF image.
TEST(PreviewFinders, TheFirstAppendedImageIsFoundInAWindowOfTheEnd) {
    const ByteVec file = mpfThenTrailer();
    const uint64_t trailer = file.size() - tinyJpeg(24, 18).size();
    const uint64_t mpfImage = trailer - 3 - tinyJpeg(32, 24).size();
    const previews::PreviewScan found = scan(file);  // the MPF image is passed over
    struct Case {
        uint64_t from;  // the window's first byte
        std::optional<uint64_t> start;
    } cases[] = {{0, trailer}, {mpfImage + 4, trailer}, {trailer + 1, std::nullopt}};
    for (const Case& c : cases) {
        const std::span<const uint8_t> window(file.data() + c.from, file.size() - c.from);
        EXPECT_EQ(previews::firstTrailingImage(window, c.from, found), c.start) << c.from;
    }
}

// Given the bytes before the image data only, a copy past them is reported unread, then completed from its own
// bytes.
TEST(PreviewFinders, ACopyPastTheBytesGivenIsCompletedFromItsOwn) {
    struct Case {
        const char* name;
        ByteVec file;
        std::string expected;
    } cases[] = {
        {"mpf image", photoWithMpf({}, {{0x010002, tinyJpeg(32, 24)}}), "mpf 32x24 jpeg"},
        {"maker-note preview after the image", sonyPhoto(true), "makernote 8x8 jpeg"},
    };
    for (const Case& c : cases) {
        SegmentMap map;
        std::string why;
        walkSegments(c.file, c.file.size(), map, why);
        const std::span<const uint8_t> head(c.file.data(), map.imageDataOffset);
        previews::PreviewScan found = previews::findPreviews(head, map);
        ASSERT_EQ(found.found.size(), 1u) << c.name;
        previews::FoundPreview& copy = found.found[0];
        EXPECT_TRUE(copy.unread) << c.name;
        ASSERT_TRUE(
            previews::completeCopy(copy, std::span<const uint8_t>(c.file).subspan(copy.copy.offset, copy.copy.length)));
        EXPECT_EQ(summary(copy.copy), c.expected) << c.name;
    }
}

TEST(PreviewFinders, CopyBytesAreWhereTheyAreSaidToBe) {
    const ByteVec thumb = tinyJpeg(16, 12);
    const ByteVec mpfImage = tinyJpeg(32, 24);
    const ByteVec file =
        photoWithMpf({jfxxJpeg(thumb), photoshopSegment(0x040C, 16, 12, thumb)}, {{0x010001, mpfImage}});
    const auto result = scan(file);
    ASSERT_EQ(result.found.size(), 3u);
    for (const auto& f : result.found) {
        std::string why;
        const ByteVec bytes = previews::previewBytes(file, f, why);
        EXPECT_EQ(bytes, f.copy.kind == PreviewKind::Mpf ? mpfImage : thumb) << previews::describeCopy(f.copy);
        EXPECT_TRUE(f.notEditable.empty());
    }
}

TEST(PreviewFinders, MpfEntriesThatPointAwayAreReportedNotEditable) {
    const ByteVec ok = photoWithMpf({}, {{0x010001, tinyJpeg(8, 8)}});
    struct Case {
        const char* name;
        uint32_t offset;
        const char* why;
    } cases[] = {
        {"outside the file", 0x7FFFFFF0, "its index entry points outside the file"},
        {"into the main image", 4, "its index entry points into the main image"},
    };
    for (const Case& c : cases) {
        ByteVec file = ok;
        // The second entry's offset: 8 bytes into its 16, after the first entry.
        const size_t entry = 2 + 4 + 4 + 8 + 2 + 36 + 4 + 16 + 8;
        const ByteVec v = be32(c.offset);
        std::copy(v.begin(), v.end(), file.begin() + entry);
        // The image no entry names any more is reported as appended after the photo.
        const auto result = scan(file);
        ASSERT_EQ(result.found.size(), 2u) << c.name;
        EXPECT_EQ(result.found[0].notEditable, c.why) << c.name;
        EXPECT_EQ(result.found[1].copy.kind, PreviewKind::Trailer) << c.name;
    }
}

TEST(PreviewFinders, EveryCutOfAFileIsReadSafely) {
    const ByteVec thumb = tinyJpeg(16, 12);
    const ByteVec file =
        photoWithMpf({jfxxJpeg(thumb), photoshopSegment(0x040C, 16, 12, thumb),
                      xmpSegment("<xmp:Thumbnails><xmpGImg:image>/9j/</xmpGImg:image></xmp:Thumbnails>")},
                     {{0x010001, tinyJpeg(8, 8)}});
    for (size_t n = 0; n <= file.size(); ++n) {
        const ByteVec cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        SegmentMap map;
        std::string why;
        walkSegments(cut, cut.size(), map, why);
        for (const auto& f : previews::findPreviews(cut, map).found) {
            std::string bytesWhy;
            const ByteVec bytes = previews::previewBytes(cut, f, bytesWhy);
            EXPECT_LE(bytes.size(), cut.size());
        }
    }
}

TEST(PreviewFinders, Base64RoundTripsAndRejectsOtherText) {
    for (size_t n = 0; n < 8; ++n) {
        ByteVec bytes(n);
        for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(0xF7 * (i + 1));
        const std::string encoded = previews::encodeBase64(bytes);
        ByteVec decoded;
        ASSERT_TRUE(previews::decodeBase64(text(encoded), decoded));
        EXPECT_EQ(decoded, bytes) << n;
    }
    ByteVec out;
    EXPECT_FALSE(previews::decodeBase64(text("AB<C"), out));
}

}  // namespace
}  // namespace lumivex
