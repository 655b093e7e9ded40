#include <gtest/gtest.h>

#include "tests/unit/exif_test_support.h"

namespace lumivex {
namespace {

using test::Bytes;
using test::ExifBuilder;

class GpsTest : public test::ExifParseTest {
  protected:
    // A block whose first directory links to a GPS directory built by `fill`.
    template <typename Fill>
    std::string parseGps(ExifByteOrder order, Fill fill) {
        ExifBuilder exif(order);
        const int ifd0 = exif.addDirectory();
        const int gps = exif.addDirectory();
        exif.addLink(ifd0, 0x8825, gps);
        fill(exif, gps);
        return parse(exif.segment());
    }
};

TEST_F(GpsTest, EmptyDirectory) {
    parseGps(ExifByteOrder::Intel, [](ExifBuilder&, int) {});
    EXPECT_EQ(photoInfo.gpsPresent, 1);
    EXPECT_STREQ(photoInfo.gpsLatitude, "? ?");
    EXPECT_STREQ(photoInfo.gpsLongitude, "? ?");
    EXPECT_STREQ(photoInfo.gpsAltitude, "");
}

struct CoordinateCase {
    std::vector<std::pair<int32_t, int32_t>> parts;
    const char* text;
};

TEST_F(GpsTest, CoordinateTexts) {
    const CoordinateCase cases[] = {
        {{{35, 1}, {39, 1}, {2940, 100}}, "N 35d 39m 29.40s"},
        {{{139, 1}, {41, 1}, {30, 1}}, "N 139d 41m 30s"},
        {{{5, 1}, {3, 1}, {0, 1}}, "N  5d  3m  0s"},
        {{{35, 1}, {3935, 100}, {0, 1}}, "N 35d 39.35m  0s"},
        {{{35000000, 1000000}, {39000000, 1000000}, {29400000, 1000000}}, "N 35.000000d 39.000000m 29.4000"},
        {{{1, 0}, {2, -5}, {7, 25}}, "N  0d -0m  0.28s"},
    };
    for (ExifByteOrder order : {ExifByteOrder::Intel, ExifByteOrder::Motorola}) {
        for (const CoordinateCase& c : cases) {
            SetUp();
            parseGps(order, [&](ExifBuilder& exif, int gps) {
                exif.addAscii(gps, 1, "N");
                Bytes value;
                for (auto [n, d] : c.parts) {
                    const Bytes part = test::encodeRationals({{n, d}}, order);
                    value.insert(value.end(), part.begin(), part.end());
                }
                exif.addEntry(gps, 2, FormatRational, 3, value);
            });
            EXPECT_STREQ(photoInfo.gpsLatitude, c.text);
        }
    }
}

TEST_F(GpsTest, ReferencesAndCoordinatesAreIndependent) {
    parseGps(ExifByteOrder::Intel, [](ExifBuilder& exif, int gps) {
        exif.addEntry(gps, 4, FormatRational, 3, test::encodeRationals({{1, 1}, {2, 1}, {3, 1}}, ExifByteOrder::Intel));
        exif.addAscii(gps, 1, "S");
    });
    EXPECT_STREQ(photoInfo.gpsLatitude, "S ?");
    EXPECT_STREQ(photoInfo.gpsLongitude, "?  1d  2m  3s");
}

TEST_F(GpsTest, Altitude) {
    struct Case {
        int ref;  // -1: none
        bool withAltitude;
        const char* text;
    };
    for (Case c : {Case{0, true, " 123.40m"}, Case{1, true, "-123.40m"}, Case{-1, true, ""}, Case{1, false, "-"}}) {
        SetUp();
        parseGps(ExifByteOrder::Motorola, [&](ExifBuilder& exif, int gps) {
            if (c.ref >= 0) exif.addEntry(gps, 5, FormatByte, 1, {static_cast<uint8_t>(c.ref)});
            if (c.withAltitude) exif.addRational(gps, 6, 1234, 10);
        });
        EXPECT_STREQ(photoInfo.gpsAltitude, c.text);
    }
}

TEST_F(GpsTest, ReportsAndSkips) {
    const std::string reports = parseGps(ExifByteOrder::Intel, [](ExifBuilder& exif, int gps) {
        exif.addEntry(gps, 2, FormatSRational, 3,
                      test::encodeRationals({{1, 1}, {2, 1}, {3, 1}}, ExifByteOrder::Intel));
        exif.addRawEntry(gps, 1, 0, 1, 'S');
        exif.addRawEntry(gps, 3, 13, 1, 'W');
        exif.addRawEntry(gps, 4, FormatRational, 3, 0xFFFFFFF0);
    });
    EXPECT_EQ(reports, report("Inappropriate format (10) for Exif GPS coordinates!") +
                           report("Illegal number format 0 for Exif gps tag 0001") +
                           report("Illegal number format 13 for Exif gps tag 0003") +
                           report("Illegal value pointer for Exif gps tag 0004"));
    EXPECT_STREQ(photoInfo.gpsLatitude, "?  1d  2m  3s");
    EXPECT_STREQ(photoInfo.gpsLongitude, "? ?");
}

TEST_F(GpsTest, CoordinatesWithoutThreeWholeValuesAreNotRead) {
    parseGps(ExifByteOrder::Intel, [](ExifBuilder& exif, int gps) {
        exif.addEntry(gps, 2, FormatRational, 2, test::encodeRationals({{1, 1}, {2, 1}}, ExifByteOrder::Intel));
        exif.addEntry(gps, 4, FormatLong, 3, test::encode32({35, 39, 29}, ExifByteOrder::Intel));
    });
    EXPECT_STREQ(photoInfo.gpsLatitude, "? ?");
    EXPECT_STREQ(photoInfo.gpsLongitude, "? 35d 39m 29s");  // narrow formats carry no fraction digits
}

TEST_F(GpsTest, DirectoryRunningPastTheBlockStopsAfterTheEntriesThatFit) {
    // A GPS directory that claims 3 entries, of which only the first lies inside the block.
    ExifBuilder exif(ExifByteOrder::Intel);
    const int ifd0 = exif.addDirectory();
    exif.addShort(ifd0, 0x0112, 1);
    const uint32_t gpsAt = static_cast<uint32_t>(exif.tiff().size()) + 12;  // after ifd0 grows by one entry
    Bytes gps = test::encode16({3}, ExifByteOrder::Intel);
    const Bytes ref = {1, 0, 2, 0, 2, 0, 0, 0, 'N', 0, 0, 0};
    gps.insert(gps.end(), ref.begin(), ref.end());
    exif.addRawEntry(ifd0, 0x8825, FormatLong, 1, gpsAt);
    exif.appendTrailingValue(ifd0, 0, gps);
    EXPECT_EQ(parse(exif.segment()), report("GPS info directory goes past end of exif"));
    EXPECT_STREQ(photoInfo.gpsLatitude, "N ?");
}

}  // namespace
}  // namespace lumivex
