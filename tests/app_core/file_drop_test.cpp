// Which pane a dropped file reaches, and which files are refused.
#include "app/core/file_drop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/controls.h"
#include "fake_platform.h"

namespace lumivex::app::testing {
namespace {

using Log = std::vector<std::string>;

struct DropCase {
    const char* name;
    const char16_t* path;
    int controlUnderPointer;
    Log expected;
};

class FileDrop : public ::testing::TestWithParam<DropCase> {};

TEST_P(FileDrop, ReachesTheControlUnderThePointer) {
    FakePlatform platform;
    platform.controlUnderPointerId = GetParam().controlUnderPointer;
    handleFileDrop(platform, GetParam().path);
    EXPECT_EQ(platform.log, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, FileDrop,
    ::testing::Values(
        DropCase{"OntoSourcePane", u"/p/a.jpg", kSourcePaneId, {"image 1003: /p/a.jpg", "text 1003: /p/a.jpg"}},
        DropCase{"OntoThumbnailPaneUpperCase",
                 u"/p/B.JPG",
                 kThumbnailPaneId,
                 {"image 1004: /p/B.JPG", "text 1004: /p/B.JPG"}},
        // The pointer decides, not the frame that received the drop.
        DropCase{"ThumbnailFrameOutsideItsPane", u"/p/a.jpg", kThumbnailFrameId, {"text 1002: /p/a.jpg"}},
        DropCase{"SourceFrameOutsideItsPane", u"/p/a.jpg", kSourceFrameId, {"text 1001: /p/a.jpg"}},
        DropCase{"Jpeg", u"/p/a.jpeg", kSourcePaneId, {}}, DropCase{"Png", u"/p/a.png", kSourcePaneId, {}},
        DropCase{"NoExtension", u"/p/jpg", kSourcePaneId, {}},
        DropCase{"JpgThenPng", u"/p/a.jpg.png", kSourcePaneId, {}},
        DropCase{"InsideAFolderNamedJpg", u"/p/g.jpg/h", kSourcePaneId, {}},
        DropCase{"TwoDotsMixedCase",
                 u"/p/two.dots.Jpg",
                 kSourcePaneId,
                 {"image 1003: /p/two.dots.Jpg", "text 1003: /p/two.dots.Jpg"}},
        // The pointer moved off the frames before the drop was handled: no control of a frame is there.
        DropCase{"PointerOverAButton", u"/p/a.jpg", kReplaceButtonId, {}},
        DropCase{"PointerOverNoControl", u"/p/a.jpg", 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileDropPath, APathThatDoesNotFitIsRefusedRatherThanCut) {
    FakePlatform platform;
    platform.controlUnderPointerId = kSourcePaneId;
    const WideText longest = u"/" + WideText(254, u'a') + u".jpg";  // 259 characters

    handleFileDrop(platform, longest + u".jpg");  // cut to 259 it would name "…a.jpg.j"
    handleFileDrop(platform, u"/" + WideText(255, u'a') + u".jpg");
    EXPECT_TRUE(platform.log.empty());

    handleFileDrop(platform, longest);
    EXPECT_EQ(platform.captions[kSourcePaneId], longest);
}

TEST(OpenFileInPane, TakesAWholeJpgPathForAPaneOnly) {
    FakePlatform platform;
    openFileInPane(platform, kSourcePaneId, u"/p/a.png");
    openFileInPane(platform, kSourcePaneId, u"/" + WideText(255, u'a') + u".jpg");
    openFileInPane(platform, kSourceFrameId, u"/p/a.jpg");
    EXPECT_TRUE(platform.log.empty());
    openFileInPane(platform, kSourcePaneId, u"/p/A.JPG");
    EXPECT_EQ(platform.log, (Log{"image 1003: /p/A.JPG", "text 1003: /p/A.JPG"}));
}

}  // namespace
}  // namespace lumivex::app::testing
