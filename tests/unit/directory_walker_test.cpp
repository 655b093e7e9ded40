#include <gtest/gtest.h>

#include <cstring>

#include "engine/exif/exif_layout.h"
#include "tests/unit/exif_test_support.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;

class WalkerTest : public test::ExifParseTest, public ::testing::WithParamInterface<ExifByteOrder> {};

// A typical camera block: IFD0 with the camera facts and a link to the Exif IFD, IFD1 with the thumbnail.
ExifBuilder cameraBlock(ExifByteOrder order, const Bytes& thumbnail) {
    ExifBuilder exif(order);
    const int ifd0 = exif.addDirectory();
    const int exifIfd = exif.addDirectory();
    const int ifd1 = exif.addDirectory();
    exif.addAscii(ifd0, 0x010F, "Canon");
    exif.addAscii(ifd0, 0x0110, "Canon EOS 40D");
    exif.addShort(ifd0, 0x0112, 6);
    exif.addRational(ifd0, 0x011A, 72, 1);
    exif.addRational(ifd0, 0x011B, 72, 1);
    exif.addShort(ifd0, 0x0128, 2);
    exif.addAscii(ifd0, 0x0132, "2008:05:30 15:56:01");
    exif.addLink(ifd0, 0x8769, exifIfd);
    exif.setNext(ifd0, ifd1);
    exif.addRational(exifIfd, 0x829A, 1, 160);
    exif.addRational(exifIfd, 0x829D, 71, 10);
    exif.addShort(exifIfd, 0x8827, 100);
    exif.addAscii(exifIfd, 0x9003, "2008:05:29 10:00:00");
    exif.addShort(exifIfd, 0x9209, 9);
    exif.addRational(exifIfd, 0x920A, 135, 1);
    exif.addRational(ifd1, 0x011A, 300, 1);  // the thumbnail's resolution is not the photo's
    exif.setThumbnail(ifd1, thumbnail);
    return exif;
}

TEST_P(WalkerTest, TypicalCameraBlock) {
    const Bytes thumbnail(100, 0xAB);
    ExifBuilder exif = cameraBlock(GetParam(), thumbnail);
    EXPECT_EQ(parse(exif.segment()), "");
    EXPECT_STREQ(photoInfo.cameraMake, "Canon");
    EXPECT_STREQ(photoInfo.cameraModel, "Canon EOS 40D");
    EXPECT_STREQ(photoInfo.dateTime, "2008:05:29 10:00:00");  // DateTimeOriginal wins
    EXPECT_EQ(photoInfo.orientation, 6);
    EXPECT_FLOAT_EQ(photoInfo.xResolution, 72);
    EXPECT_EQ(photoInfo.resolutionUnit, 2);
    EXPECT_FLOAT_EQ(photoInfo.exposureTime, 1.0f / 160);
    EXPECT_FLOAT_EQ(photoInfo.fNumber, 7.1f);
    EXPECT_EQ(photoInfo.isoEquivalent, 100);
    EXPECT_EQ(photoInfo.flash, 9);
    EXPECT_FLOAT_EQ(photoInfo.focalLength, 135);
    EXPECT_EQ(photoInfo.dateOffsetCount, 2);
    EXPECT_EQ(photoInfo.thumbOffset, exif.thumbnailOffset());
    EXPECT_EQ(photoInfo.thumbLength, 100u);
    EXPECT_LT(photoInfo.exifExtent, photoInfo.thumbOffset);
    EXPECT_EQ(photoInfo.thumbAtEnd, 1);
    EXPECT_EQ(exifReadU32(segment.data() + 8 + photoInfo.thumbLengthPos, GetParam()), 100u);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, WalkerTest, ::testing::Values(ExifByteOrder::Intel, ExifByteOrder::Motorola));

class WalkerEdgeTest : public test::ExifParseTest {};

TEST_F(WalkerEdgeTest, NextLinkJustPastTheBlockIsNotFollowedButRaisesTheExtent) {
    for (uint32_t beyond : {1u, 19u}) {
        SetUp();
        ExifBuilder exif(ExifByteOrder::Intel);
        const int ifd0 = exif.addDirectory();
        exif.setThumbnail(ifd0, Bytes(10, 1));
        const uint32_t tiffLength = static_cast<uint32_t>(exif.tiff().size());
        exif.setNextRaw(ifd0, tiffLength + beyond);
        EXPECT_EQ(parse(exif.segment()), "") << beyond;
        EXPECT_EQ(photoInfo.exifExtent, tiffLength + beyond);
        EXPECT_EQ(photoInfo.thumbAtEnd, 0);
    }
    SetUp();
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addAscii(ifd0, 0x010F, "Maker");
    exif.setNextRaw(ifd0, 1000);
    EXPECT_EQ(parse(exif.segment()), report("Illegal subdirectory link in Exif header"));
}

