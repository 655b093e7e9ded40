// Export and delete the thumbnail of real photos through the window, and check the files (replace:
// tests/window_rules).
#include <algorithm>
#include <string>
#include <vector>

#include "app/core/controls.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::wstring kDoneCaption = L"処理終了";
const std::wstring kSaveDone = L"サムネイルの保存が完了しました。";
const std::wstring kDeleteDone =
    L"サムネイルの削除が完了しました。\n\n【注意】削除されたのはサムネイルのみです。撮影日時などのExif情報は"
    L"削除されていません。";
const std::wstring kInvalidFileName = L"正しいファイル名が指定されていません。";

bool contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

bool isJpeg(const Bytes& bytes) {
    return bytes.size() > 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[bytes.size() - 2] == 0xFF &&
           bytes[bytes.size() - 1] == 0xD9;
}

class OperationTest : public WindowTest {
  protected:
    void expectDoneBox(const SeenBox& box, const std::wstring& text) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, kDoneCaption);
        EXPECT_EQ(box.owner, window_);
        EXPECT_EQ(box.icon, BoxIcon::None);
        EXPECT_TRUE(box.hasOk);
    }

    // Saves the source pane's thumbnail through the save dialog; the boxes after the dialog.
    std::vector<SeenBox> exportThumbnail(const std::wstring& output, int extraBoxes = 1) {
        std::vector<Answer> answers = {chooseFile(output)};
        for (int i = 0; i < extraBoxes; ++i) answers.push_back(press(IDOK));
        std::vector<SeenBox> boxes = click(app::kSaveButtonId, answers);
        EXPECT_FALSE(boxes.empty());
        if (boxes.empty()) return boxes;
        EXPECT_TRUE(boxes[0].fileDialog);
        EXPECT_EQ(boxes[0].caption, L"保存するJPEGファイル[サムネイル]を指定してください");
        boxes.erase(boxes.begin());
        return boxes;
    }
};

TEST_F(OperationTest, ExportWritesOnlyTheThumbnailFile) {
    TempFolder folder;
    const std::wstring donor = folder.copyPhoto(L"kodak-dc240-mm.jpg", L"donor.jpg");
    const Bytes donorBytes = readFileBytes(donor);

    choose(app::kSourcePaneId, donor);
    const std::vector<SeenBox> boxes = exportThumbnail(folder.file(L"donor-thumb.jpg"));
    ASSERT_EQ(boxes.size(), 1u);
    expectDoneBox(boxes[0], kSaveDone);
    const Bytes donorThumbnail = readFileBytes(folder.file(L"donor-thumb.jpg"));
    EXPECT_EQ(donorThumbnail.size(), 6934u);
    EXPECT_TRUE(isJpeg(donorThumbnail));
    EXPECT_TRUE(contains(donorBytes, donorThumbnail));
    EXPECT_EQ(readFileBytes(donor), donorBytes);
    EXPECT_FALSE(fileExists(donor + L".orig"));
}

TEST_F(OperationTest, ExportWithoutAThumbnailShowsTheDriversBoxWithoutOwnerThenTheFailure) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"fujifilm-e500-no-thumbnail.jpg", L"photo.jpg");
    choose(app::kSourcePaneId, photo);
    const std::vector<SeenBox> boxes = exportThumbnail(folder.file(L"out.jpg"), 2);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"サムネイル画像が含まれません。");
    EXPECT_EQ(boxes[0].owner, nullptr) << "the driver's boxes have no owner";
    EXPECT_EQ(boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes[1].text, L"サムネイルの保存に失敗しました。");
    EXPECT_EQ(boxes[1].owner, window_);
    EXPECT_EQ(boxes[1].icon, BoxIcon::Error);
    EXPECT_EQ(boxes[0].caption, boxes[1].caption) << "both use the system's caption";
    EXPECT_FALSE(fileExists(folder.file(L"out.jpg")));
}

