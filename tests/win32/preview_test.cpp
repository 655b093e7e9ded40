// Previews of real photos decoded by the system's picture loader and reduced with the halftone stretch.
#include <string>

#include "app/core/controls.h"
#include "app/core/preview_size.h"
#include "app/win32/preview_bitmap.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

struct Size {
    int width;
    int height;
};

Size bitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

TEST(PreviewTest, PhotosAreShownAtTheirSizeOrReducedToTheLimit) {
    const struct {
        const wchar_t* photo;
        int width;  // decoded size
        int height;
        int shownWidth;
        int shownHeight;
    } cases[] = {
        {L"kodak-dc240-mm.jpg", 640, 480, 170, 127},  // reduced, the short side truncated
        {L"nikon-gps.jpg", 640, 480, 170, 127},
        {L"canon-40d.jpg", 100, 68, 100, 68},  // no higher than the limit: its own size
        {L"fujifilm-e500-no-thumbnail.jpg", 59, 100, 59, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.photo);
        HBITMAP preview = win32::loadPreviewBitmap(testDataPath(std::wstring(L"photos\\") + c.photo).c_str(), 170);
        ASSERT_NE(preview, nullptr);
        const Size size = bitmapSize(preview);
        EXPECT_EQ(size.width, c.shownWidth);
        EXPECT_EQ(size.height, c.shownHeight);
        const app::PreviewSize rule = app::previewSize(c.width, c.height, 170);
        EXPECT_EQ(size.width, rule.width);
        EXPECT_EQ(size.height, rule.height);
        DeleteObject(preview);
    }
}

TEST(PreviewTest, TheReductionKeepsThePictureNotABlankBitmap) {
    HBITMAP preview = win32::loadPreviewBitmap(testDataPath(L"photos\\kodak-dc240-mm.jpg").c_str(), 170);
    ASSERT_NE(preview, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, preview);
    const COLORREF first = GetPixel(dc, 10, 10);
    int differing = 0;
    for (int y = 0; y < 127; y += 7) {
        for (int x = 0; x < 170; x += 7) differing += GetPixel(dc, x, y) != first ? 1 : 0;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(preview);
    EXPECT_GT(differing, 50);
}

TEST(PreviewTest, FilesThatYieldNoPictureGiveNone) {
    TempFolder folder;
    writeFileBytes(folder.file(L"empty.jpg"), {});
    writeFileBytes(folder.file(L"text.jpg"), {'h', 'e', 'l', 'l', 'o'});
    writeFileBytes(folder.file(L"cut.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    for (const wchar_t* name : {L"empty.jpg", L"text.jpg", L"cut.jpg", L"missing.jpg"}) {
        EXPECT_EQ(win32::loadPreviewBitmap(folder.file(name).c_str(), 170), nullptr) << name;
    }
    EXPECT_EQ(win32::loadPreviewBitmap(folder.path().c_str(), 170), nullptr) << "a folder";
}

}  // namespace
}  // namespace lumivex::test
