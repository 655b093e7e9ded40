// What a click on a control of the main window does: choose a file for a pane, replace, save or delete the
// thumbnail, open the web page. Each command starts from the panes' texts and ends with its last box.
#pragma once

#include <cstddef>

#include "app/core/window_platform.h"

namespace lumivex::app {

inline constexpr int kShakeCount = 150;

// A click on the control with this command ID (controls.h); any other ID does nothing.
void handleClick(WindowPlatform& platform, int controlId);

// An open or save dialog for `purpose`. True with `path` set when the user chose a file that fits
// `capacity`; false with `path` empty otherwise, after a warning when the dialog failed rather than being
// cancelled.
bool runFileDialog(WindowPlatform& platform, FileDialogPurpose purpose, WideText& path, std::size_t capacity);

}  // namespace lumivex::app
