// A file dropped onto one of the two frames becomes the chosen file of the pane under the pointer.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::app {

// `firstDroppedPath`: the whole path of the first file of the drop (the others are ignored by the caller),
// not cut to the buffer. The adapter releases the drop and passes the message on afterwards.
void handleFileDrop(WindowPlatform& platform, const WideText& firstDroppedPath);

}  // namespace lumivex::app
