#include "app/win32/win32_platform.h"

#include "app/win32/ansi_path.h"
#include "app/win32/preview_bitmap.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"

namespace lumivex::win32 {

int Win32WindowPlatform::showMessageBox(app::WindowHandle owner, const app::WideText& text,
                                        const std::optional<app::WideText>& caption, unsigned style) {
    return MessageBoxW(toHwnd(owner), wideChars(text), caption ? wideChars(*caption) : nullptr, style);
}

app::FileDialogResult Win32WindowPlatform::showFileDialog(const app::FileDialogRequest& request) {
    return win32::showFileDialog(request);
}

app::WideText Win32WindowPlatform::controlText(int controlId) {
    HWND window = control(controlId);
    if (window == nullptr) return {};
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return wideText(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void Win32WindowPlatform::setControlText(int controlId, const app::WideText& text) {
    SetWindowTextW(control(controlId), wideChars(text));
}

bool Win32WindowPlatform::pathExists(const app::WideText& path) {
    return GetFileAttributesW(wideChars(path)) != INVALID_FILE_ATTRIBUTES;
}

app::SystemCodePagePath Win32WindowPlatform::toSystemCodePage(const app::WideText& path) { return toAnsiPath(path); }

bool Win32WindowPlatform::setPaneImage(int paneId, const app::WideText& path) {
    HWND pane = control(paneId);
    return pane != nullptr && win32::setPaneImage(pane, wideChars(path));
}

app::ScreenRect Win32WindowPlatform::windowRect(app::WindowHandle window) {
    RECT rect{};
    GetWindowRect(toHwnd(window), &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32WindowPlatform::moveWindow(app::WindowHandle window, int left, int top) {
    SetWindowPos(toHwnd(window), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32WindowPlatform::yieldTimeSlice() { Sleep(0); }

app::ScreenPoint Win32WindowPlatform::cursorPosition() {
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
}

app::WindowHandle Win32WindowPlatform::windowFromPoint(app::ScreenPoint point) {
    return toHandle(WindowFromPoint(POINT{point.x, point.y}));
}

app::WindowHandle Win32WindowPlatform::childWindowFromPoint(app::WindowHandle parent, app::ScreenPoint point) {
    POINT clientPoint{point.x, point.y};
    if (!ScreenToClient(toHwnd(parent), &clientPoint)) return app::kNoWindow;
    return toHandle(ChildWindowFromPoint(toHwnd(parent), clientPoint));
}

bool Win32WindowPlatform::isWindowVisible(app::WindowHandle window) { return IsWindowVisible(toHwnd(window)) != 0; }

app::WindowHandle Win32WindowPlatform::parentWindow(app::WindowHandle window) {
    return toHandle(GetParent(toHwnd(window)));
}

bool Win32WindowPlatform::isPopup(app::WindowHandle window) {
    return (static_cast<DWORD>(GetWindowLongW(toHwnd(window), GWL_STYLE)) & WS_POPUP) != 0;
}

std::vector<app::WindowHandle> Win32WindowPlatform::childWindows(app::WindowHandle parent) {
    std::vector<app::WindowHandle> children;
    for (HWND child = GetWindow(toHwnd(parent), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(toHandle(child));
    }
    return children;
}

int Win32WindowPlatform::controlId(app::WindowHandle window) { return GetDlgCtrlID(toHwnd(window)); }

void Win32WindowPlatform::openWebPage(const app::WideText& address) {
    ShellExecuteW(nullptr, L"open", wideChars(address), nullptr, nullptr, SW_SHOWNORMAL);
}

// At once, from inside the command: the engine's report has been written, nothing else is shown.
void Win32WindowPlatform::endProgram(int status) { ExitProcess(static_cast<UINT>(status)); }

}  // namespace lumivex::win32
