// The main window's fixed layout as data, shared by every adapter: the eight controls in creation order with
// their captions and places, icons and colours. How each platform builds them is the adapter's.
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

// The main window: title and outer size, frame and title bar included (fixed: it cannot be resized).
inline constexpr char16_t kWindowTitle[] = u"Lumivex Ver.1.00";
inline constexpr int kMainWindowWidth = 406;
inline constexpr int kMainWindowHeight = 500;

// What a pane shows, and holds as its caption, until a file is chosen for it.
inline constexpr char16_t kPanePrompt[] = u"ボタンをクリック、\nまたはファイルをドロップしてください";

struct ControlSpec {
    int id;
    const char16_t* caption;
    int x;  // client pixels
    int y;
    int width;
    int height;
};

// Creation order, which is also the stacking order: the first is the topmost.
inline constexpr ControlSpec kControls[] = {
    {kSourceFrameId, u"[元画像]", 0, 0, 200, 210},  {kThumbnailFrameId, u"[サムネイル画像]", 202, 0, 200, 210},
    {kSourcePaneId, kPanePrompt, 10, 20, 180, 180}, {kThumbnailPaneId, kPanePrompt, 212, 20, 180, 180},
    {kReplaceButtonId, u"作成", 262, 220, 100, 50}, {kSaveButtonId, u"保存", 262, 280, 100, 50},
    {kDeleteButtonId, u"削除", 262, 340, 100, 50},  {kLinkMarkId, u"\u2665", 40, 300, 15, 15},
};
inline constexpr int kControlCount = sizeof(kControls) / sizeof(kControls[0]);

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

// The link mark's text colour: pink, RGB(255, 128, 192).
inline constexpr int kLinkMarkRed = 255;
inline constexpr int kLinkMarkGreen = 128;
inline constexpr int kLinkMarkBlue = 192;

// Paths in the window: at most 259 characters and the terminator.
inline constexpr int kPathCapacity = 260;

// Previews are reduced so that neither side exceeds this (ten less than the pane's side).
inline constexpr int kPreviewLimit = 170;

// The page the link mark opens: the project's own.
inline constexpr char16_t kWebPageAddress[] = u"https://lumivex.example.org/";

}  // namespace lumivex::app
