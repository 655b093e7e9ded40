// The sizes and places the core computes: preview sizes, the shake, the control table.
#include <gtest/gtest.h>

#include "app/core/controls.h"
#include "app/core/preview_size.h"
#include "app/core/shake.h"
#include "fake_platform.h"

namespace lumivex::app::testing {
namespace {

struct SizeCase {
    int width, height, expectedWidth, expectedHeight;
};

class PreviewSizeRule : public ::testing::TestWithParam<SizeCase> {};

TEST_P(PreviewSizeRule, KeepsLowPicturesAndTruncatesReducedSides) {
    const SizeCase& c = GetParam();
    const PreviewSize size = previewSize(c.width, c.height, kPreviewLimit);
    EXPECT_EQ(size.width, c.expectedWidth) << c.width << "x" << c.height;
    EXPECT_EQ(size.height, c.expectedHeight) << c.width << "x" << c.height;
}

INSTANTIATE_TEST_SUITE_P(Sizes, PreviewSizeRule,
                         ::testing::Values(SizeCase{640, 480, 170, 127}, SizeCase{480, 640, 127, 170},
                                           SizeCase{1920, 1080, 170, 95}, SizeCase{171, 171, 170, 170},
                                           SizeCase{297, 200, 169, 114}, SizeCase{2700, 1800, 169, 113},
                                           SizeCase{400, 160, 400, 160},    // low and wide: its own size
                                           SizeCase{5000, 170, 5000, 170},  // exactly the limit high
                                           SizeCase{1000, 1000, 170, 170}, SizeCase{160, 120, 160, 120},
                                           SizeCase{100, 171, 99, 170},
                                           SizeCase{60000, 171, 170, 1},  // truncation would leave no row
                                           SizeCase{0, 480, 0, 0}, SizeCase{640, 0, 0, 0}));

TEST(ShakeWindow, StepsThroughTheOffsetsYieldingAfterEachMoveAndReturns) {
    FakePlatform platform;
    platform.mainPosition = {-30, 40};
    shakeWindow(platform, 150);

    ASSERT_EQ(platform.moves.size(), 151u);
    for (int i = 0; i < 150; ++i) {
        const ShakeOffset& offset = shakeOffsets[i % 6];
        EXPECT_EQ(platform.moves[i].left, -30 + offset.dx) << i;
        EXPECT_EQ(platform.moves[i].top, 40 + offset.dy) << i;
        EXPECT_EQ(platform.moves[i].yieldsBefore, i) << i;
    }
    EXPECT_EQ(platform.moves[150].left, -30);
    EXPECT_EQ(platform.moves[150].top, 40);
    EXPECT_EQ(platform.yields, 150);
}

TEST(ShakeWindow, OffsetsAreTheTableAndACountOfZeroOnlyMovesBack) {
    const int dx[6] = {-8, -5, 0, 5, 8, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(shakeOffsets[i].dx, dx[i]);
        EXPECT_EQ(shakeOffsets[i].dy, dx[(i + 5) % 6]);  // dx moved down one step
    }
    FakePlatform platform;
    shakeWindow(platform, 0);
    ASSERT_EQ(platform.moves.size(), 1u);
    EXPECT_EQ(platform.moves[0].left, 100);
    EXPECT_EQ(platform.moves[0].top, 100);
}

TEST(ControlTable, OrderAndPanesInsideTheirFrames) {
    ASSERT_EQ(kControlCount, 8);
    for (int i = 0; i < kControlCount; ++i) EXPECT_EQ(kControls[i].id, 1001 + i);
    // Each pane lies 10 in and 20 down inside its frame, wholly within it.
    for (const int frameIndex : {0, 1}) {
        const ControlSpec& frame = kControls[frameIndex];
        const ControlSpec& pane = kControls[frameIndex + 2];
        EXPECT_EQ(pane.x, frame.x + 10);
        EXPECT_EQ(pane.y, frame.y + 20);
        EXPECT_LE(pane.x + pane.width, frame.x + frame.width);
        EXPECT_LE(pane.y + pane.height, frame.y + frame.height);
    }
}

}  // namespace
}  // namespace lumivex::app::testing
