// Files dropped onto the frames, delivered in process as the shell delivers them: the pane under the pointer
// takes the first ".jpg" file.
#include <string>

#include "app/core/controls.h"
#include "app/win32/control_under_cursor.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

using DropTest = WindowTest;

const std::wstring kPrompt = reinterpret_cast<const wchar_t*>(app::kPanePrompt);

HGDIOBJ paneImage(HWND pane) { return reinterpret_cast<HGDIOBJ>(SendMessageW(pane, BM_GETIMAGE, IMAGE_BITMAP, 0)); }

TEST_F(DropTest, TheFileGoesToThePaneUnderThePointerNotToTheFrameThatGotIt) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"photo.jpg");
    drop(app::kSourceFrameId, middleOf(app::kThumbnailPaneId), {photo});
    EXPECT_EQ(controlText(app::kThumbnailPaneId), photo);
    EXPECT_NE(paneImage(control(app::kThumbnailPaneId)), nullptr);
    EXPECT_EQ(controlText(app::kSourcePaneId), kPrompt);
    EXPECT_EQ(controlText(app::kSourceFrameId), L"[元画像]");
}

TEST_F(DropTest, InsideAFrameButOutsideItsPaneTheFrameTakesThePathAndThePaneKeepsItsFile) {
    TempFolder folder;
    const std::wstring first = folder.copyPhoto(L"canon-40d.jpg", L"first.jpg");
    const std::wstring second = folder.copyPhoto(L"nikon-d70.jpg", L"second.jpg");
    choose(app::kSourcePaneId, first);
    HGDIOBJ image = paneImage(control(app::kSourcePaneId));

    RECT frame{};
    GetWindowRect(control(app::kSourceFrameId), &frame);
    drop(app::kSourceFrameId, POINT{frame.left + 5, frame.top + 100}, {second});
    EXPECT_EQ(controlText(app::kSourceFrameId), second);
    EXPECT_EQ(controlText(app::kSourcePaneId), first);
    EXPECT_EQ(paneImage(control(app::kSourcePaneId)), image);
}

TEST_F(DropTest, OnlyTheFirstOfSeveralFilesCounts) {
    TempFolder folder;
    const std::wstring first = folder.copyPhoto(L"canon-40d.jpg", L"first.jpg");
    const std::wstring second = folder.copyPhoto(L"nikon-d70.jpg", L"second.jpg");
    drop(app::kSourceFrameId, middleOf(app::kSourcePaneId), {first, second, second});
    EXPECT_EQ(controlText(app::kSourcePaneId), first);
}

// Which extensions a pane takes is the core's rule (tests/app_core/file_drop_test.cpp).
TEST_F(DropTest, AJpgThatDoesNotDecodeBecomesThePathButKeepsThePicture) {
    TempFolder folder;
    const std::wstring photo = folder.copyPhoto(L"canon-40d.jpg", L"photo.jpg");
    const std::wstring broken = folder.file(L"broken.jpg");
    writeFileBytes(broken, {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
    const std::wstring empty = folder.file(L"empty.jpg");
    writeFileBytes(empty, {});

    choose(app::kSourcePaneId, photo);
    HGDIOBJ image = paneImage(control(app::kSourcePaneId));
    ASSERT_NE(image, nullptr);
    for (const std::wstring& path : {broken, empty, folder.file(L"missing.jpg")}) {
        choose(app::kSourcePaneId, path);
        EXPECT_EQ(paneImage(control(app::kSourcePaneId)), image);
    }
}

TEST_F(DropTest, ANewPreviewReleasesThePreviousOne) {
    TempFolder folder;
    const std::wstring first = folder.copyPhoto(L"canon-40d.jpg", L"first.jpg");
    const std::wstring second = folder.copyPhoto(L"nikon-d70.jpg", L"second.jpg");
    choose(app::kSourcePaneId, first);
    HGDIOBJ firstImage = paneImage(control(app::kSourcePaneId));
    ASSERT_EQ(GetObjectType(firstImage), static_cast<DWORD>(OBJ_BITMAP));
    choose(app::kSourcePaneId, second);
    EXPECT_NE(paneImage(control(app::kSourcePaneId)), firstImage);
    EXPECT_EQ(GetObjectType(firstImage), 0u) << "the first preview was released";
}

TEST_F(DropTest, TheTargetIsTheSmallestVisibleControlUnderThePointer) {
    using win32::controlAtPoint;
    RECT frame{};
    GetWindowRect(control(app::kSourceFrameId), &frame);
    POINT picture{100, 400};
    ClientToScreen(window_, &picture);
    EXPECT_EQ(controlAtPoint(middleOf(app::kSourcePaneId)), control(app::kSourcePaneId));
    EXPECT_EQ(controlAtPoint(POINT{frame.left + 5, frame.top + 100}), control(app::kSourceFrameId));
    EXPECT_EQ(controlAtPoint(picture), window_) << "no control there";

    // A hidden pane gives way to its frame.
    ShowWindow(control(app::kSourcePaneId), SW_HIDE);
    EXPECT_EQ(controlAtPoint(middleOf(app::kSourcePaneId)), control(app::kSourceFrameId));
    ShowWindow(control(app::kSourcePaneId), SW_SHOW);

    // Of two equal controls the higher (the first made) wins; one of 256 by 256 is never the walk's choice,
    // so over a hidden smaller one it stays the answer only because it is where the walk starts.
    const auto child = [&](int x, int y, int size, DWORD visible) {
        return CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | visible, x, y, size, size, window_, nullptr, nullptr,
                               nullptr);
    };
    HWND higher = child(300, 400, 40, WS_VISIBLE);
    HWND lower = child(300, 400, 40, WS_VISIBLE);
    HWND large = child(20, 216, 256, WS_VISIBLE);
    HWND hidden = child(40, 250, 20, 0);
    POINT equal{310, 410};
    ClientToScreen(window_, &equal);
    POINT overHidden{45, 255};
    ClientToScreen(window_, &overHidden);
    EXPECT_EQ(controlAtPoint(equal), higher);
    EXPECT_EQ(controlAtPoint(overHidden), large);
    for (HWND made : {higher, lower, large, hidden}) DestroyWindow(made);
}

}  // namespace
}  // namespace lumivex::test
