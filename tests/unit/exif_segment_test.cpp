#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "engine/exif/exif_layout.h"
#include "engine/thumbnail/minimal_exif.h"
#include "tests/unit/exif_test_support.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;

class ExifSegmentTest : public test::ExifParseTest {};

Bytes withFirstOffset(uint32_t offset, size_t length) {
    Bytes seg(length, 0);
    std::memcpy(seg.data(), "\0\0Exif\0\0II*\0", 12);
    test::put32(seg, 12, offset, ExifByteOrder::Intel);
    seg.resize(length);
    return seg;
}

TEST_F(ExifSegmentTest, HeaderChecks) {
    struct Case {
        const char* name;
        Bytes segment;
        std::string reports;
    };
    Bytes badId = withFirstOffset(8, 40);
    badId[7] = 'x';
    Bytes badOrder = withFirstOffset(8, 40);
    badOrder[8] = 'X';
    Bytes notFortyTwo = withFirstOffset(8, 40);
    notFortyTwo[10] = 43;
    const Case cases[] = {
        {"BytesAfterExifNotNul", badId, report("Incorrect Exif header")},
        {"UnknownOrder", badOrder, report("Invalid Exif alignment marker.")},
        {"Not42", notFortyTwo, report("Invalid Exif start (1)")},
        {"Offset8", withFirstOffset(8, 40), ""},
        {"Offset16", withFirstOffset(16, 40), ""},
        {"Offset17", withFirstOffset(17, 40), report("Suspicious offset of first Exif IFD value")},
        {"Offset7", withFirstOffset(7, 40), report("invalid offset for first Exif IFD value")},
        {"OffsetPastLengthMinus16", withFirstOffset(25, 40), report("invalid offset for first Exif IFD value")},
        {"TooShortForItsHeader", withFirstOffset(8, 14), report("Exif segment too short for its header (14 bytes)")},
        // A first directory that starts where its count no longer fits in the block.
        {"CountOutsideTheBlock", withFirstOffset(8, 16),
         report("Exif directory at offset 8 lies past the end of the block")},
    };
    for (const Case& c : cases) {
        SetUp();
        EXPECT_EQ(parse(c.segment), c.reports) << c.name;
    }
}

TEST_F(ExifSegmentTest, ThumbnailAtEndDecision) {
    // No thumbnail: at the end only when there is no out-of-line value at all.
    ExifBuilder inlineOnly(ExifByteOrder::Intel);
    inlineOnly.addShort(inlineOnly.addDirectory(), 0x0112, 1);
    parse(inlineOnly.segment());
    EXPECT_EQ(photoInfo.thumbAtEnd, 1);

    SetUp();
    ExifBuilder withValue(ExifByteOrder::Intel);
    withValue.addAscii(withValue.addDirectory(), 0x010F, "Maker");
    parse(withValue.segment());
    EXPECT_EQ(photoInfo.thumbAtEnd, 0);
}

TEST_F(ExifSegmentTest, AValueAfterTheThumbnailKeepsItFromTheEnd) {
    ExifBuilder exif(ExifByteOrder::Motorola);
    const int ifd0 = exif.addDirectory();
    exif.setThumbnail(ifd0, Bytes(40, 7));
    exif.appendTrailingValue(ifd0, 0x927C, Bytes(30, 1));  // a maker note placed after the thumbnail
    parse(exif.segment());
    EXPECT_NE(photoInfo.thumbOffset, 0u);
    EXPECT_EQ(photoInfo.thumbAtEnd, 0);
}

TEST_F(ExifSegmentTest, ADirectoryAfterTheThumbnailKeepsItFromTheEnd) {
    // The offset of a GPS directory is not part of the extent, but cutting there would lose the directory.
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.setThumbnail(ifd0, Bytes(40, 7));
    const uint32_t gpsAt = static_cast<uint32_t>(exif.tiff().size());
    Bytes gps = test::encode16({1}, ExifByteOrder::Intel);
    const Bytes entry = {5, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    gps.insert(gps.end(), entry.begin(), entry.end());
    exif.appendTrailingValue(ifd0, 0, gps);
    exif.addRawEntry(ifd0, 0x8825, FormatLong, 1, gpsAt);
    parse(exif.segment());
    EXPECT_EQ(photoInfo.gpsPresent, 1);
    EXPECT_LT(photoInfo.exifExtent, photoInfo.thumbOffset);
    EXPECT_EQ(photoInfo.thumbAtEnd, 0);
}

TEST_F(ExifSegmentTest, MinimalExifSegmentIsExactAndParsed) {
    resetJpegState(records.sectionList);
    photoInfo.dateOffsetCount = 1;
    std::memcpy(photoInfo.dateTime, "2020:02:29 12:34:56", 20);
    buildMinimalExif(records);
    const JpegSection* seg = findSection(records.sectionList, 0xE1);
    ASSERT_NE(seg, nullptr);
    ASSERT_EQ(seg->size, 134);
    const Bytes expected = {
        0x00, 0x86, 'E',  'x',  'i',  'f',  0,    0,    'I',  'I', 0x2A, 0x00, 0x08, 0,   0,   0,  //
        0x02, 0x00, 0x32, 0x01, 0x02, 0x00, 0x14, 0,    0,    0,   0x26, 0,    0,    0,            //
        0x69, 0x87, 0x04, 0x00, 0x01, 0,    0,    0,    0x3A, 0,   0,    0,    0x60, 0,   0,   0,  //
        '2',  '0',  '2',  '0',  ':',  '0',  '2',  ':',  '2',  '9', ' ',  '1',  '2',  ':', '3', '4', ':', '5', '6',
        0,    0x01, 0x00, 0x03, 0x90, 0x02, 0x00, 0x14, 0,    0,   0,    0x4C, 0,    0,   0,   0,   0,   0,   0,  //
        '2',  '0',  '2',  '0',  ':',  '0',  '2',  ':',  '2',  '9', ' ',  '1',  '2',  ':', '3', '4', ':', '5', '6',
        0,    0x02, 0x00, 0x01, 0x02, 0x04, 0x00, 0x01, 0,    0,   0,    0x7E, 0,    0,   0,  //
        0x02, 0x02, 0x04, 0x00, 0x01, 0,    0,    0,    0,    0,   0,    0,    0,    0,   0,   0};
    EXPECT_EQ(Bytes(seg->data.get(), seg->data.get() + 134), expected);
    EXPECT_EQ(photoInfo.thumbOffset, 126u);
    EXPECT_EQ(photoInfo.thumbLength, 0u);
    EXPECT_EQ(photoInfo.thumbLengthPos, 118u);
    EXPECT_EQ(photoInfo.exifExtent, 96u);
    EXPECT_EQ(photoInfo.thumbAtEnd, 1);
    EXPECT_EQ(photoInfo.dateOffsetCount, 3);
    EXPECT_EQ(exifByteOrder, ExifByteOrder::Intel);
}

TEST_F(ExifSegmentTest, MinimalExifTakesTheFileTimeWhenTheFileHasNoDate) {
    resetJpegState(records.sectionList);
    photoInfo.fileModified = 86400 * 365;
    char expected[20];
    const std::time_t t = photoInfo.fileModified;
    std::strftime(expected, sizeof expected, "%Y:%m:%d %H:%M:%S", std::localtime(&t));
    char text[20];
    fileTimeText(photoInfo, text);
    EXPECT_STREQ(text, expected);
    buildMinimalExif(records);
    EXPECT_EQ(0, std::memcmp(findSection(records.sectionList, 0xE1)->data.get() + 46, expected, 20));
}

}  // namespace
}  // namespace lumivex
