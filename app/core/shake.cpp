#include "app/core/shake.h"

namespace lumivex::app {

void shakeWindow(WindowPlatform& platform, WindowHandle window, int count) {
    const ScreenRect rect = platform.windowRect(window);
    for (int i = 0; i < count; ++i) {
        const ShakeOffset& offset = shakeOffsets[i % 6];
        platform.moveWindow(window, rect.left + offset.dx, rect.top + offset.dy);
        platform.yieldTimeSlice();
    }
    platform.moveWindow(window, rect.left, rect.top);
}

}  // namespace lumivex::app
