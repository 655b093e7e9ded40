#include "engine/jpeg/writer.h"

#include <gtest/gtest.h>

#include "engine/diag/diag.h"
#include "engine/jpeg/reader.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;
using test::JpegBuilder;

Bytes jfifHeader(uint8_t units, uint16_t x, uint16_t y) {
    return {0xFF,
            0xE0,
            0x00,
            0x10,
            'J',
            'F',
            'I',
            'F',
            0,
            1,
            1,
            units,
            static_cast<uint8_t>(x >> 8),
            static_cast<uint8_t>(x),
            static_cast<uint8_t>(y >> 8),
            static_cast<uint8_t>(y),
            0,
            0};
}

class WriterTest : public ::testing::Test {
  protected:
    // Reads the file and writes it back; returns what was written.
    Bytes roundTrip(const Bytes& input) {
        test::writeFile(in, input);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(test::loadForTest(records, in), 1);
        EXPECT_TRUE(saveJpegFile(records, out.c_str()));
        ::testing::internal::GetCapturedStderr();
        return test::readFile(out);
    }
    test::TempDir dir;
    std::string in = dir.path("in.jpg");
    std::string out = dir.path("out.jpg");
    PhotoRecords records;
    SectionList& sectionList = records.sectionList;
};

ExifBuilder resolutionBlock(uint16_t unit, int32_t xNumerator, int32_t xDenominator) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addRational(ifd0, 0x011A, xNumerator, xDenominator);
    exif.addShort(ifd0, 0x0128, unit);
    return exif;
}

TEST_F(WriterTest, ExifFirstNeedsNoJfifHeader) {
    const Bytes exif = resolutionBlock(2, 72, 1).segment();
    const Bytes image = JpegBuilder().image().bytes();
    const Bytes written = roundTrip(JpegBuilder().jfif(1, 72, 72).exif(exif).image().bytes());
    Bytes expected{0xFF, 0xD8, 0xFF, 0xE1};
    expected.insert(expected.end(), exif.begin(), exif.end());
    expected.insert(expected.end(), image.begin() + 2, image.end());
    EXPECT_EQ(written, expected);
}

struct JfifCase {
    const char* name;
    Bytes input;
    Bytes header;
    friend void PrintTo(const JfifCase& c, std::ostream* os) { *os << c.name; }
};

class WriterJfifTest : public WriterTest, public ::testing::WithParamInterface<JfifCase> {};

TEST_P(WriterJfifTest, WritesTheJfifHeaderFromTheRightSource) {
    const Bytes written = roundTrip(GetParam().input);
    ASSERT_GE(written.size(), 20u);
    EXPECT_EQ(Bytes(written.begin() + 2, written.begin() + 20), GetParam().header);
}

const Bytes kXmp = {'h', 't', 't', 'p', ':', '/', '/', 'x'};

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterJfifTest,
    ::testing::Values(
        JfifCase{"FromJfifWhenNoExif", JpegBuilder().jfif(2, 118, 118).image().bytes(), jfifHeader(2, 118, 118)},
        JfifCase{"DefaultsWithNeither", JpegBuilder().image().bytes(), jfifHeader(1, 300, 300)},
        JfifCase{"InFrontOfXmp", JpegBuilder().segment(0xE1, kXmp).image().bytes(), jfifHeader(1, 300, 300)},
        // The Exif segment is not first here, so a header is written, its density from the Exif resolution.
        JfifCase{"ExifInchesTruncated",
                 JpegBuilder().segment(0xDB, {0}).exif(resolutionBlock(2, 729, 10).segment()).image().bytes(),
                 jfifHeader(1, 72, 72)},
        JfifCase{"ExifCentimetres",
                 JpegBuilder().segment(0xDB, {0}).exif(resolutionBlock(3, 40, 1).segment()).image().bytes(),
                 jfifHeader(2, 40, 40)},
        JfifCase{
            "ExifUnitNoneUsesJfif",
            JpegBuilder().jfif(0, 5, 7).segment(0xDB, {0}).exif(resolutionBlock(1, 72, 1).segment()).image().bytes(),
            jfifHeader(0, 5, 7)}),
    [](const auto& info) { return info.param.name; });

TEST_F(WriterTest, XmpIsWrittenBackAsApp1) {
    const Bytes written = roundTrip(JpegBuilder().segment(0xE1, kXmp).image().bytes());
    EXPECT_EQ(written[20], 0xFF);
    EXPECT_EQ(written[21], 0xE1);
}

TEST_F(WriterTest, DropAndInsert) {
    roundTrip(JpegBuilder().exif(resolutionBlock(2, 72, 1).segment()).image().bytes());
    const int32_t count = sectionList.count;
    EXPECT_EQ(dropSectionType(records, 0xFE), 0);
    auto buffer = std::make_unique<uint8_t[]>(4);
    uint8_t* inserted = buffer.get();
    insertSection(records, 0xE1, std::move(buffer), 4);
    EXPECT_EQ(findSection(sectionList, 0xE1)->data.get(), inserted);  // the new one comes first
    EXPECT_EQ(sectionList.count, count + 1);
    EXPECT_EQ(dropSectionType(records, 0xE1), 1);
    EXPECT_EQ(dropSectionType(records, 0xE1), 1);
    EXPECT_EQ(dropSectionType(records, 0xE1), 0);
    EXPECT_EQ(sectionList.count, count - 1);
}

TEST_F(WriterTest, DropNeverTakesTheLastEntry) {
    resetJpegState(sectionList);
    appendSection(sectionList, std::make_unique<uint8_t[]>(2), 0xDB, 2);
    appendSection(sectionList, std::make_unique<uint8_t[]>(2), 0xE1, 2);
    EXPECT_EQ(dropSectionType(records, 0xE1), 0);
    resetJpegState(sectionList);
    appendSection(sectionList, std::make_unique<uint8_t[]>(2), 0xE1, 2);
    EXPECT_EQ(dropSectionType(records, 0xE1), 0);
}

TEST_F(WriterTest, ImageDataLeftInTheFileIsCopiedFromIt) {
    const Bytes input = JpegBuilder().exif(resolutionBlock(2, 72, 1).segment()).image(16, 8, Bytes(3000, 0x77)).bytes();
    const Bytes inMemory = roundTrip(input);
    test::writeFile(in, input);
    resetJpegState(sectionList);
    clearPhotoInfoForNewFile(records);
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(loadJpegFile(records, in.c_str(), LoadAll | LoadImageLater), 1);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(sectionList.sections[sectionList.count - 1].data, nullptr);  // not held in memory
    ASSERT_TRUE(saveJpegFile(records, out.c_str()));
    EXPECT_EQ(test::readFile(out), inMemory);

    // The file that holds the image data changed since it was read: nothing is taken from it.
    test::writeFile(in, Bytes(input.begin(), input.end() - 10));
    EXPECT_FALSE(saveJpegFile(records, out.c_str()));
}

TEST(WriterFatalTest, RefusesToWriteWithoutTheImageData) {
    PhotoRecords records;
    resetJpegState(records.sectionList);
    currentFileName.reset();
    std::string written;
    ScopedReportSink sink([&written](std::string_view text) { written.append(text); });
    try {
        saveJpegFile(records, "/nonexistent/out.jpg");
        ADD_FAILURE() << "the writer wrote without the image data";
    } catch (const FatalError& error) {
        EXPECT_EQ(error.message, "Can't write back - didn't read all");
    }
    EXPECT_EQ(written, "\nError : Can't write back - didn't read all\n");
}

}  // namespace
}  // namespace lumivex
