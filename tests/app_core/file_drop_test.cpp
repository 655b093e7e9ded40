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
    int clientX, clientY;
    Log expected;
};

class FileDrop : public ::testing::TestWithParam<DropCase> {};

TEST_P(FileDrop, ReachesTheControlUnderThePointer) {
    FakePlatform platform;
    platform.addMainWindowTree();
    platform.windowUnderPointer = kMainWindow;
    platform.pointer = FakePlatform::clientPoint(GetParam().clientX, GetParam().clientY);
    handleFileDrop(platform, GetParam().path);
    EXPECT_EQ(platform.log, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, FileDrop,
    ::testing::Values(
        DropCase{"OntoSourcePane", u"/p/a.jpg", 50, 50, {"image 1003: /p/a.jpg", "text 1003: /p/a.jpg"}},
        DropCase{"OntoThumbnailPaneUpperCase", u"/p/B.JPG", 300, 100, {"image 1004: /p/B.JPG", "text 1004: /p/B.JPG"}},
        // The pointer decides, not the frame that received the drop.
        DropCase{"ThumbnailFrameOutsideItsPane", u"/p/a.jpg", 205, 5, {"text 1002: /p/a.jpg"}},
        DropCase{"SourceFrameOutsideItsPane", u"/p/a.jpg", 5, 205, {"text 1001: /p/a.jpg"}},
        DropCase{"Jpeg", u"/p/a.jpeg", 50, 50, {}}, DropCase{"Png", u"/p/a.png", 50, 50, {}},
        DropCase{"NoExtension", u"/p/jpg", 50, 50, {}},
        // The pointer moved off the frames before the drop was handled: no control of a frame is there.
        DropCase{"PointerOverAButton", u"/p/a.jpg", 300, 240, {}},
        DropCase{"PointerOverTheMainWindow", u"/p/a.jpg", 100, 400, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileDropPath, APathThatDoesNotFitIsRefusedRatherThanCut) {
    FakePlatform platform;
    platform.addMainWindowTree();
    platform.windowUnderPointer = kMainWindow;
    platform.pointer = FakePlatform::clientPoint(50, 50);
    const WideText longest = u"/" + WideText(254, u'a') + u".jpg";  // 259 characters

    handleFileDrop(platform, longest + u".jpg");  // cut to 259 it would name "…a.jpg.j"
    handleFileDrop(platform, u"/" + WideText(255, u'a') + u".jpg");
    EXPECT_TRUE(platform.log.empty());

    handleFileDrop(platform, longest);
    EXPECT_EQ(platform.captions[kSourcePaneId], longest);
}

TEST(FileDropPath, NothingUnderThePointerChangesNothing) {
    FakePlatform platform;
    platform.addMainWindowTree();
    platform.windowUnderPointer = kNoWindow;
    handleFileDrop(platform, u"/p/a.jpg");
    EXPECT_TRUE(platform.log.empty());
    EXPECT_EQ(platform.captions[kSourcePaneId], kPanePrompt);
}

}  // namespace
}  // namespace lumivex::app::testing
