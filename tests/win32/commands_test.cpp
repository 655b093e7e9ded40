// Clicks on the real window: the checks before an operation, the boxes with their texts, owners, captions and
// icons, the shake, the open dialog and the link mark.
#include <string>
#include <vector>

#include "app/core/controls.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

const std::wstring kInvalidFileName = L"正しいファイル名が指定されていません。";
const std::wstring kSameImage = L"同じ画像が指定されています。";
const std::wstring kConfirmCaption = L"処理開始の確認";

class CommandTest : public WindowTest {
  protected:
    static void SetUpTestSuite() { systemCaption_ = defaultBoxCaption(); }

    void expectErrorBox(const SeenBox& box, const std::wstring& text) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, systemCaption_) << "no caption of its own";
        EXPECT_EQ(box.owner, window_);
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_TRUE(box.hasOk);
        EXPECT_FALSE(box.hasYes);
    }

    RECT windowRect() const {
        RECT rect{};
        GetWindowRect(window_, &rect);
        return rect;
    }

    static inline std::wstring systemCaption_;
};

TEST_F(CommandTest, WithNothingChosenEveryOperationRefusesAndShakesBack) {
    ASSERT_FALSE(systemCaption_.empty());
    for (int id : {app::kReplaceButtonId, app::kSaveButtonId, app::kDeleteButtonId}) {
        SCOPED_TRACE(id);
        const RECT before = windowRect();
        MoveCounter counter(window_);
        const std::vector<SeenBox> boxes = click(id, {press(IDOK)});
        ASSERT_EQ(boxes.size(), 1u) << "no dialog or question before the refusal";
        expectErrorBox(boxes[0], kInvalidFileName);
        EXPECT_EQ(counter.moves(), 151) << "150 steps and the way back";
        const RECT after = windowRect();
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
        EXPECT_EQ(after.right, before.right);
    }
}

TEST_F(CommandTest, ReplaceNeedsBothPanesAndTwoDifferentFiles) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"photo.jpg");
    choose(app::kSourcePaneId, photo);

    MoveCounter counter(window_);
    std::vector<SeenBox> boxes = click(app::kReplaceButtonId, {press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u);
    expectErrorBox(boxes[0], kInvalidFileName);

    choose(app::kThumbnailPaneId, photo);
    boxes = click(app::kReplaceButtonId, {press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u);
    expectErrorBox(boxes[0], kSameImage);
    EXPECT_EQ(counter.moves(), 2 * 151);
}

TEST_F(CommandTest, NoToAConfirmationChangesNothing) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"photo.jpg");
    const std::wstring thumbnail = folder.copyPhoto(L"kodak-dc240-mm.jpg", L"other.jpg");
    const std::vector<std::uint8_t> original = readFileBytes(photo);
    choose(app::kSourcePaneId, photo);
    choose(app::kThumbnailPaneId, thumbnail);

    std::vector<SeenBox> boxes = click(app::kDeleteButtonId, {press(IDNO)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, photo + L"\nのサムネイルを削除しますか?");
    EXPECT_EQ(boxes[0].caption, kConfirmCaption);
    EXPECT_EQ(boxes[0].icon, BoxIcon::Question);
    EXPECT_TRUE(boxes[0].hasYes && boxes[0].hasNo);
    EXPECT_EQ(boxes[0].owner, window_);

    boxes = click(app::kReplaceButtonId, {press(IDNO)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, photo + L"\nのサムネイルを\n" + thumbnail + L"\nに差し替えますか?");
    EXPECT_EQ(boxes[0].caption, kConfirmCaption);

    EXPECT_EQ(readFileBytes(photo), original);
    EXPECT_FALSE(fileExists(photo + L".orig"));
}

TEST_F(CommandTest, OpenDialogChoosesThePaneFileOnlyForJpg) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"Photo.JPG");
    const std::wstring other = folder.copyPhoto(L"nikon-d70.jpg", L"other.jpeg");

    std::vector<SeenBox> boxes = click(app::kSourcePaneId, {chooseFile(photo)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].fileDialog);
    EXPECT_EQ(boxes[0].caption, L"JPEGファイル[元]を選択してください");
    EXPECT_EQ(boxes[0].owner, window_);
    EXPECT_EQ(controlText(app::kSourcePaneId), photo);
    EXPECT_NE(SendMessageW(control(app::kSourcePaneId), BM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    // ".jpeg" is not taken: the pane keeps its file.
    boxes = click(app::kSourcePaneId, {chooseFile(other)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(controlText(app::kSourcePaneId), photo);

    // Cancelling keeps it too, without a message.
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
