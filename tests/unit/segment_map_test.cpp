#include "lumivex/segment_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lumivex/splice.h"

namespace lumivex {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes jpegWith(std::initializer_list<Bytes> segments) {
    Bytes out{0xFF, 0xD8};
    for (const Bytes& s : segments) out.insert(out.end(), s.begin(), s.end());
    return out;
}

const Bytes kApp0{0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'};
const Bytes kExif{0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0};
const Bytes kSos{0xFF, 0xDA, 0x00, 0x03, 0x01};
const Bytes kImage{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD9};

TEST(SegmentWalk, FindsEverySegmentWithItsPlaceInTheFile) {
    Bytes file = jpegWith({kApp0, kExif, {0xFF, 0xFF, 0xFF}, kSos, kImage});
    SegmentMap map;
    std::string why;
    ASSERT_EQ(walkSegments(file, file.size(), map, why), WalkStatus::Complete);
    ASSERT_EQ(map.segments.size(), 3u);
    EXPECT_EQ(map.segments[0].marker, 0xE0);
    EXPECT_EQ(map.segments[0].offset, 2u);
    EXPECT_EQ(map.segments[1].offset, 2u + kApp0.size());
    EXPECT_EQ(map.segments[1].length, kExif.size());
    EXPECT_EQ(map.segments[2].offset, 2u + kApp0.size() + kExif.size() + 3);  // three fill bytes before SOS
    EXPECT_EQ(map.imageDataOffset, file.size() - kImage.size());
    const SegmentEntry* exif = findSegment(map, file, 0xE1, std::string_view("Exif\0\0", 6));
    ASSERT_NE(exif, nullptr);
    EXPECT_EQ(exif->offset, map.segments[1].offset);
    EXPECT_EQ(findSegment(map, file, 0xE1, "http:"), nullptr);
}

struct WalkCase {
    const char* name;
    Bytes file;
    uint64_t fileSize;  // 0: the bytes given are the whole file
    WalkStatus status;
    const char* why;
};

class SegmentWalkStatus : public ::testing::TestWithParam<WalkCase> {};

TEST_P(SegmentWalkStatus, StopsWithTheRightStatus) {
    const WalkCase& c = GetParam();
    SegmentMap map;
    std::string why;
    EXPECT_EQ(walkSegments(c.file, c.fileSize ? c.fileSize : c.file.size(), map, why), c.status);
    EXPECT_EQ(why, c.why);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentWalkStatus,
    ::testing::Values(
        WalkCase{"NotJpeg", {0x89, 'P', 'N', 'G'}, 0, WalkStatus::NotJpeg, ""},
        WalkCase{"EoiBeforeSos", jpegWith({kApp0, {0xFF, 0xD9}}), 0, WalkStatus::NoImage, ""},
        WalkCase{"HeadEndsMidSegment", jpegWith({kApp0}), 100, WalkStatus::NeedMore, ""},
        WalkCase{"SegmentPastFileEnd", jpegWith({kApp0}), 6, WalkStatus::Malformed, "Premature end of file?"},
        WalkCase{"LengthBelowTwo", jpegWith({{0xFF, 0xDB, 0x00, 0x01}}), 0, WalkStatus::Malformed, "invalid marker"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SegmentWalk, RefusesOneSegmentOverTheLimit) {
    Bytes file{0xFF, 0xD8};
    for (size_t i = 0; i <= kMaxSegments; ++i) file.insert(file.end(), {0xFF, 0xE2, 0x00, 0x02});
    file.insert(file.end(), kSos.begin(), kSos.end());
    SegmentMap map;
    std::string why;
    EXPECT_EQ(walkSegments(file, file.size(), map, why), WalkStatus::Malformed);
    EXPECT_EQ(why, "Too many segments before the image data (more than 4096)");
}

TEST(SplicePlan, KeepsEveryByteOutsideItsRanges) {
    const Bytes source{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    SplicePlan plan{10, {{2, 3, {0xA, 0xB}}, {7, 0, {0xC}}, {9, 1, {}}}};
    std::string why;
    ASSERT_TRUE(planIsValid(plan, why));
    Bytes out;
    ASSERT_TRUE(applyPlan(source, plan, out));
    EXPECT_EQ(out, (Bytes{0, 1, 0xA, 0xB, 5, 6, 0xC, 7, 8}));
    EXPECT_EQ(plannedSize(plan), out.size());
    EXPECT_EQ(newOffsetOf(plan, 1), 1u);
    EXPECT_EQ(newOffsetOf(plan, 5), 4u);
    EXPECT_EQ(newOffsetOf(plan, 7), 7u);  // after the insertion in front of it
}

TEST(SplicePlan, RefusesOverlapAndRangesPastTheEnd) {
    std::string why;
    EXPECT_FALSE(planIsValid(SplicePlan{10, {{2, 3, {}}, {4, 1, {}}}}, why));
    EXPECT_FALSE(planIsValid(SplicePlan{10, {{8, 3, {}}}}, why));
    EXPECT_FALSE(planIsValid(SplicePlan{10, {{UINT64_MAX, 2, {}}}}, why));
    Bytes out{1};
    EXPECT_FALSE(applyPlan(Bytes(9), SplicePlan{10, {}}, out));
    EXPECT_EQ(out, Bytes{1});
}

}  // namespace
}  // namespace lumivex