TEST_F(WalkerEdgeTest, ADirectoryThatLinksToItselfIsReadOnce) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addAscii(ifd0, 0x0132, "2001:01:01 00:00:00");
    exif.setNextRaw(ifd0, 8);
    EXPECT_EQ(parse(exif.segment()), report("Exif directory at offset 8 is linked more than once; read once"));
    EXPECT_EQ(photoInfo.dateOffsetCount, 1);
}

TEST_F(WalkerEdgeTest, FanOutToOneDirectoryIsBounded) {
    // Thousands of links to one sub-directory, which links to another: read once each, not once per link.
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    const int sub = exif.addDirectory();
    for (int i = 0; i < 4000; ++i) exif.addLink(ifd0, 0x8769, sub);
    exif.addAscii(sub, 0x0132, "2001:01:01 00:00:00");
    parse(exif.segment());
    EXPECT_EQ(photoInfo.dateOffsetCount, 1);
}

TEST_F(WalkerEdgeTest, DirectorySizeAgainstTheBlockEnd) {
    struct Case {
        int slack;  // bytes between the directory's last entry and the block's end
        bool accepted;
    };
    for (Case c : {Case{0, true}, Case{2, true}, Case{1, false}, Case{3, false}, Case{-2, false}}) {
        SetUp();
        // Header (8) + count (2) + one entry (12), then `slack` bytes.
        Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 3, 0, 0, 0};
        if (c.slack >= 0) tiff.resize(tiff.size() + static_cast<size_t>(c.slack), 0);
        if (c.slack < 0) tiff.resize(tiff.size() - static_cast<size_t>(-c.slack));
        Bytes seg = {0, 0, 'E', 'x', 'i', 'f', 0, 0};
        seg.insert(seg.end(), tiff.begin(), tiff.end());
        seg.resize(std::max<size_t>(seg.size(), 16));
        const std::string reports = parse(seg);
        EXPECT_EQ(photoInfo.orientation, c.accepted ? 3 : 0) << c.slack;
        if (!c.accepted) {
            EXPECT_EQ(reports, report("Illegally sized Exif subdirectory (1 entries)")) << c.slack;
        }
    }
}

TEST_F(WalkerEdgeTest, ComponentLimit) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addEntry(ifd0, 0x927C, FormatUndefined, 65536, Bytes(65536, 0));
    EXPECT_EQ(parse(exif.segment()), "");
    ExifBuilder tooMany(ExifByteOrder::Intel);
    const int d = tooMany.addDirectory();
    tooMany.addRawEntry(d, 0x927C, FormatUndefined, 65537, 8);
    EXPECT_EQ(parse(tooMany.segment()), report("Too many components 65537 for tag 927c in Exif"));
}

TEST_F(WalkerEdgeTest, EntryChecks) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addRawEntry(ifd0, 0x0110, 13, 1, 0);
    exif.addRawEntry(ifd0, 0x0132, 0, 19, 0);                     // a value of no bytes: no date to read
    exif.addRawEntry(ifd0, 0x010F, FormatAscii, 20, 0xFFFFFFF0);  // offset + count wraps in 32 bits
    exif.addRawEntry(ifd0, 0x8769, FormatLong, 1, 0xFFFFFFFF);
    exif.addRawEntry(ifd0, 0x8825, FormatLong, 1, 0x10000);
    EXPECT_EQ(parse(exif.segment()), report("Illegal number format 13 for tag 0110 in Exif") +
                                         report("Illegal number format 0 for tag 0132 in Exif") +
                                         report("Illegal value pointer for tag 010f in Exif") +
                                         report("Illegal Exif or interop ofset directory link") +
                                         report("Illegal GPS directory link in Exif"));
    EXPECT_EQ(photoInfo.cameraMake[0], '\0');
    EXPECT_EQ(photoInfo.dateOffsetCount, 0);
}

