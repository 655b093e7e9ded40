// Message handlers installed on some controls: the frames take dropped files, the link mark shows a hand.
#pragma once

#include <windows.h>

namespace lumivex::win32 {

// Replaces the control's message handler, keeping the previous one in its user-data slot for the handler.
void installControlHandler(HWND control, WNDPROC handler);

// On WM_DROPFILES the first dropped ".jpg" file becomes the file of the pane under the pointer.
LRESULT CALLBACK frameDropHandler(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

// On WM_SETCURSOR the hand cursor.
LRESULT CALLBACK linkCursorHandler(HWND link, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lumivex::win32
