#include "engine/jpeg/reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/diag/diag.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::JpegBuilder;

class ReaderTest : public ::testing::Test {
  protected:
    // Loads the bytes from a file as an operation does; the standard-error text is kept in errors.
    int load(const Bytes& bytes) {
        test::writeFile(path, bytes);
        ::testing::internal::CaptureStderr();
        const int result = test::loadForTest(records, path);
        errors = ::testing::internal::GetCapturedStderr();
        return result;
    }
    std::vector<int32_t> markers() const {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < sectionList.count; ++i) out.push_back(sectionList.sections[i].marker);
        return out;
    }

    test::TempDir dir;
    std::string path = dir.path("photo.jpg");
    std::string errors;
    PhotoRecords records;
    const SectionList& sectionList = records.sectionList;
    const PhotoInfo& photoInfo = records.photoInfo;
};

TEST_F(ReaderTest, NotAJpeg) {
    EXPECT_EQ(load({'G', 'I', 'F', '8', '9', 'a'}), 0);
    EXPECT_EQ(errors, "Not JPEG: " + path + "\n");
    EXPECT_EQ(sectionList.count, 0);
    EXPECT_EQ(photoInfo.filePath[0], '\0');  // a failed read clears the whole record
}

TEST_F(ReaderTest, MissingFileCannotBeOpened) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(loadJpegFile(records, dir.path("absent.jpg").c_str(), LoadAll), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "can't open '" + dir.path("absent.jpg") + "'\n");
}

TEST_F(ReaderTest, KeepsSegmentsUpToSosAndTheRestAsOneBlock) {
    const Bytes tail = {'t', 'r', 'a', 'i', 'l'};
    ASSERT_EQ(load(JpegBuilder().jfif(1, 72, 72).image(640, 480, tail).bytes()), 1);
    EXPECT_EQ(markers(), (std::vector<int32_t>{0xDB, 0xC0, 0xC4, 0xDA, PseudoMarkerImageData}));
    EXPECT_EQ(sectionList.imageDataRead, 1);
    const JpegSection& image = sectionList.sections[sectionList.count - 1];
    ASSERT_GE(image.size, 5);
    EXPECT_EQ(0, std::memcmp(image.data.get() + image.size - 5, "trail", 5));  // bytes after EOI are kept
    EXPECT_EQ(photoInfo.width, 640);
    EXPECT_EQ(photoInfo.height, 480);
    EXPECT_EQ(photoInfo.isColor, 1);
    EXPECT_EQ(photoInfo.jpegProcess, 0xC0);
    EXPECT_EQ(photoInfo.jfifUnits, 1);
    EXPECT_EQ(photoInfo.jfifXDensity, 72);
}

TEST_F(ReaderTest, WithoutJfifTheDefaultsStand) {
    ASSERT_EQ(load(JpegBuilder().image().bytes()), 1);
    EXPECT_EQ(photoInfo.jfifUnits, 1);
    EXPECT_EQ(photoInfo.jfifXDensity, 300);
    EXPECT_EQ(photoInfo.jfifYDensity, 300);
}

TEST_F(ReaderTest, App0OfAnotherKindIsReportedButStillRead) {
    const Bytes payload = {'J', 'F', 'X', 'X', 0, 1, 1, 2, 0, 118, 0, 119, 0, 0};
    ASSERT_EQ(load(JpegBuilder().segment(0xE0, payload).image().bytes()), 1);
    EXPECT_EQ(errors, "Header missing JFIF marker\n");
    EXPECT_EQ(photoInfo.jfifUnits, 2);
    EXPECT_EQ(photoInfo.jfifXDensity, 118);
    EXPECT_EQ(photoInfo.jfifYDensity, 119);
    EXPECT_EQ(markers().front(), 0xDB);  // every APP0 is dropped
}

TEST_F(ReaderTest, ShortJfifIsReported) {
    ASSERT_EQ(load(JpegBuilder().segment(0xE0, {'J', 'F', 'I', 'F', 0, 1}).image().bytes()), 1);
    EXPECT_EQ(errors, "Jfif header too short\n");
    EXPECT_EQ(photoInfo.jfifXDensity, 300);
}

TEST_F(ReaderTest, PaddingBeforeAMarker) {
    struct Case {
        size_t fillBytes;
        std::string report;
    };
    const Case cases[] = {
        {10, ""},
        {12, "\nNonfatal Error : '" + path + "' Extraneous 11 padding bytes before section DB\n"},
    };
    for (const Case& c : cases) {
        JpegBuilder jpeg;
        jpeg.raw(Bytes(c.fillBytes - 1, 0xFF));  // the builder's own 0xFF makes the last fill byte
        ASSERT_EQ(load(jpeg.image().bytes()), 1);
        EXPECT_EQ(errors, c.report) << c.fillBytes;
    }
}

