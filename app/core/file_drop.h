// A file dropped onto one of the two frames becomes the chosen file of the pane under the pointer.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::app {

// `firstDroppedPath`: the whole path of the first file of the drop (the others are ignored by the caller),
// not cut to the buffer. The adapter releases the drop and passes the message on afterwards.
void handleFileDrop(WindowPlatform& platform, const WideText& firstDroppedPath);

// A file given to a pane directly (the Qt window's command line to the source pane), under the same rules as
// a drop onto it: a whole path with the ".jpg" extension is shown and becomes the pane's file; any other is
// ignored.
void openFileInPane(WindowPlatform& platform, int paneId, const WideText& path);

}  // namespace lumivex::app
