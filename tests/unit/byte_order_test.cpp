#include "engine/exif/byte_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace lumivex {
namespace {

class ByteOrderTest : public ::testing::Test {};

TEST_F(ByteOrderTest, ReadsNumbersInTheGivenOrder) {
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(exifRead16(bytes, ExifByteOrder::Intel), 513);
    EXPECT_EQ(exifReadU32(bytes, ExifByteOrder::Intel), 0x04030201u);
    EXPECT_EQ(exifRead16(bytes, ExifByteOrder::Motorola), 258);
    EXPECT_EQ(exifReadU32(bytes, ExifByteOrder::Motorola), 0x01020304u);
}

TEST_F(ByteOrderTest, AllOnesReadSignedAndUnsigned) {
    const uint8_t ones[] = {0xFF, 0xFF, 0xFF, 0xFF};
    for (ExifByteOrder order : {ExifByteOrder::Intel, ExifByteOrder::Motorola}) {
        EXPECT_EQ(exifRead16(ones, order), 65535);
        EXPECT_EQ(exifRead32(ones, order), -1);
        EXPECT_EQ(exifReadU32(ones, order), 4294967295u);
        EXPECT_EQ(exifValueAsDouble(ones, FormatLong, order), 4294967295.0);
        EXPECT_EQ(exifValueAsDouble(ones, FormatSLong, order), -1.0);
        EXPECT_EQ(exifValueAsDouble(ones, FormatShort, order), 65535.0);
        EXPECT_EQ(exifValueAsDouble(ones, FormatSShort, order), -1.0);
        EXPECT_EQ(exifValueAsDouble(ones, FormatByte, order), 255.0);
        EXPECT_EQ(exifValueAsDouble(ones, FormatSByte, order), -1.0);
    }
}

TEST_F(ByteOrderTest, Write32StoresInEitherOrder) {
    uint8_t out[4];
    exifWrite32(out, 305419896, ExifByteOrder::Intel);
    EXPECT_EQ(0, std::memcmp(out, "\x78\x56\x34\x12", 4));
    exifWrite32(out, 305419896, ExifByteOrder::Motorola);
    EXPECT_EQ(0, std::memcmp(out, "\x12\x34\x56\x78", 4));
}

struct RationalCase {
    uint8_t bytes[8];
    double expected;
};

TEST_F(ByteOrderTest, RationalsAreSignedAndZeroDenominatorGivesZero) {
    const ExifByteOrder motorola = ExifByteOrder::Motorola;
    const RationalCase cases[] = {
        {{0, 0, 0, 72, 0, 0, 0, 1}, 72.0},
        {{0, 0, 0, 1, 0, 0, 0, 0}, 0.0},
        {{0x80, 0, 0, 0, 0, 0, 0, 1}, -2147483648.0},
        {{0, 0, 0x0B, 0x7C, 0, 0, 0, 100}, 29.4},
    };
    for (const RationalCase& c : cases) {
        EXPECT_DOUBLE_EQ(exifValueAsDouble(c.bytes, FormatRational, motorola), c.expected);
        EXPECT_DOUBLE_EQ(exifValueAsDouble(c.bytes, FormatSRational, motorola), c.expected);
    }
}

TEST_F(ByteOrderTest, FloatsAreLittleEndianWhateverTheBlockSays) {
    const uint8_t one[] = {0x00, 0x00, 0x80, 0x3F};
    const uint8_t two[] = {0, 0, 0, 0, 0, 0, 0x00, 0x40};
    for (ExifByteOrder order : {ExifByteOrder::Intel, ExifByteOrder::Motorola}) {
        EXPECT_EQ(exifValueAsDouble(one, FormatFloat, order), 1.0);
        EXPECT_EQ(exifValueAsDouble(two, FormatDouble, order), 2.0);
    }
}

TEST_F(ByteOrderTest, NonNumericFormatsReadAsZeroWithAReport) {
    const uint8_t bytes[8] = {'1', '2', '3', 0};
    for (int format : {0, int{FormatAscii}, int{FormatUndefined}, 13}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(exifValueAsDouble(bytes, format, ExifByteOrder::Intel), 0.0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "\nNonfatal Error : Illegal format code " + std::to_string(format) + " in Exif header\n");
    }
}

TEST_F(ByteOrderTest, DoubleConversionsNeverOverflow) {
    EXPECT_EQ(doubleToInt32(3.9), 3);
    EXPECT_EQ(doubleToInt32(-3.9), -3);
    EXPECT_EQ(doubleToInt32(3e9), INT32_MIN);
    EXPECT_EQ(doubleToInt32(std::numeric_limits<double>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(doubleToUint32Modulo(4294967297.0), 1u);
    EXPECT_EQ(doubleToUint32Modulo(-1.0), 4294967295u);
    EXPECT_EQ(doubleToUint32Modulo(1e300), 0u);
    EXPECT_TRUE(std::isinf(doubleToFloat(1e300)));
}

TEST(FormatTable, BytesPerFormat) {
    const int32_t expected[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    for (int i = 0; i <= kLastExifFormat; ++i) EXPECT_EQ(bytesPerFormat[i], expected[i]) << i;
}

}  // namespace
}  // namespace lumivex
