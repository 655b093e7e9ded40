// The window as a person sees it, with a preview in each pane: saved as build/artifacts/window.png and
// checked where the picture must show.
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/controls.h"
#include "tests/win32/png_file.h"
#include "tests/win32/window_fixture.h"

namespace lumivex::test {
namespace {

using ScreenshotTest = WindowTest;

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // rows from the top
    COLORREF at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3;
        return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
};

// The window's pixels as they are on the screen.
Capture captureWindow(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    Capture capture;
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    const std::size_t count = static_cast<std::size_t>(capture.width) * static_cast<std::size_t>(capture.height);
    capture.rgb.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        capture.rgb[i * 3] = pixels[i * 4 + 2];
        capture.rgb[i * 3 + 1] = pixels[i * 4 + 1];
        capture.rgb[i * 3 + 2] = pixels[i * 4];
    }
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

// Pixels of a client rectangle that differ from the button-face background.
int pixelsOffBackground(HWND window, const Capture& capture, RECT client) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT outer{};
    GetWindowRect(window, &outer);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int count = 0;
    for (int y = client.top; y < client.bottom; ++y) {
        for (int x = client.left; x < client.right; ++x) {
            count += capture.at(origin.x - outer.left + x, origin.y - outer.top + y) != face ? 1 : 0;
        }
    }
    return count;
}

bool hasPinkPixel(HWND window, const Capture& capture, RECT client) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT outer{};
    GetWindowRect(window, &outer);
    for (int y = client.top; y < client.bottom; ++y) {
        for (int x = client.left; x < client.right; ++x) {
            const COLORREF c = capture.at(origin.x - outer.left + x, origin.y - outer.top + y);
            if (GetRValue(c) > 200 && GetGValue(c) > 90 && GetGValue(c) < 170 && GetBValue(c) > 150) return true;
        }
    }
    return false;
}

TEST_F(ScreenshotTest, WindowWithAPreviewInEachPane) {
    TempFolder folder;
    choose(app::kSourcePaneId, folder.copyPhoto(L"kodak-dc240-mm.jpg", L"source.jpg"));
    choose(app::kThumbnailPaneId, folder.copyPhoto(L"canon-40d.jpg", L"thumbnail.jpg"));
    SetCursorPos(0, 0);
    SetForegroundWindow(window_);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(300);

    const Capture capture = captureWindow(window_);
    CreateDirectoryW(LUMIVEX_ARTIFACTS_W, nullptr);
    std::wstring file = std::wstring(L"Z:") + LUMIVEX_ARTIFACTS_W + L"/window.png";
    EXPECT_TRUE(writePngFile(file, capture.width, capture.height, capture.rgb));

    // The middle of each preview, the large picture, the pink heart; the empty corner stays plain.
    EXPECT_GT(pixelsOffBackground(window_, capture, RECT{70, 80, 130, 140}), 3000);
    EXPECT_GT(pixelsOffBackground(window_, capture, RECT{272, 90, 332, 130}), 2000);
    EXPECT_GT(pixelsOffBackground(window_, capture, RECT{60, 240, 240, 440}), 20000);
    EXPECT_TRUE(hasPinkPixel(window_, capture, RECT{40, 300, 55, 315}));
    EXPECT_EQ(pixelsOffBackground(window_, capture, RECT{370, 420, 390, 450}), 0);
}

}  // namespace
}  // namespace lumivex::test
