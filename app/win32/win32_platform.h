// The window logic's intents carried out with Win32, for one main window: message boxes with their styles,
// the common file dialogs, captions, previews, moves and the window tree under the pointer.
#pragma once

#include <windows.h>

#include "app/core/window_platform.h"

namespace lumivex::win32 {

class Win32WindowPlatform final : public app::WindowPlatform {
  public:
    // Controls are found by their command IDs among the children of `mainWindow`, which owns every box and
    // dialog (nullptr: the engine's own boxes only).
    explicit Win32WindowPlatform(HWND mainWindow) : mainWindow_(mainWindow) {}

    bool confirm(const app::UserMessage& question) override;
    void showInfo(const app::UserMessage& message) override;
    void showError(const app::UserMessage& message) override;
    void showWarning(const app::UserMessage& message) override;
    void showEngineMessage(const app::WideText& text) override;
    app::FileDialogResult showFileDialog(app::FileDialogPurpose purpose, std::size_t capacity) override;
    app::WideText controlText(int controlId) override;
    void setControlText(int controlId, const app::WideText& text) override;
    bool pathExists(const app::WideText& path) override;
    app::SystemCodePagePath toSystemCodePage(const app::WideText& path) override;
    bool setPaneImage(int paneId, const app::WideText& path) override;
    app::ScreenPoint mainWindowPosition() override;
    void moveMainWindow(app::ScreenPoint topLeft) override;
    void yieldTimeSlice() override;
    int controlUnderPointer() override;
    void openWebPage(const app::WideText& address) override;
    void endProgram(int status) override;

  private:
    HWND control(int controlId) const { return GetDlgItem(mainWindow_, controlId); }

    HWND mainWindow_;
};

// GetOpenFileNameW or GetSaveFileNameW for the purpose, owned by `owner`, with the path buffer's capacity.
app::FileDialogResult showFileDialog(HWND owner, app::FileDialogPurpose purpose, std::size_t capacity);

}  // namespace lumivex::win32
