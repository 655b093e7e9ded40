#include "app/win32/control_handlers.h"

#include <string>

#include "app/core/file_drop.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_headers.h"
#include "app/win32/win32_platform.h"

namespace lumivex::win32 {

namespace {

// The pointer-sized slots: 32-bit GWL_* values would cut a 64-bit handler address.
LRESULT passOn(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
    if (previous == nullptr) return DefWindowProcW(control, message, wParam, lParam);
    return CallWindowProcW(previous, control, message, wParam, lParam);
}

// Query, act and finish in one place; only the first file of the drop counts.
void takeDrop(HWND frame, HDROP drop) {
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
        const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
        Win32WindowPlatform platform(GetParent(frame));
        app::handleFileDrop(platform, wideText(path.data(), copied <= length ? copied : length));
    }
    DragFinish(drop);
}

}  // namespace

void installControlHandler(HWND control, WNDPROC handler) {
    if (control == nullptr) return;
    const LONG_PTR previous = GetWindowLongPtrW(control, GWLP_WNDPROC);
    SetWindowLongPtrW(control, GWLP_USERDATA, previous);
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(handler));
}

LRESULT CALLBACK frameDropHandler(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DROPFILES) takeDrop(frame, reinterpret_cast<HDROP>(wParam));
    return passOn(frame, message, wParam, lParam);
}

LRESULT CALLBACK linkCursorHandler(HWND link, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETCURSOR) return passOn(link, message, wParam, lParam);
    // Loaded at the first request and kept: a shared system cursor.
    static const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    SetCursor(hand);
    return TRUE;
}

}  // namespace lumivex::win32
