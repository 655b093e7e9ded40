// Lumivex's one main window: its class, its message handler and the entry point's work.
#pragma once

#include <windows.h>

namespace lumivex::win32 {

// One per process, set up at start and window creation.
struct MainWindow {
    HINSTANCE instance = nullptr;   // resources, class and windows
    HWND sourceFrame = nullptr;     // 1001
    HWND thumbnailFrame = nullptr;  // 1002
    HWND sourcePane = nullptr;      // 1003, its caption holds the source path
    HWND thumbnailPane = nullptr;   // 1004, its caption holds the thumbnail path
    HWND replaceButton = nullptr;   // 1005
    HWND saveButton = nullptr;      // 1006
    HWND deleteButton = nullptr;    // 1007
    HWND linkMark = nullptr;        // 1008
    HICON replaceIcon = nullptr;    // 105
    HICON saveIcon = nullptr;       // 107
    HICON deleteIcon = nullptr;     // 106
    HFONT controlFont = nullptr;    // the status-bar font, released at close
};

extern MainWindow mainWindow;

bool registerMainWindowClass(HINSTANCE instance, const wchar_t* className);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class (again, harmlessly) and creates the main window with its controls, not yet shown.
// nullptr when the window cannot be created.
HWND createMainWindow(HINSTANCE instance);

// The show command of the process's start-up information, SW_SHOWDEFAULT when it names none.
int startupShowCommand();

// Creates, shows and runs the window until it is closed; the exit code (0).
int runMainWindow(HINSTANCE instance, int showCommand);

}  // namespace lumivex::win32
