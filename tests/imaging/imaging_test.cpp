// Decode at a reduced scale, area reduction and baseline encoding, on small generated pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "imaging/image.h"
#include "imaging_support.h"

namespace lumivex::imaging {
namespace {

using test::dataPath;
using test::headerMarkers;
using test::readFile;

// Mean absolute difference of two images of one size and channel count.
double meanDifference(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(a.pixels[i] - b.pixels[i]);
    return sum / static_cast<double>(a.pixels.size());
}

struct ScaleCase {
    const char* file;
    int minWidth, minHeight;
    int width, height, channels;
    int sourceWidth = 320, sourceHeight = 240;
};

class DecodeScaled : public testing::TestWithParam<ScaleCase> {};

// The smallest of 1/8, 1/4, 1/2, 1 that still covers the asked size; a scaled side is rounded up.
TEST_P(DecodeScaled, GivesTheSmallestScaleThatCoversTheAskedSize) {
    const ScaleCase& c = GetParam();
    const DecodedImage fromBytes = decodeJpegScaled(readFile(dataPath(c.file)), c.minWidth, c.minHeight);
    const DecodedImage fromFile = decodeJpegFileScaled(dataPath(c.file), c.minWidth, c.minHeight);
    for (const DecodedImage* d : {&fromBytes, &fromFile}) {
        ASSERT_TRUE(d->ok()) << d->error;
        EXPECT_EQ(d->image.width, c.width);
        EXPECT_EQ(d->image.height, c.height);
        EXPECT_EQ(d->image.channels, c.channels);
        EXPECT_EQ(d->sourceWidth, c.sourceWidth);
        EXPECT_EQ(d->sourceHeight, c.sourceHeight);
        EXPECT_EQ(d->image.pixels.size(), size_t(c.width) * c.height * c.channels);
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, DecodeScaled,
                         testing::Values(ScaleCase{"baseline-420.jpg", 40, 30, 40, 30, 3},
                                         ScaleCase{"baseline-420.jpg", 41, 30, 80, 60, 3},
                                         ScaleCase{"baseline-420.jpg", 80, 61, 160, 120, 3},
                                         ScaleCase{"baseline-420.jpg", 161, 1, 320, 240, 3},
                                         ScaleCase{"baseline-420.jpg", 1000, 1000, 320, 240, 3},
                                         ScaleCase{"progressive.jpg", 60, 45, 80, 60, 3},
                                         ScaleCase{"full-chroma-444.jpg", 100, 10, 160, 120, 3},
                                         ScaleCase{"grey.jpg", 40, 30, 40, 30, 1},
                                         ScaleCase{"cmyk.jpg", 160, 120, 160, 120, 3},
                                         ScaleCase{"wide-1279x960.jpg", 160, 120, 160, 120, 3, 1279, 960}));

// Each kind of picture decodes to what the plain baseline one shows (CMYK converted to RGB, grey as luma).
TEST(Decode, EveryKindShowsThePicture) {
    const Image reference = decodeJpegScaled(readFile(dataPath("baseline-420.jpg")), 80, 60).image;
    for (const char* file : {"progressive.jpg", "full-chroma-444.jpg", "cmyk.jpg", "grey.jpg"}) {
        const DecodedImage d = decodeJpegScaled(readFile(dataPath(file)), 80, 60);
        ASSERT_TRUE(d.ok()) << file << ": " << d.error;
        const Image expected = d.image.channels == 1 ? toLuma(reference) : reference;
        EXPECT_LT(meanDifference(d.image, expected), 8.0) << file;
    }
}

// Broken data is an error with a message, never a crash and never a partly grey picture.
TEST(Decode, BrokenDataIsAnErrorWithAMessage) {
    const std::vector<uint8_t> good = readFile(dataPath("baseline-420.jpg"));
    std::vector<uint8_t> flipped = good;
    for (size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i) flipped[i] = 0xFF;
    const std::vector<std::vector<uint8_t>> broken = {
        {},
        {0xFF, 0xD8},
        {'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'},
        std::vector<uint8_t>(good.begin(), good.begin() + 400),              // ends in the headers
        std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2),  // ends in the image data
        flipped,
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        const DecodedImage d = decodeJpegScaled(broken[i], 40, 30);
#ifdef _WIN32
        // The Windows codec conceals damaged image data that is complete in length, as viewers do; it reports
        // only streams that end early or have bad headers. It must not crash on them either way.
        if (&broken[i] == &broken.back()) {
            EXPECT_TRUE(!d.ok() || d.image.width == 40) << d.error;
            continue;
        }
#endif
        EXPECT_FALSE(d.ok()) << "case " << i;
        EXPECT_NE(d.error.find("JPEG"), std::string::npos) << "case " << i << ": " << d.error;
        EXPECT_TRUE(d.image.pixels.empty()) << "case " << i;
    }
    const DecodedImage missing = decodeJpegFileScaled(dataPath("no-such-file.jpg"), 40, 30);
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error.find("no-such-file.jpg"), std::string::npos) << missing.error;
}

// A device named as a photo is refused without a read that could wait on it.
TEST(Decode, ADeviceIsNotReadAsAPhoto) {
#ifdef _WIN32
    const std::string device = "NUL";
#else
    const std::string device = "/dev/null";
#endif
    const DecodedImage d = decodeJpegFileScaled(device, 40, 30);
    EXPECT_FALSE(d.ok());
    EXPECT_NE(d.error.find("is not a regular file"), std::string::npos) << d.error;
}

// A thumbnail is baseline with nothing but the tables, the frame and the scan: no APPn, no COM.
TEST(Encode, BaselineWithoutApplicationSegments) {
    const Image colour = decodeJpegScaled(readFile(dataPath("cmyk.jpg")), 160, 120).image;
    for (const Image& image : {colour, toLuma(colour)}) {
        const EncodedJpeg jpeg = encodeBaselineJpeg(image, 85);
        ASSERT_TRUE(jpeg.ok()) << jpeg.error;
        const std::vector<int> markers = headerMarkers(jpeg.bytes);
        ASSERT_FALSE(markers.empty());
        EXPECT_EQ(markers.front(), 0xD8);
        EXPECT_EQ(markers.back(), 0xDA);
        for (int marker : markers) {
            EXPECT_TRUE(marker == 0xD8 || marker == 0xDB || marker == 0xC4 || marker == 0xC0 || marker == 0xDA)
                << std::hex << marker;
        }
        EXPECT_EQ(jpeg.bytes[jpeg.bytes.size() - 2], 0xFF);
        EXPECT_EQ(jpeg.bytes.back(), 0xD9);
        const DecodedImage back = decodeJpegScaled(jpeg.bytes, 1000, 1000);
        ASSERT_TRUE(back.ok()) << back.error;
        EXPECT_EQ(back.image.channels, image.channels);
        EXPECT_LT(meanDifference(back.image, image), 6.0);
    }
}

// Colour is YCbCr with the chroma halved both ways (4:2:0), as thumbnail readers expect.
TEST(Encode, ColourIsSubsampledYCbCr) {
    const Image colour = decodeJpegScaled(readFile(dataPath("baseline-420.jpg")), 160, 120).image;
    const EncodedJpeg jpeg = encodeBaselineJpeg(colour, 85);
    ASSERT_TRUE(jpeg.ok()) << jpeg.error;
    static constexpr uint8_t kSof0[] = {0xFF, 0xC0};
    const auto sof = std::search(jpeg.bytes.begin(), jpeg.bytes.end(), std::begin(kSof0), std::end(kSof0));
    ASSERT_NE(sof, jpeg.bytes.end());
    const size_t at = static_cast<size_t>(sof - jpeg.bytes.begin());
    ASSERT_LT(at + 19, jpeg.bytes.size());
    EXPECT_EQ(jpeg.bytes[at + 9], 3);      // components
    EXPECT_EQ(jpeg.bytes[at + 11], 0x22);  // Y sampled 2x2
    EXPECT_EQ(jpeg.bytes[at + 14], 0x11);  // Cb
    EXPECT_EQ(jpeg.bytes[at + 17], 0x11);  // Cr
}

TEST(Encode, RefusesWhatIsNotAnImage) {
    Image bad{4, 4, 3, std::vector<uint8_t>(10)};
    EXPECT_FALSE(encodeBaselineJpeg(bad, 85).ok());
    EXPECT_FALSE(encodeBaselineJpeg(Image{}, 85).ok());
    EXPECT_FALSE(encodeBaselineJpeg(Image{2, 2, 1, std::vector<uint8_t>(4)}, 0).ok());
}

TEST(FitInBox, KeepsTheAspectWithinTheBox) {
    struct Case {
        int w, h, boxW, boxH;
        Size expected;
    };
    for (const Case& c :
         {Case{3000, 2000, 160, 120, {160, 107}}, Case{2000, 3000, 160, 120, {80, 120}},
          Case{4000, 3000, 160, 120, {160, 120}}, Case{1920, 1080, 160, 120, {160, 90}},
          Case{100, 66, 160, 120, {100, 66}}, Case{20000, 10, 160, 120, {160, 1}}, Case{0, 10, 160, 120, {0, 0}}}) {
        const Size s = fitInBox(c.w, c.h, c.boxW, c.boxH);
        EXPECT_EQ(s.width, c.expected.width) << c.w << "x" << c.h;
        EXPECT_EQ(s.height, c.expected.height) << c.w << "x" << c.h;
    }
}

// Each output pixel is the mean of the area it covers, fractions of pixels included.
TEST(ResizeArea, AveragesTheCoveredArea) {
    const Image stripes{4, 1, 1, {0, 255, 0, 255}};
    EXPECT_EQ(resizeArea(stripes, 2, 1).pixels, (std::vector<uint8_t>{128, 128}));
    EXPECT_EQ(resizeArea(stripes, 1, 1).pixels, (std::vector<uint8_t>{128}));
    const Image three{3, 1, 1, {0, 90, 180}};
    EXPECT_EQ(resizeArea(three, 2, 1).pixels, (std::vector<uint8_t>{30, 150}));  // 1.5 pixels each
    const Image rgb{2, 2, 3, {10, 20, 30, 10, 20, 30, 50, 60, 70, 50, 60, 70}};
    EXPECT_EQ(resizeArea(rgb, 1, 1).pixels, (std::vector<uint8_t>{30, 40, 50}));
    const Image photo = decodeJpegScaled(readFile(dataPath("baseline-420.jpg")), 320, 240).image;
    const Image small = resizeArea(photo, 157, 93);
    EXPECT_EQ(small.width, 157);
    EXPECT_EQ(small.height, 93);
    EXPECT_EQ(small.pixels.size(), size_t(157) * 93 * 3);
    EXPECT_TRUE(resizeArea(photo, 0, 10).pixels.empty());
    EXPECT_TRUE(resizeArea(Image{4, 4, 3, std::vector<uint8_t>(47)}, 2, 2).pixels.empty());  // pixels cut short
}

// Rows held elsewhere with padding between them (a toolkit's image): the padding never reaches the average, and
// four channels are averaged each on its own.
TEST(ResizeArea, ReadsRowsByTheirStride) {
    const std::vector<uint8_t> rows = {
        10, 20, 30, 40, 30, 40, 50, 60,  0xFF, 0xFF,  // two pixels, then padding
        50, 60, 70, 80, 70, 80, 90, 100, 0xFF, 0xFF,
    };
    std::vector<uint8_t> out(6, 0xEE);
    resizeArea(PixelView{rows.data(), 2, 2, 4, 10}, 1, 1, out.data(), 4);
    EXPECT_EQ(out, (std::vector<uint8_t>{40, 50, 60, 70, 0xEE, 0xEE}));
}

}  // namespace
}  // namespace lumivex::imaging
