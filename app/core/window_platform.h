// What the window's logic asks of the platform, as intents: tell the user something, ask for consent, let
// them choose a file, show a preview, say which control lies under the pointer. The Win32 adapter and the Qt
// adapter each implement it in their own terms, and the unit tests use a recording fake. Nothing here names a
// platform type, constant or message.
//
// Text: every wide string is UTF-16 in a std::u16string (`WideText`), the same on every system. One
// `char16_t` is one character of the window's 260-character path capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/core/user_message.h"

namespace lumivex::app {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// chosen: the user picked `path` (the whole path, never cut). Otherwise `failureCode` says why the dialog
// failed, 0 when the user cancelled or closed it.
struct FileDialogResult {
    bool chosen = false;
    WideText path;
    std::uint32_t failureCode = 0;
};

// A wide path in the system's 8-bit encoding, as the engine takes it. `lossless` is false when a character
// had no exact 8-bit form or the conversion failed.
struct SystemCodePagePath {
    std::string bytes;  // without terminator
    bool lossless = false;
};

class WindowPlatform {
  public:
    virtual ~WindowPlatform() = default;

    // Modal boxes owned by the main window. The adapter words each message and chooses its look.
    virtual bool confirm(const UserMessage& question) = 0;  // true only for an explicit Yes
    virtual void showInfo(const UserMessage& message) = 0;
    virtual void showError(const UserMessage& message) = 0;
    virtual void showWarning(const UserMessage& message) = 0;
    // A message of the engine's own (UTF-16 of its text), shown as an error box of its own, without owner.
    virtual void showEngineMessage(const WideText& text) = 0;

    // The open or save dialog for this purpose, with the JPEG filter. `capacity`: characters of the path the
    // window can hold, terminator included; a longer path is returned whole for the core to refuse.
    virtual FileDialogResult showFileDialog(FileDialogPurpose purpose, std::size_t capacity) = 0;

    // The text of a main-window control by its command ID (controls.h). A pane's text is its chosen path;
    // an adapter may answer an empty text for a pane that has none. The core applies the length limit.
    virtual WideText controlText(int controlId) = 0;
    virtual void setControlText(int controlId, const WideText& text) = 0;

    // An existing file or folder.
    virtual bool pathExists(const WideText& path) = 0;

    // The path in the system's 8-bit encoding, reporting whether the result is exact.
    virtual SystemCodePagePath toSystemCodePage(const WideText& path) = 0;

    // Decodes the file and shows it in a pane (1003 or 1004) at previewSize(w, h, kPreviewLimit), smoothly
    // reduced. Returns whether an image resulted; if not the pane keeps its image. Never changes the text.
    virtual bool setPaneImage(int paneId, const WideText& path) = 0;

    // The main window's outer top-left corner in screen coordinates; moving it keeps its size and stacking.
    virtual ScreenPoint mainWindowPosition() = 0;
    virtual void moveMainWindow(ScreenPoint topLeft) = 0;
    // Lets the platform show the move before the next one.
    virtual void yieldTimeSlice() = 0;

    // The command ID of the control a drop is meant for: the smallest control under the pointer; 0 when no
    // control of the main window lies there.
    virtual int controlUnderPointer() = 0;

    // Opens the address in the user's browser; the outcome is not examined.
    virtual void openWebPage(const WideText& address) = 0;

    // Ends the program with this exit status: after a fatal engine report the window's contract is its
    // message, then status 1. The core does nothing more once it has asked, should the call return.
    virtual void endProgram(int status) = 0;
};

}  // namespace lumivex::app
