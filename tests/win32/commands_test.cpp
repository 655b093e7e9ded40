// Clicks on the real window: the open dialog and the link mark. The rules every window shares (checks,
// questions, shakes, the backup) are in tests/window_rules.
#include <string>
#include <vector>

#include "app/core/controls.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

using CommandTest = WindowTest;

TEST_F(CommandTest, OpenDialogChoosesThePaneFileAndCancelKeepsIt) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"Photo.JPG");

    std::vector<SeenBox> boxes = click(app::kSourcePaneId, {chooseFile(photo)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].fileDialog);
    EXPECT_EQ(boxes[0].caption, L"JPEGファイル[元]を選択してください");
    EXPECT_EQ(boxes[0].owner, window_);
    EXPECT_EQ(controlText(app::kSourcePaneId), photo);
    EXPECT_NE(SendMessageW(control(app::kSourcePaneId), BM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    // Cancelling keeps the pane as it was, without a message.
    boxes = click(app::kThumbnailPaneId, {press(IDCANCEL)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"JPEGファイル[サムネイル]を選択してください");
    EXPECT_EQ(controlText(app::kThumbnailPaneId), reinterpret_cast<const wchar_t*>(app::kPanePrompt));
}

TEST_F(CommandTest, LinkMarkAnswersOneOnlyForAClick) {
    LRESULT result = 0;
    std::vector<SeenBox> boxes = command(app::kLinkMarkId, STN_DBLCLK, {}, &result);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(result, 0);
    boxes = command(app::kLinkMarkId, STN_CLICKED, {}, &result);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(result, 1);
}

}  // namespace
}  // namespace lumivex::test
