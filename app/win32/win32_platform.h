// The window logic's platform services on Win32, for one main window.
#pragma once

#include <windows.h>

#include "app/core/window_platform.h"

namespace lumivex::win32 {

class Win32WindowPlatform final : public app::WindowPlatform {
  public:
    // Controls are found by their command IDs among the children of `mainWindow` (nullptr: driver boxes only).
    explicit Win32WindowPlatform(HWND mainWindow) : mainWindow_(mainWindow) {}

    int showMessageBox(app::WindowHandle owner, const app::WideText& text, const std::optional<app::WideText>& caption,
                       unsigned style) override;
    app::FileDialogResult showFileDialog(const app::FileDialogRequest& request) override;
    app::WideText controlText(int controlId) override;
    void setControlText(int controlId, const app::WideText& text) override;
    bool pathExists(const app::WideText& path) override;
    app::SystemCodePagePath toSystemCodePage(const app::WideText& path) override;
    bool setPaneImage(int paneId, const app::WideText& path) override;
    app::ScreenRect windowRect(app::WindowHandle window) override;
    void moveWindow(app::WindowHandle window, int left, int top) override;
    void yieldTimeSlice() override;
    app::ScreenPoint cursorPosition() override;
    app::WindowHandle windowFromPoint(app::ScreenPoint point) override;
    app::WindowHandle childWindowFromPoint(app::WindowHandle parent, app::ScreenPoint point) override;
    bool isWindowVisible(app::WindowHandle window) override;
    app::WindowHandle parentWindow(app::WindowHandle window) override;
    bool isPopup(app::WindowHandle window) override;
    std::vector<app::WindowHandle> childWindows(app::WindowHandle parent) override;
    int controlId(app::WindowHandle window) override;
    void openWebPage(const app::WideText& address) override;
    void endProgram(int status) override;

  private:
    HWND control(int controlId) const { return GetDlgItem(mainWindow_, controlId); }

    HWND mainWindow_;
};

// GetOpenFileNameW or GetSaveFileNameW with the request's values.
app::FileDialogResult showFileDialog(const app::FileDialogRequest& request);

}  // namespace lumivex::win32
