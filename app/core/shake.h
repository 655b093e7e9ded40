// The shake that follows some error boxes: the window steps through six small offsets and returns.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::app {

struct ShakeOffset {
    int dx;
    int dy;
};

// Applied in this order and repeated; the dy column is the dx column moved down by one step.
inline constexpr ShakeOffset shakeOffsets[6] = {{-8, 0}, {-5, -8}, {0, -5}, {5, 0}, {8, 5}, {0, 8}};

// Moves the main window `count` times through shakeOffsets, yielding after each move, then back to where it
// was.
void shakeWindow(WindowPlatform& platform, int count);

}  // namespace lumivex::app
