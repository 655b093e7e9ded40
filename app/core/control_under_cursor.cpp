#include "app/core/control_under_cursor.h"

#include <cstdint>

namespace lumivex::app {

namespace {

bool contains(const ScreenRect& rect, ScreenPoint point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

}  // namespace

WindowHandle controlUnderCursor(WindowPlatform& platform) {
    const ScreenPoint point = platform.cursorPosition();
    WindowHandle window = platform.windowFromPoint(point);
    if (window != kNoWindow) {
        const WindowHandle child = platform.childWindowFromPoint(window, point);
        if (child != kNoWindow && platform.isWindowVisible(child)) window = child;
    }
    if (window == kNoWindow) return kNoWindow;

    const WindowHandle parent = platform.parentWindow(window);
    if (parent == kNoWindow || platform.isPopup(window)) return window;

    // The smallest visible sibling containing the point; ties keep the one higher in the z-order.
    std::uint32_t bestArea = 65535;
    WindowHandle best = window;
    for (const WindowHandle sibling : platform.childWindows(parent)) {
        if (!platform.isWindowVisible(sibling)) continue;
        const ScreenRect rect = platform.windowRect(sibling);
        if (!contains(rect, point)) continue;
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

}  // namespace lumivex::app
