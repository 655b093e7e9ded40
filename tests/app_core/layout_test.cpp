// The sizes and places the core computes: preview sizes, the shake, the control table, the control under the
// pointer.
#include <gtest/gtest.h>

#include "app/core/control_under_cursor.h"
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
    platform.mainRect = {-30, 40, 376, 540};
    shakeWindow(platform, kMainWindow, 150);

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
    EXPECT_EQ(platform.mainRect.right - platform.mainRect.left, 406);
}

TEST(ShakeWindow, OffsetsAreTheTableAndACountOfZeroOnlyMovesBack) {
    const int dx[6] = {-8, -5, 0, 5, 8, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(shakeOffsets[i].dx, dx[i]);
        EXPECT_EQ(shakeOffsets[i].dy, dx[(i + 5) % 6]);  // dx moved down one step
    }
    FakePlatform platform;
    shakeWindow(platform, kMainWindow, 0);
    ASSERT_EQ(platform.moves.size(), 1u);
    EXPECT_EQ(platform.moves[0].left, 100);
    EXPECT_EQ(platform.moves[0].top, 100);
}

TEST(ControlTable, StylesPanesAndOrderAreTheWindowsOwn) {
    const std::uint32_t styles[] = {0x50000007, 0x50000007, 0x50002080, 0x50002080,
                                    0x50000000, 0x50000000, 0x50000000, 0x50000100};
    ASSERT_EQ(kControlCount, 8);
    for (int i = 0; i < kControlCount; ++i) {
        EXPECT_EQ(kControls[i].id, 1001 + i);
        EXPECT_EQ(kControls[i].style, styles[i]) << kControls[i].id;
        EXPECT_EQ(kControls[i].exStyle, i < 2 ? 0x200u : 0u) << kControls[i].id;
    }
    EXPECT_EQ(kMainWindowStyle, 0x00CA0000u);
    // Each pane lies 10 in and 20 down inside its frame, wholly within it.
    for (const auto& [frameId, paneId] :
         {std::pair{kSourceFrameId, kSourcePaneId}, {kThumbnailFrameId, kThumbnailPaneId}}) {
        const ControlSpec* frame = findControl(frameId);
        const ControlSpec* pane = findControl(paneId);
        ASSERT_NE(frame, nullptr);
        ASSERT_NE(pane, nullptr);
        EXPECT_EQ(pane->x, frame->x + 10);
        EXPECT_EQ(pane->y, frame->y + 20);
        EXPECT_LE(pane->x + pane->width, frame->x + frame->width);
        EXPECT_LE(pane->y + pane->height, frame->y + frame->height);
    }
    EXPECT_EQ(findControl(1009), nullptr);
}

struct PointerCase {
    const char* name;
    int clientX, clientY;
    bool overMainWindow;  // else WindowFromPoint answers nothing
    int expectedId;       // 0: the main window itself; -1: none
};

class ControlUnderCursor : public ::testing::TestWithParam<PointerCase> {};

// WindowFromPoint answers the main window (a group box lets the pointer through); its first child at the
// point is then the frame above the pane in the z-order, and the walk finds the smaller pane.
TEST_P(ControlUnderCursor, FindsTheSmallestVisibleControlUnderThePointer) {
    const PointerCase& c = GetParam();
    FakePlatform platform;
    platform.addMainWindowTree();
    platform.pointer = FakePlatform::clientPoint(c.clientX, c.clientY);
    platform.windowUnderPointer = c.overMainWindow ? kMainWindow : kNoWindow;

    const WindowHandle found = controlUnderCursor(platform);
    if (c.expectedId < 0) {
        EXPECT_EQ(found, kNoWindow);
    } else if (c.expectedId == 0) {
        EXPECT_EQ(found, kMainWindow);
    } else {
        EXPECT_EQ(found, FakePlatform::controlHandle(c.expectedId));
    }
}

INSTANTIATE_TEST_SUITE_P(Points, ControlUnderCursor,
                         ::testing::Values(PointerCase{"SourcePane", 100, 100, true, kSourcePaneId},
                                           PointerCase{"SourcePaneTopLeft", 10, 20, true, kSourcePaneId},
                                           PointerCase{"SourceFramePastPaneRightEdge", 190, 100, true, kSourceFrameId},
                                           PointerCase{"SourceFrameAbovePane", 100, 19, true, kSourceFrameId},
                                           PointerCase{"ThumbnailPane", 391, 199, true, kThumbnailPaneId},
                                           PointerCase{"ThumbnailFrameBelowPane", 300, 205, true, kThumbnailFrameId},
                                           PointerCase{"GapBetweenFrames", 200, 100, true, 0},
                                           PointerCase{"ReplaceButton", 300, 240, true, kReplaceButtonId},
                                           PointerCase{"LargePicture", 100, 400, true, 0},
                                           PointerCase{"Nothing", 100, 100, false, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ControlUnderCursorWalk, SkipsHiddenAndLargeControlsAndKeepsTheHigherOfEqualOnes) {
    FakePlatform platform;
    platform.addMainWindowTree();
    platform.pointer = FakePlatform::clientPoint(100, 100);
    platform.windowUnderPointer = kMainWindow;

    platform.windows[3].visible = false;  // the source pane
    EXPECT_EQ(controlUnderCursor(platform), FakePlatform::controlHandle(kSourceFrameId));

    // A visible sibling of 256 by 256 (65536 square pixels) is never chosen, even over nothing smaller.
    platform.windows[1].visible = false;  // the source frame
    platform.windows.push_back({0x2000, kMainWindow, {100, 100, 356, 356}, true, false, 0});
    platform.windows.push_back({0x2001, kMainWindow, {150, 150, 200, 200}, false, false, 0});
    platform.pointer = {160, 160};
    platform.windowUnderPointer = 0x2000;  // a window with a parent: the walk starts from it
    EXPECT_EQ(controlUnderCursor(platform), WindowHandle{0x2000});

    // Of two equal visible siblings the one higher in the z-order wins.
    platform.windows.push_back({0x2002, kMainWindow, {150, 150, 200, 200}, true, false, 0});
    platform.windows.push_back({0x2003, kMainWindow, {150, 150, 200, 200}, true, false, 0});
    EXPECT_EQ(controlUnderCursor(platform), WindowHandle{0x2002});

    // A popup is its own answer.
    platform.windows.push_back({0x3000, kMainWindow, {0, 0, 10, 10}, true, true, 0});
    platform.windowUnderPointer = 0x3000;
    platform.pointer = {5, 5};
    EXPECT_EQ(controlUnderCursor(platform), WindowHandle{0x3000});
}

}  // namespace
}  // namespace lumivex::app::testing