TEST_F(WalkerEdgeTest, ThumbnailOffsetAndLengthAgainstTheBlock) {
    struct Case {
        int offsetFromEnd;  // ThumbnailOffset relative to tiffLength
        uint32_t length;
        uint32_t expectedOffsetFromEnd;  // 1 = nothing set
        uint32_t expectedLength;
    };
    for (Case c : {Case{0, 5, 0, 0}, Case{1, 5, 1, 0}, Case{-4, 100, 4, 4}}) {
        SetUp();
        ExifBuilder exif(ExifByteOrder::Intel);
        const int ifd0 = exif.addDirectory();
        exif.addLong(ifd0, 0x0201, 0);
        exif.addLong(ifd0, 0x0202, c.length);
        const uint32_t tiffLength = static_cast<uint32_t>(exif.tiff().size()) + 4;
        ExifBuilder real(ExifByteOrder::Intel);
        const int d = real.addDirectory();
        real.addLong(d, 0x0201, static_cast<uint32_t>(static_cast<int>(tiffLength) + c.offsetFromEnd));
        real.addLong(d, 0x0202, c.length);
        real.appendTrailingValue(d, 0, Bytes(4, 0));
        parse(real.segment());
        if (c.expectedOffsetFromEnd == 1) {
            EXPECT_EQ(photoInfo.thumbOffset, 0u);
        } else {
            EXPECT_EQ(photoInfo.thumbOffset, tiffLength - c.expectedOffsetFromEnd);
            EXPECT_EQ(photoInfo.thumbLength, c.expectedLength);
        }
    }
}

TEST_F(WalkerEdgeTest, LengthWithoutOffsetSetsOnlyThePosition) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addLong(ifd0, 0x0202, 77);
    parse(exif.segment());
    EXPECT_EQ(photoInfo.thumbLengthPos, 8u + 2 + 8);
    EXPECT_EQ(photoInfo.thumbLength, 0u);
    EXPECT_EQ(photoInfo.thumbOffset, 0u);
}

TEST_F(WalkerEdgeTest, IsoSpeedRules) {
    struct Case {
        uint16_t iso;
        int32_t exposureIndex;  // -1: none
        int32_t expected;
    };
    for (Case c : {Case{1, -1, 200}, Case{49, -1, 9800}, Case{50, -1, 50}, Case{0, 100, 100}, Case{80, 100, 80}}) {
        SetUp();
        ExifBuilder exif(ExifByteOrder::Motorola);
        const int ifd0 = exif.addDirectory();
        exif.addShort(ifd0, 0x8827, c.iso);
        if (c.exposureIndex >= 0) exif.addRational(ifd0, 0xA215, c.exposureIndex, 1);
        parse(exif.segment());
        EXPECT_EQ(photoInfo.isoEquivalent, c.expected) << c.iso;
    }
}

TEST_F(WalkerEdgeTest, ApexValuesFillOnlyWhatIsMissing) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addRational(ifd0, 0x9201, 5, 1);
    exif.addRational(ifd0, 0x9202, 4, 1);
    exif.addRational(ifd0, 0x829D, 28, 10);  // met after ApertureValue: overwrites
    parse(exif.segment());
    EXPECT_FLOAT_EQ(photoInfo.exposureTime, 0.03125f);
    EXPECT_FLOAT_EQ(photoInfo.fNumber, 2.8f);

    ExifBuilder earlier(ExifByteOrder::Intel);
    const int d = earlier.addDirectory();
    earlier.addRational(d, 0x829A, 1, 100);
    earlier.addRational(d, 0x9201, 5, 1);
    earlier.addRational(d, 0x9205, 4, 1);
    SetUp();
    parse(earlier.segment());
    EXPECT_FLOAT_EQ(photoInfo.exposureTime, 0.01f);
    EXPECT_FLOAT_EQ(photoInfo.fNumber, 4.0f);
}

TEST_F(WalkerEdgeTest, ResolutionOnlyFromTheFirstDirectory) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    const int ifd1 = exif.addDirectory();
    exif.addRational(ifd0, 0x011A, 72, 1);
    exif.setNext(ifd0, ifd1);
    exif.addRational(ifd1, 0x011A, 300, 1);
    exif.addShort(ifd1, 0x0128, 3);
    parse(exif.segment());
    EXPECT_FLOAT_EQ(photoInfo.xResolution, 72);
    EXPECT_FLOAT_EQ(photoInfo.yResolution, 72);
    EXPECT_EQ(photoInfo.resolutionUnit, 0);
}

