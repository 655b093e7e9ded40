// The window's platform services with Qt Widgets: boxes, file dialogs, captions, previews, moves and the
// widget tree, for the main window given at construction.
#pragma once

#include <QPoint>
#include <optional>

#include "app/core/window_platform.h"

class QWidget;

namespace lumivex::qt {

class MainWindow;

class QtWindowPlatform : public app::WindowPlatform {
  public:
    // The dynamic property that holds a control's command ID.
    static constexpr char kControlIdProperty[] = "lumivexControlId";

    explicit QtWindowPlatform(MainWindow& window) : window_(window) {}

    static app::WindowHandle handleOf(const QWidget* widget);
    static QWidget* widgetOf(app::WindowHandle handle);

    // During a drop the pointer is where the drop happened, whatever the cursor reports.
    void setDropPointer(QPoint pointer) { dropPointer_ = pointer; }
    void clearDropPointer() { dropPointer_.reset(); }

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
    MainWindow& window_;
    std::optional<QPoint> dropPointer_;
};

}  // namespace lumivex::qt
