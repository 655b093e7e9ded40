#include "app/core/shake.h"

namespace lumivex::app {

void shakeWindow(WindowPlatform& platform, int count) {
    const ScreenPoint home = platform.mainWindowPosition();
    for (int i = 0; i < count; ++i) {
        const ShakeOffset& offset = shakeOffsets[i % 6];
        platform.moveMainWindow({home.x + offset.dx, home.y + offset.dy});
        platform.yieldTimeSlice();
    }
    platform.moveMainWindow(home);
}

}  // namespace lumivex::app
