// What a click on a control of the main window does: choose a file for a pane, replace, save or delete the
// thumbnail, open the web page. Each command starts from the panes' captions and ends with its last box.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/core/window_platform.h"

namespace lumivex::app {

inline constexpr int kShakeCount = 150;

enum class CommandResult {
    DefaultProcessing,  // pass WM_COMMAND on to DefWindowProcW and answer its result
    AnswerOne,          // answer 1 (the link mark opened the web page)
};

// WM_COMMAND: `firstParam` is WPARAM (control ID in the low 16 bits, notification code in the next 16).
// `mainWindow` owns every box and dialog and is the window that shakes.
CommandResult handleCommand(WindowPlatform& platform, WindowHandle mainWindow, std::uintptr_t firstParam);

// An open or save dialog with the JPEG filter. True with `path` set when the user chose a file; false with
// `path` empty otherwise, after a warning box when the dialog failed rather than being cancelled.
bool runFileDialog(WindowPlatform& platform, FileDialogKind kind, WindowHandle owner, const WideText& title,
                   WideText& path, std::size_t capacity);

}  // namespace lumivex::app
