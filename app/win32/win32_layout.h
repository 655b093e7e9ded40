// The main window's layout in Win32 terms: class, window styles and the class and styles of each control.
// The places and captions are the shared layout's (app/core/controls.h).
#pragma once

#include <windows.h>

#include "app/core/controls.h"

namespace lumivex::win32 {

inline constexpr wchar_t kWindowClassName[] = L"LumivexWindowClass";
inline constexpr UINT kWindowClassStyle = CS_HREDRAW | CS_VREDRAW;                                   // 3
inline constexpr int kClassBackgroundBrush = COLOR_BTNFACE + 1;                                      // 16
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // 0x00CA0000
inline constexpr DWORD kMainWindowExStyle = 0;

struct ControlClassAndStyle {
    const wchar_t* className;
    DWORD style;  // whole style, WS_CHILD | WS_VISIBLE included
    DWORD exStyle;
};

inline constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;

// The class and styles of a control by its command ID.
constexpr ControlClassAndStyle controlClassAndStyle(int id) {
    switch (id) {
        case app::kSourceFrameId:
        case app::kThumbnailFrameId:
            return {L"BUTTON", kChildVisible | BS_GROUPBOX, WS_EX_CLIENTEDGE};
        case app::kSourcePaneId:  // push buttons that show a bitmap, their caption on several lines
        case app::kThumbnailPaneId:
            return {L"BUTTON", kChildVisible | BS_BITMAP | BS_MULTILINE, 0};
        case app::kLinkMarkId:  // a static that reports clicks
            return {L"STATIC", kChildVisible | SS_NOTIFY, 0};
        default:  // the three push buttons
            return {L"BUTTON", kChildVisible | BS_PUSHBUTTON, 0};
    }
}

// The link mark's text colour.
inline constexpr COLORREF kLinkMarkColor = RGB(app::kLinkMarkRed, app::kLinkMarkGreen, app::kLinkMarkBlue);

// NONCLIENTMETRICSW without the padded-border member, for the status-bar font.
inline constexpr UINT kNonClientMetricsSize = 500;

// File dialogs: OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT.
inline constexpr DWORD kFileDialogFlags = 0x00081006;

}  // namespace lumivex::win32