TEST_F(OperationTest, AJapaneseFileNameWorksEndToEnd) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run with the Japanese code page (LANG=ja_JP.UTF-8)";
    TempFolder folder;
    CreateDirectoryW(folder.file(L"写真").c_str(), nullptr);
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"写真\\旅行の写真.jpg");
    const Bytes original = readFileBytes(photo);

    // Chosen in the open dialog, typed as a user would.
    std::vector<SeenBox> boxes = click(app::kSourcePaneId, {chooseFile(photo)});
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(controlText(app::kSourcePaneId), photo);
    EXPECT_NE(SendMessageW(control(app::kSourcePaneId), BM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    boxes = click(app::kDeleteButtonId, {press(IDYES), press(IDOK)});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, photo + L"\nのサムネイルを削除しますか?");
    expectDoneBox(boxes[1], kDeleteDone);
    EXPECT_EQ(readFileBytes(photo + L".orig"), original);
    EXPECT_LT(readFileBytes(photo).size(), original.size());

    boxes = exportThumbnail(folder.file(L"写真\\サムネイル.jpg"), 2);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"サムネイル画像が含まれません。");
}

// 2011-03-13 07:06:40 UTC in the file-time unit (100 ns since 1601).
constexpr std::uint64_t kOldFileTime = (1300000000ull + 11644473600ull) * 10000000ull;

std::uint64_t asNumber(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

TEST_F(OperationTest, AnEditKeepsThePhotosTimesAndAReadOnlyPhotoIsLeftAlone) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"photo.jpg");
    HANDLE file = CreateFileW(photo.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME old{static_cast<DWORD>(kOldFileTime), static_cast<DWORD>(kOldFileTime >> 32)};
    ASSERT_TRUE(SetFileTime(file, nullptr, &old, &old));
    CloseHandle(file);

    choose(app::kSourcePaneId, photo);
    std::vector<SeenBox> boxes = click(app::kDeleteButtonId, {press(IDYES), press(IDOK)});
    ASSERT_EQ(boxes.size(), 2u);
    expectDoneBox(boxes[1], kDeleteDone);
    WIN32_FILE_ATTRIBUTE_DATA edited{};
    ASSERT_TRUE(GetFileAttributesExW(photo.c_str(), GetFileExInfoStandard, &edited));
    EXPECT_EQ(asNumber(edited.ftLastWriteTime), kOldFileTime);
    EXPECT_EQ(asNumber(edited.ftLastAccessTime), kOldFileTime);

    const std::vector<std::uint8_t> before = readFileBytes(photo);
    ASSERT_TRUE(SetFileAttributesW(photo.c_str(), FILE_ATTRIBUTE_READONLY));
    MoveCounter counter(window_);
    boxes = click(app::kDeleteButtonId, {press(IDYES), press(IDOK)});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, L"サムネイルの削除に失敗しました。");
    EXPECT_EQ(counter.moves(), 0) << "no shake after a failed delete";
    EXPECT_EQ(readFileBytes(photo), before);
}

// A name the code page cannot hold exactly must not reach the engine as the name of another file: "café"
// would become "cafe" with the default best-fit mapping.
TEST_F(OperationTest, ANameOutsideTheCodePageIsRefusedAndNoOtherFileIsTouched) {
    TempFolder folder;
    const std::wstring chosen = folder.copyPhoto(L"canon-40d.jpg", L"café.jpg");
    const std::wstring lookAlike = folder.copyPhoto(L"canon-40d.jpg", L"cafe.jpg");
    const std::wstring photo = folder.copyPhoto(L"nikon-d70.jpg", L"photo.jpg");
    const Bytes original = readFileBytes(chosen);

    choose(app::kSourcePaneId, chosen);
    std::vector<SeenBox> boxes = click(app::kDeleteButtonId, {press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u) << "refused before the question";
    EXPECT_EQ(boxes[0].text, kInvalidFileName);

    choose(app::kThumbnailPaneId, chosen);
    choose(app::kSourcePaneId, photo);
    boxes = click(app::kReplaceButtonId, {press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kInvalidFileName);

    // An export named outside the code page is refused after the dialog.
    boxes = exportThumbnail(folder.file(L"exporté.jpg"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kInvalidFileName);
    EXPECT_FALSE(fileExists(folder.file(L"exporte.jpg")));
    EXPECT_FALSE(fileExists(folder.file(L"exporté.jpg")));

    EXPECT_EQ(readFileBytes(chosen), original);
    EXPECT_EQ(readFileBytes(lookAlike), original);
    EXPECT_FALSE(fileExists(chosen + L".orig"));
    EXPECT_FALSE(fileExists(lookAlike + L".orig"));
    EXPECT_FALSE(fileExists(photo + L".orig"));
}

}  // namespace
}  // namespace lumivex::test
