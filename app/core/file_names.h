// Rules on the wide paths the window handles.
#pragma once

#include "app/core/window_platform.h"

namespace lumivex::app {

// The extension from the last "." of the final component equals ".jpg" ignoring case (".jpeg" does not).
bool hasJpgExtension(const WideText& path);

// A pane's caption names a chosen file: not the prompt, not empty, and within the 259-character limit.
bool isChosenPath(const WideText& caption);

}  // namespace lumivex::app
