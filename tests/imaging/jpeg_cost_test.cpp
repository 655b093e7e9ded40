#include "imaging/jpeg_cost.h"

#include <gtest/gtest.h>

#include "imaging_support.h"

namespace lumivex::imaging {
namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}

// SOI, a frame header (SOF0 or SOF2) of the given components (id, sampling), then `scans` scans of one
// component whose data holds a stuffed FF, a restart marker, and fill bytes before the next marker; then EOI.
Bytes stream(int sof, int width, int height, std::initializer_list<int> sampling, int scans) {
    Bytes out;
    append(out, {0xFF, 0xD8});
    // An APP1 whose body holds FF DA: inside a segment, it is no scan.
    append(out, {0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xDA, 0xFF, 0xDA});
    const int n = static_cast<int>(sampling.size());
    append(out, {0xFF, sof, 0, 8 + 3 * n, 8, height >> 8, height & 255, width >> 8, width & 255, n});
    int id = 1;
    for (int s : sampling) append(out, {id++, s, 0});
    for (int i = 0; i < scans; ++i)
        append(out, {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0x12, 0xFF, 0x00, 0xFF, 0xD3, 0x34, 0xFF, 0xFF});
    append(out, {0xFF, 0xD9});
    return out;
}

struct CostCase {
    const char* what;
    Bytes jpeg;
    bool progressive;
    uint64_t coefficientBytes;
    int scans;
};

TEST(JpegCost, ReadsTheFrameAndCountsTheScansFromTheMarkersAlone) {
    const CostCase cases[] = {
        {"a DC-only bomb: 5000x5000 blocks", stream(0xC2, 40000, 40000, {0x11}, 1), true, 5000ull * 5000 * 128, 1},
        {"hundreds of scans", stream(0xC2, 64, 64, {0x11}, 883), true, 64 * 128, 883},
        // 4:2:0: luma 2x2 blocks, each chroma one block (33x17 pads luma to 6x4 MCU-aligned blocks, chroma 3x2).
        {"4:2:0, padded to whole MCUs", stream(0xC0, 33, 17, {0x22, 0x11, 0x11}, 1), false, (24 + 6 + 6) * 128ull, 1},
        {"progressive camera file", test::readFile(test::dataPath("progressive.jpg")), true, 40 * 30 * 3 * 128, 10},
    };
    for (const CostCase& c : cases) {
        SCOPED_TRACE(c.what);
        JpegCost whole;
        whole.feed(c.jpeg.data(), c.jpeg.size());
        JpegCost byByte;  // as read in pieces: every byte its own piece
        for (uint8_t b : c.jpeg) byByte.feed(&b, 1);
        EXPECT_TRUE(whole.frameSeen());
        EXPECT_EQ(whole.progressive(), c.progressive);
        EXPECT_EQ(whole.coefficientBytes(), c.coefficientBytes);
        EXPECT_EQ(whole.scans(), c.scans);
        EXPECT_EQ(byByte.coefficientBytes(), whole.coefficientBytes());
        EXPECT_EQ(byByte.scans(), whole.scans());
    }
}

TEST(JpegCost, LargerImagesMayTakeFewerScans) {
    const struct {
        uint64_t coefficientBytes;
        int maxScans;
    } cases[] = {
        {0, kMaxScans},                                  // a sequential image, decoded as it is read
        {4000ull * 3000 / 64 * 3 / 2 * 128, kMaxScans},  // a 12 MP colour photo
        {1024ull * 1024 * 128, 32},                      // 8192x8192 grey
        {kMaxDecoderMemory, 21},                         // the largest buffer allowed
        {kMaxDecoderMemory * 64, 4},                     // never fewer than one scan per component
    };
    for (const auto& c : cases) EXPECT_EQ(maxScansFor(c.coefficientBytes), c.maxScans) << c.coefficientBytes;
}

}  // namespace
}  // namespace lumivex::imaging
