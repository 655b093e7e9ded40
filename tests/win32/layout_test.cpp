// The window as created: class, size, the eight controls with their values, font, icons and handlers.
#include <string>

#include "app/core/controls.h"
#include "app/win32/control_handlers.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

using LayoutTest = WindowTest;

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

TEST_F(LayoutTest, MainWindowHasItsClassTitleAndFixedSize) {
    EXPECT_EQ(className(window_), L"LumivexWindowClass");
    EXPECT_EQ(GetClassLongPtrW(window_, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrW(window_, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
    EXPECT_NE(GetClassLongPtrW(window_, GCLP_HICON), 0u);
    wchar_t title[64] = {};
    GetWindowTextW(window_, title, 64);
    EXPECT_STREQ(title, L"Lumivex Ver.1.00");

    RECT rect{};
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.right - rect.left, 406);
    EXPECT_EQ(rect.bottom - rect.top, 500);

    const auto style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
    EXPECT_EQ(style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), 0x00CA0000u);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u) << "no sizing border, no maximise box";
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)) & WS_EX_ACCEPTFILES, 0u);
}

TEST_F(LayoutTest, EightControlsInCreationOrderWithTheirValues) {
    // Frames, panes, three push buttons and the notifying static, in table order.
    const DWORD styles[] = {0x50000007, 0x50000007, 0x50002080, 0x50002080,
                            0x50000000, 0x50000000, 0x50000000, 0x50000100};
    // The first child in the z-order is the first created.
    HWND child = GetWindow(window_, GW_CHILD);
    int index = 0;
    for (const app::ControlSpec& spec : app::kControls) {
        SCOPED_TRACE(spec.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), spec.id);
        EXPECT_EQ(_wcsicmp(className(child).c_str(), spec.id == app::kLinkMarkId ? L"STATIC" : L"BUTTON"), 0);
        EXPECT_EQ(controlText(spec.id), wide(spec.caption));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)), styles[index++]);
        const bool frame = spec.id == app::kSourceFrameId || spec.id == app::kThumbnailFrameId;
        // Only the frames take dropped files; they alone have the sunken edge.
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE)),
                  frame ? WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES : 0u);
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, spec.x);
        EXPECT_EQ(rect.top, spec.y);
        EXPECT_EQ(rect.right - rect.left, spec.width);
        EXPECT_EQ(rect.bottom - rect.top, spec.height);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no ninth control";
}

TEST_F(LayoutTest, EveryControlUsesTheStatusBarFont) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = 500;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control(app::kSourceFrameId), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW used{};
    ASSERT_NE(GetObjectW(font, sizeof(used), &used), 0);
    EXPECT_EQ(used.lfHeight, metrics.lfStatusFont.lfHeight);
    EXPECT_EQ(used.lfWeight, metrics.lfStatusFont.lfWeight);
    EXPECT_STREQ(used.lfFaceName, metrics.lfStatusFont.lfFaceName);
    for (const app::ControlSpec& spec : app::kControls) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control(spec.id), WM_GETFONT, 0, 0)), font) << spec.id;
    }
}

TEST_F(LayoutTest, ButtonsCarryTheirIcons) {
    const struct {
        int buttonId;
        int iconId;
    } cases[] = {{app::kReplaceButtonId, 105}, {app::kSaveButtonId, 107}, {app::kDeleteButtonId, 106}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttonId);
        auto icon = reinterpret_cast<HICON>(SendMessageW(control(c.buttonId), BM_GETIMAGE, IMAGE_ICON, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask{};
        GetObjectW(info.hbmMask, sizeof(mask), &mask);
        EXPECT_EQ(mask.bmWidth, 32);
        if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    EXPECT_EQ(SendMessageW(control(app::kSourcePaneId), BM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no preview yet";
}

TEST_F(LayoutTest, FramesAndLinkMarkAreSubclassedWithTheOldHandlerKept) {
    for (int id : {app::kSourceFrameId, app::kThumbnailFrameId}) {
        EXPECT_EQ(GetWindowLongPtrW(control(id), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(win32::frameDropHandler));
        EXPECT_NE(GetWindowLongPtrW(control(id), GWLP_USERDATA), 0);
    }
    EXPECT_EQ(GetWindowLongPtrW(control(app::kLinkMarkId), GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(win32::linkCursorHandler));
    EXPECT_NE(GetWindowLongPtrW(control(app::kLinkMarkId), GWLP_USERDATA), 0);
    // The frame still behaves as a group box through the kept handler.
    EXPECT_EQ(controlText(app::kSourceFrameId), L"[元画像]");
}

TEST_F(LayoutTest, LinkMarkShowsTheHandCursorFromTheFirstTime) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    HWND link = control(app::kLinkMarkId);
    const LRESULT handled =
        SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(handled, TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(LayoutTest, LinkMarkIsPinkOnNoBackgroundOtherStaticsKeepTheDefault) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    const LRESULT brush = SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(control(app::kLinkMarkId)));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 128, 192));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

    SetTextColor(dc, RGB(0, 0, 0));
    const LRESULT frameBrush = SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(control(app::kSourceFrameId)));
    EXPECT_NE(frameBrush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_NE(GetTextColor(dc), RGB(255, 128, 192));
    DeleteDC(dc);
}

TEST_F(LayoutTest, ClosingHidesAndDestroysTheWindowAndPostsQuitZero) {
    SendMessageW(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window_));
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

}  // namespace
}  // namespace lumivex::test