TEST_F(WalkerEdgeTest, UserComments) {
    struct Case {
        Bytes value;
        std::string comment;
        Bytes valueAfter;
    };
    const auto bytes = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    const Case cases[] = {
        {bytes(std::string("ASCII\0\0\0Hello   ", 16)), "Hello", bytes(std::string("ASCII\0\0\0Hello\0\0\0", 16))},
        {bytes(std::string("ASCII\0\0\0  Hello", 15)), "", bytes(std::string("ASCII\0\0\0  Hello", 15))},
        {bytes(std::string("UNICODE\0H\0i\0", 12)), "UNICODE", bytes(std::string("UNICODE\0H\0i\0", 12))},
        {bytes("Hi"), "Hi", bytes("Hi")},
    };
    for (const Case& c : cases) {
        SetUp();
        ExifBuilder exif(ExifByteOrder::Intel);
        const int ifd0 = exif.addDirectory();
        exif.addEntry(ifd0, 0x9286, FormatUndefined, static_cast<uint32_t>(c.value.size()), c.value);
        parse(exif.segment());
        EXPECT_EQ(std::string(photoInfo.comment), c.comment);
        // The trailing blanks become NULs in the segment itself.
        const Bytes written = segment;
        EXPECT_NE(std::search(written.begin(), written.end(), c.valueAfter.begin(), c.valueAfter.end()), written.end());
    }
}

TEST_F(WalkerEdgeTest, WindowsCommentIsCopiedRaw) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addEntry(ifd0, 0x9C9C, FormatByte, 10, Bytes{'H', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0});
    parse(exif.segment());
    EXPECT_EQ(photoInfo.commentWideChars, 5);
    EXPECT_EQ(0, std::memcmp(photoInfo.comment, "H\0e\0l\0l\0o\0", 10));
}

TEST_F(WalkerEdgeTest, OrientationRules) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addShort(ifd0, 0x0112, 3);
    exif.addShort(ifd0, 0x0112, 5);
    exif.addShort(ifd0, 0x0112, 7);
    EXPECT_EQ(parse(exif.segment()), report("More than two orientation in Exif"));
    EXPECT_EQ(photoInfo.orientation, 3);

    SetUp();
    ExifBuilder bad(ExifByteOrder::Intel);
    const int d = bad.addDirectory();
    bad.addShort(d, 0x0112, 9);
    EXPECT_EQ(parse(bad.segment()), report("Undefined rotation value 9 in Exif"));
    EXPECT_EQ(photoInfo.orientation, 0);
}

TEST_F(WalkerEdgeTest, TwelveDatesRecordTen) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    for (int i = 0; i < 12; ++i) exif.addAscii(ifd0, 0x9004, "2001:01:01 00:00:00");
    const std::string nuts = report("More than 10 date fields in Exif.  This is nuts");
    EXPECT_EQ(parse(exif.segment()), nuts + nuts);
    EXPECT_EQ(photoInfo.dateOffsetCount, 10);
}

TEST_F(WalkerEdgeTest, FocalPlaneUnitsAndSensorSize) {
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addRational(ifd0, 0xA20E, 3000, 1);
    exif.addShort(ifd0, 0xA210, 2);
    exif.addShort(ifd0, 0xA002, 3000);
    exif.addShort(ifd0, 0xA003, 2000);
    exif.addRational(ifd0, 0x920A, 10, 1);
    parse(exif.segment());
    EXPECT_FLOAT_EQ(photoInfo.ccdWidth, 25.4f);
    EXPECT_EQ(photoInfo.focalLength35mm, 14);

    SetUp();
    ExifBuilder unknown(ExifByteOrder::Intel);
    const int d = unknown.addDirectory();
    unknown.addRational(d, 0xA20E, 3000, 1);
    unknown.addShort(d, 0xA210, 6);
    unknown.addShort(d, 0xA002, 3000);
    unknown.addRational(d, 0x920A, 10, 1);
    parse(unknown.segment());
    EXPECT_EQ(photoInfo.ccdWidth, 0.0f);  // no unit, no width: the 35 mm equivalent stays unknown
    EXPECT_EQ(photoInfo.focalLength35mm, 0);
}

TEST_F(WalkerEdgeTest, ValuesShorterThanTheirFormatReadAsZero) {
    // A RATIONAL with no components in the very last entry of the block: nothing past the block is read.
    Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x9A, 0x82, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes seg = {0, 0, 'E', 'x', 'i', 'f', 0, 0};
    seg.insert(seg.end(), tiff.begin(), tiff.end());
    EXPECT_EQ(parse(seg), "");
    EXPECT_EQ(photoInfo.exposureTime, 0.0f);
}

}  // namespace
}  // namespace lumivex
