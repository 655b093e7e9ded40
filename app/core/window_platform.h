// The platform services the window's logic needs, behind one abstract class: the Win32 adapter and the Qt
// adapter each implement it, and the unit tests use a recording fake. Nothing here includes a platform header.
//
// Text: every wide string is UTF-16 in a std::u16string (`WideText`), the same on every system. On Windows it is
// the native wide text (reinterpret a `const char16_t*` as `const wchar_t*`); in Qt it is
// QString::fromStdU16String / toStdU16String. One `char16_t` is one Win32 "character" of the 260-character
// path capacity.
//
// Windows: a `WindowHandle` is an opaque number, 0 for none. The Win32 adapter stores an HWND in it, the Qt
// adapter a QWidget pointer. Controls of the main window are also named by their command IDs (controls.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivex::app {

using WideChar = char16_t;
using WideText = std::u16string;

using WindowHandle = std::uintptr_t;
inline constexpr WindowHandle kNoWindow = 0;

// Message-box styles and answers: the Win32 values, so the Win32 adapter passes them through unchanged.
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// Screen coordinates; left and top inside, right and bottom outside.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

enum class FileDialogKind { Open, Save };

// Everything an open or save dialog is shown with; the Win32 adapter builds its OPENFILENAMEW from it.
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    WindowHandle owner = kNoWindow;
    WideText title;
    WideText filterText;       // "JPEGファイル (*.jpg)"
    WideText filterPattern;    // "*.jpg"
    std::uint32_t flags = 0;   // OFN_* flags (kFileDialogFlags)
    std::size_t capacity = 0;  // characters of the path buffer, terminator included (260)
};

// chosen: the user picked `path` (the whole path, never cut). Otherwise `extendedError` is the dialog's
// extended error code (CommDlgExtendedError), 0 when the user cancelled or closed the dialog.
struct FileDialogResult {
    bool chosen = false;
    WideText path;
    std::uint32_t extendedError = 0;
};

// A wide path in the system's 8-bit code page, as the engine takes it. `lossless` is false when a character
// had no exact 8-bit form (Win32: WC_NO_BEST_FIT_CHARS reported a used default char) or the conversion failed.
struct SystemCodePagePath {
    std::string bytes;  // without terminator
    bool lossless = false;
};

class WindowPlatform {
  public:
    virtual ~WindowPlatform() = default;

    // MessageBoxW: a modal box. `caption` empty optional = no caption of its own (the platform's default
    // title), which differs from an empty caption. `style` is kMb* values or-ed. Returns the kId* pressed.
    virtual int showMessageBox(WindowHandle owner, const WideText& text, const std::optional<WideText>& caption,
                               unsigned style) = 0;

    // GetOpenFileNameW / GetSaveFileNameW with CommDlgExtendedError.
    virtual FileDialogResult showFileDialog(const FileDialogRequest& request) = 0;

    // GetWindowTextW / SetWindowTextW of a main-window control, by its command ID (1001 to 1008). The text is
    // returned whole; the core applies the 259-character limit itself.
    virtual WideText controlText(int controlId) = 0;
    virtual void setControlText(int controlId, const WideText& text) = 0;

    // GetFileAttributesW != INVALID_FILE_ATTRIBUTES: an existing file or folder.
    virtual bool pathExists(const WideText& path) = 0;

    // WideCharToMultiByte(CP_ACP) without best fit, reporting whether the result is exact (Linux: the local
    // 8-bit encoding of file names, normally UTF-8).
    virtual SystemCodePagePath toSystemCodePage(const WideText& path) = 0;

    // Decodes the file and shows it in a pane (1003 or 1004) at previewSize(w, h, kPreviewLimit), smoothly
    // reduced. Returns whether an image resulted; if not the pane keeps its image. Never changes the caption.
    virtual bool setPaneImage(int paneId, const WideText& path) = 0;

    // GetWindowRect / SetWindowPos(SWP_NOSIZE | SWP_NOZORDER) / Sleep(0).
    virtual ScreenRect windowRect(WindowHandle window) = 0;
    virtual void moveWindow(WindowHandle window, int left, int top) = 0;
    virtual void yieldTimeSlice() = 0;

    // The window tree, for controlUnderCursor.
    virtual ScreenPoint cursorPosition() = 0;                     // GetCursorPos
    virtual WindowHandle windowFromPoint(ScreenPoint point) = 0;  // WindowFromPoint; kNoWindow if none
    // ChildWindowFromPoint with the point converted to `parent`'s client coordinates: the child containing it,
    // `parent` itself when no child does, kNoWindow when the point is outside `parent`.
    virtual WindowHandle childWindowFromPoint(WindowHandle parent, ScreenPoint point) = 0;
    virtual bool isWindowVisible(WindowHandle window) = 0;
    virtual WindowHandle parentWindow(WindowHandle window) = 0;               // GetParent; kNoWindow if none
    virtual bool isPopup(WindowHandle window) = 0;                            // WS_POPUP in GWL_STYLE
    virtual std::vector<WindowHandle> childWindows(WindowHandle parent) = 0;  // GW_CHILD, GW_HWNDNEXT: top first
    virtual int controlId(WindowHandle window) = 0;  // GetDlgCtrlID: the command ID of a control, else 0

    // ShellExecuteW(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL); the outcome is not examined.
    virtual void openWebPage(const WideText& address) = 0;

    // Ends the program with this exit status: after a fatal engine report the window's contract is its
    // message, then status 1. The core does nothing more once it has asked, should the call return.
    virtual void endProgram(int status) = 0;
};

}  // namespace lumivex::app