TEST_F(ReaderTest, OnlyTheFirstCommentIsKeptWithItsTextCleaned) {
    const Bytes first = {'x', '\r', '\n', 'y', '\r', 'z', '\t', 0x01, 0xE9};
    ASSERT_EQ(load(JpegBuilder().segment(0xFE, first).segment(0xFE, {'n', 'o'}).image().bytes()), 1);
    EXPECT_STREQ(photoInfo.comment, "x\ny?z\t?\xE9");
    const std::vector<int32_t> kept = markers();
    EXPECT_EQ(std::count(kept.begin(), kept.end(), 0xFE), 1);
}

TEST_F(ReaderTest, App1KeptOnlyForExifAndXmp) {
    const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's'};
    const Bytes other = {'O', 't', 'h', 'e', 'r', 0};
    ASSERT_EQ(load(JpegBuilder().segment(0xE1, other).segment(0xE1, xmp).segment(0xED, {1, 2}).image().bytes()), 1);
    EXPECT_EQ(markers(), (std::vector<int32_t>{PseudoMarkerXmp, 0xED, 0xDB, 0xC0, 0xC4, 0xDA, PseudoMarkerImageData}));
    EXPECT_EQ(findSection(sectionList, 0xE1), nullptr);
}

TEST_F(ReaderTest, EoiBeforeSosIsNoImage) {
    Bytes bytes = JpegBuilder().segment(0xDB, Bytes(4, 0)).raw({0xFF, 0xD9, 0x00, 0x04, 0xAA, 0xBB}).bytes();
    EXPECT_EQ(load(bytes), 0);
    EXPECT_EQ(errors, "No image in jpeg!\nNot JPEG: " + path + "\n");
}

TEST_F(ReaderTest, ListGrowsByHalves) {
    JpegBuilder jpeg;
    for (int i = 0; i < 8; ++i) jpeg.segment(0xE2, {static_cast<uint8_t>(i)});
    ASSERT_EQ(load(jpeg.image().bytes()), 1);
    EXPECT_EQ(sectionList.count, 8 + 5);
    EXPECT_EQ(sectionList.capacity, 15);  // 5, 7, 10, 15
}

struct FatalCase {
    const char* name;
    Bytes bytes;
    const char* message;
    // Makes the file instead of bytes, inside the test: gtest builds every parameter in each test process.
    Bytes (*largeFile)() = nullptr;
    friend void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }
};

class ReaderFatalTest : public ReaderTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(ReaderFatalTest, EndsTheReadWithTheReport) {
    const FatalCase& c = GetParam();
    test::writeFile(path, c.largeFile != nullptr ? c.largeFile() : c.bytes);
    std::string written;
    ScopedReportSink sink([&written](std::string_view text) { written.append(text); });
    try {
        test::loadForTest(records, path);
        ADD_FAILURE() << "the read ended normally";
    } catch (const FatalError& error) {
        EXPECT_EQ(error.message, c.message);
    }
    EXPECT_EQ(written, std::string("\nError : ") + c.message + "\nin file '" + path + "'\n");
}

// A file that begins as a JPEG and then goes on with `count` copies of `segment`.
Bytes manySegments(const Bytes& segment, size_t count) {
    Bytes repeated;
    for (size_t i = 0; i < count; ++i) repeated.insert(repeated.end(), segment.begin(), segment.end());
    return JpegBuilder().raw(repeated).image().bytes();
}

Bytes largestApp2() {
    Bytes segment(65537, 0);
    segment[0] = 0xFF;
    segment[1] = 0xE2;
    segment[2] = 0xFF;
    segment[3] = 0xFF;
    return segment;
}

// With the image's four segments (DQT, SOF, DHT, SOS), exactly one segment more than the reader keeps.
Bytes oneSegmentTooMany() { return manySegments({0xFF, 0xE2, 0x00, 0x02}, 4096 - 3); }
Bytes over16MiBOfSegments() { return manySegments(largestApp2(), 257); }
Bytes oneMiBWithoutAMarker() { return manySegments({0x00}, 1 << 20); }

INSTANTIATE_TEST_SUITE_P(
    TruncatedAndHostile, ReaderFatalTest,
    ::testing::Values(
        FatalCase{"EoiLastInFile", {0xFF, 0xD8, 0xFF, 0xD9}, "invalid marker"},
        FatalCase{"TooManySegments", {}, "Too many segments before the image data (more than 4096)", oneSegmentTooMany},
        FatalCase{"TooManySegmentBytes",
                  {},
                  "Too many segments before the image data (more than 16 MiB of them)",
                  over16MiBOfSegments},
        FatalCase{
            "GarbageWithoutAMarker", {}, "No marker within 1 MiB; the rest is not JPEG data", oneMiBWithoutAMarker},
        FatalCase{"FileEndsAfterFF", {0xFF, 0xD8, 0xFF}, "invalid marker"},
        FatalCase{"FileEndsInGarbage", {0xFF, 0xD8, 0x00, 0x01}, "Premature end of file?"},
        FatalCase{"LengthBelowTwo", {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x01}, "invalid marker"},
        FatalCase{"LengthCutShort", {0xFF, 0xD8, 0xFF, 0xDB, 0x00}, "invalid marker"},
        FatalCase{"PayloadCutShort", {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x10, 1, 2}, "Premature end of file?"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace lumivex
