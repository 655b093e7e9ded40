#include "app/win32/control_under_cursor.h"

#include <cstdint>

namespace lumivex::win32 {

HWND controlAtPoint(POINT point) {
    HWND window = WindowFromPoint(point);
    if (window == nullptr) return nullptr;
    POINT client = point;
    if (ScreenToClient(window, &client)) {
        HWND child = ChildWindowFromPoint(window, client);
        if (child != nullptr && IsWindowVisible(child)) window = child;
    }

    HWND parent = GetParent(window);
    if (parent == nullptr || (static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & WS_POPUP) != 0) return window;

    // The smallest visible sibling containing the point; ties keep the one higher in the z-order.
    std::uint32_t bestArea = 65535;
    HWND best = window;
    for (HWND sibling = GetWindow(parent, GW_CHILD); sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (!IsWindowVisible(sibling)) continue;
        RECT rect{};
        if (!GetWindowRect(sibling, &rect) || !PtInRect(&rect, point)) continue;
        // Unsigned 32-bit area; the sides are taken in 64 bits so that no signed subtraction overflows.
        const auto height = static_cast<std::uint32_t>(static_cast<std::int64_t>(rect.bottom) - rect.top);
        const auto width = static_cast<std::uint32_t>(static_cast<std::int64_t>(rect.right) - rect.left);
        const std::uint32_t area = height * width;
        if (area < bestArea) {
            bestArea = area;
            best = sibling;
        }
    }
    return best;
}

HWND controlUnderCursor() {
    POINT point{};
    if (!GetCursorPos(&point)) return nullptr;
    return controlAtPoint(point);
}

}  // namespace lumivex::win32
