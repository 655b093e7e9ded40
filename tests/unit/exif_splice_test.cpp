#include "engine/thumbnail/exif_splice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumivex/photo_head.h"

namespace lumivex {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes segmentOf(uint8_t marker, const std::string& signature, size_t payload) {
    Bytes s{0xFF, marker, static_cast<uint8_t>((payload + 2) >> 8), static_cast<uint8_t>(payload + 2)};
    s.insert(s.end(), signature.begin(), signature.end());
    s.resize(4 + payload, 0x11);
    return s;
}

PhotoHead headOf(std::initializer_list<Bytes> segments, uint64_t imageBytes) {
    PhotoHead head;
    head.bytes = {0xFF, 0xD8};
    for (const Bytes& s : segments) head.bytes.insert(head.bytes.end(), s.begin(), s.end());
    const Bytes sos{0xFF, 0xDA, 0x00, 0x03, 0x01};
    head.bytes.insert(head.bytes.end(), sos.begin(), sos.end());
    std::string why;
    EXPECT_EQ(walkSegments(head.bytes, head.bytes.size() + imageBytes, head.map, why), WalkStatus::Complete);
    return head;
}

const Bytes kJfif = segmentOf(0xE0, "JFIF", 14);
const Bytes kMpf = segmentOf(0xE2, std::string("MPF\0", 4), 40);
const Bytes kExif = segmentOf(0xE1, std::string("Exif\0\0", 6), 600);

struct SpliceCase {
    const char* name;
    PhotoHead head;
    size_t newPayload;     // of the new Exif segment
    bool planned;          // false: refused
    uint64_t offset;       // where the splice goes
    uint64_t length;       // bytes of the original it replaces
    int64_t imageMovesBy;  // the image data's shift
};

class ExifSplicePlan : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(ExifSplicePlan, ReplacesTheExifSegmentAndKeepsTheImageDataOnBlocks) {
    const SpliceCase& c = GetParam();
    const Bytes fresh = segmentOf(0xE1, std::string("Exif\0\0", 6), c.newPayload);
    SplicePlan plan;
    std::string why;
    ASSERT_EQ(
        planExifSplice(c.head.bytes, c.head.map, fresh.data() + 2, static_cast<uint32_t>(fresh.size() - 2), plan, why),
        c.planned)
        << why;
    if (!c.planned) {
        EXPECT_NE(why.find("MPF index"), std::string::npos);
        return;
    }
    ASSERT_EQ(plan.splices.size(), 1u);
    const Splice& s = plan.splices[0];
    EXPECT_EQ(s.offset, c.offset);
    EXPECT_EQ(s.length, c.length);
    EXPECT_EQ(static_cast<int64_t>(plannedSize(plan)) - static_cast<int64_t>(plan.sourceSize), c.imageMovesBy);
    EXPECT_EQ(s.bytes.size() - 2, size_t{s.bytes[2]} << 8 | s.bytes[3]);  // the length value counts the zeros
    EXPECT_TRUE(std::equal(fresh.begin() + 4, fresh.end(), s.bytes.begin() + 4));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExifSplicePlan,
    ::testing::Values(SpliceCase{"shrinks_padded_back", headOf({kJfif, kExif}, 9000), 100, true, 20, 604, 0},
                      SpliceCase{"grows_by_one_block", headOf({kJfif, kExif}, 9000), 700, true, 20, 604, 4096},
                      SpliceCase{"past_the_limit_unpadded", headOf({kExif}, 9000), 65000, true, 2, 604, 64400},
                      SpliceCase{"inserted_after_app0", headOf({kJfif, kJfif}, 9000), 100, true, 38, 0, 4096},
                      SpliceCase{"mpf_after_moves_with_it", headOf({kExif, kMpf}, 9000), 700, true, 2, 604, 4096},
                      SpliceCase{"mpf_before_same_size", headOf({kMpf, kExif}, 9000), 100, true, 46, 604, 0},
                      SpliceCase{"mpf_before_growing", headOf({kMpf, kExif}, 9000), 700, false, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumivex
