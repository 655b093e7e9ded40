// The control a dropped file is meant for: the smallest visible control under the pointer.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::app {

// kNoWindow when nothing lies under the pointer. A control of 65535 square pixels or more is never chosen
// by the walk over the siblings.
WindowHandle controlUnderCursor(WindowPlatform& platform);

}  // namespace lumivex::app
