// The main window's fixed layout as data, shared by every adapter: class, window, the eight controls in
// creation order, icons and colours. Styles are the Win32 values; the Qt adapter reads the geometry and texts.
#pragma once

#include <cstdint>

namespace lumivex::app {

// Command IDs of the controls.
inline constexpr int kSourceFrameId = 1001;
inline constexpr int kThumbnailFrameId = 1002;
inline constexpr int kSourcePaneId = 1003;
inline constexpr int kThumbnailPaneId = 1004;
inline constexpr int kReplaceButtonId = 1005;
inline constexpr int kSaveButtonId = 1006;
inline constexpr int kDeleteButtonId = 1007;
inline constexpr int kLinkMarkId = 1008;

// Win32 style bits used by the table below.
namespace style {
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsOverlapped = 0x00000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000;
inline constexpr std::uint32_t kBsPushButton = 0x00000000;
inline constexpr std::uint32_t kBsGroupBox = 0x00000007;
inline constexpr std::uint32_t kBsBitmap = 0x00000080;
inline constexpr std::uint32_t kBsMultiline = 0x00002000;
inline constexpr std::uint32_t kSsNotify = 0x00000100;
inline constexpr std::uint32_t kWsExClientEdge = 0x00000200;
inline constexpr std::uint32_t kCsHRedraw = 0x0001;
inline constexpr std::uint32_t kCsVRedraw = 0x0002;
}  // namespace style

// Window class and main window.
inline constexpr char16_t kWindowClassName[] = u"LumivexWindowClass";
inline constexpr std::uint32_t kWindowClassStyle = style::kCsHRedraw | style::kCsVRedraw;  // 3
inline constexpr int kClassBackgroundBrush = 16;                                           // COLOR_BTNFACE + 1
inline constexpr char16_t kWindowTitle[] = u"Lumivex Ver.1.00";
inline constexpr std::uint32_t kMainWindowStyle =
    style::kWsOverlapped | style::kWsCaption | style::kWsSysMenu | style::kWsMinimizeBox;  // 0x00CA0000
inline constexpr std::uint32_t kMainWindowExStyle = 0;
inline constexpr int kMainWindowWidth = 406;  // outer size, frame and title bar included
inline constexpr int kMainWindowHeight = 500;

// What a pane shows, and holds as its caption, until a file is chosen for it.
inline constexpr char16_t kPanePrompt[] = u"ボタンをクリック、\nまたはファイルをドロップしてください";

enum class ControlClass { Button, Static };

struct ControlSpec {
    int id;
    ControlClass controlClass;
    const char16_t* className;  // "BUTTON" or "STATIC"
    const char16_t* caption;
    std::uint32_t style;  // whole style, WS_CHILD | WS_VISIBLE included
    std::uint32_t exStyle;
    int x;  // client pixels
    int y;
    int width;
    int height;
};

inline constexpr std::uint32_t kChildVisible = style::kWsChild | style::kWsVisible;

// Creation order.
inline constexpr ControlSpec kControls[] = {
    {kSourceFrameId, ControlClass::Button, u"BUTTON", u"[元画像]", kChildVisible | style::kBsGroupBox,
     style::kWsExClientEdge, 0, 0, 200, 210},
    {kThumbnailFrameId, ControlClass::Button, u"BUTTON", u"[サムネイル画像]", kChildVisible | style::kBsGroupBox,
     style::kWsExClientEdge, 202, 0, 200, 210},
    {kSourcePaneId, ControlClass::Button, u"BUTTON", kPanePrompt,
     kChildVisible | style::kBsBitmap | style::kBsMultiline, 0, 10, 20, 180, 180},
    {kThumbnailPaneId, ControlClass::Button, u"BUTTON", kPanePrompt,
     kChildVisible | style::kBsBitmap | style::kBsMultiline, 0, 212, 20, 180, 180},
    {kReplaceButtonId, ControlClass::Button, u"BUTTON", u"作成", kChildVisible | style::kBsPushButton, 0, 262, 220, 100,
     50},
    {kSaveButtonId, ControlClass::Button, u"BUTTON", u"保存", kChildVisible | style::kBsPushButton, 0, 262, 280, 100,
     50},
    {kDeleteButtonId, ControlClass::Button, u"BUTTON", u"削除", kChildVisible | style::kBsPushButton, 0, 262, 340, 100,
     50},
    {kLinkMarkId, ControlClass::Static, u"STATIC", u"\u2665", kChildVisible | style::kSsNotify, 0, 40, 300, 15, 15},
};
inline constexpr int kControlCount = sizeof(kControls) / sizeof(kControls[0]);

// The table entry of a control ID, or nullptr.
constexpr const ControlSpec* findControl(int id) {
    for (const ControlSpec& control : kControls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

// Icon resources.
inline constexpr int kAppIconId = 104;      // class icon and the large picture
inline constexpr int kReplaceIconId = 105;  // paper with a star burst
inline constexpr int kDeleteIconId = 106;   // red cross
inline constexpr int kSaveIconId = 107;     // folder with a green arrow
inline constexpr int kButtonIconSize = 32;

// The large picture painted by the main window.
inline constexpr int kLargePictureX = 20;
inline constexpr int kLargePictureY = 216;
inline constexpr int kLargePictureSize = 256;

// The link mark's text colour as a Win32 COLORREF (0x00BBGGRR): RGB(255, 128, 192).
inline constexpr std::uint32_t kLinkMarkColor = 0x00C080FF;
inline constexpr int kLinkMarkRed = 255;
inline constexpr int kLinkMarkGreen = 128;
inline constexpr int kLinkMarkBlue = 192;

// NONCLIENTMETRICSW without the padded-border member, for the status-bar font.
inline constexpr unsigned kNonClientMetricsSize = 500;

// File dialogs: OPENFILENAMEW without the three members newer systems append; OFN_EXPLORER |
// OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT.
inline constexpr unsigned kOpenFileNameSize = 76;
inline constexpr std::uint32_t kFileDialogFlags = 0x00081006;
inline constexpr char16_t kJpegFilterText[] = u"JPEGファイル (*.jpg)";
inline constexpr char16_t kJpegFilterPattern[] = u"*.jpg";

// Paths in the window: at most 259 characters and the terminator.
inline constexpr int kPathCapacity = 260;

// Previews are reduced so that neither side exceeds this (ten less than the pane's side).
inline constexpr int kPreviewLimit = 170;

// The page the link mark opens: the project's own.
inline constexpr char16_t kWebPageAddress[] = u"https://lumivex.example.org/";

}  // namespace lumivex::app
