// The control a dropped file is meant for: the smallest visible control under the pointer.
#pragma once

#include <windows.h>

namespace lumivex::win32 {

// At a screen point: nullptr when no window lies there. A control of 65535 square pixels or more is never
// chosen by the walk over the siblings.
HWND controlAtPoint(POINT point);

// controlAtPoint at the pointer's position.
HWND controlUnderCursor();

}  // namespace lumivex::win32
