// The window logic's intents carried out with Qt Widgets: boxes, file dialogs, captions, previews, moves and
// the control under a drop, for the main window given at construction.
#pragma once

#include <QPoint>
#include <optional>

#include "app/core/window_platform.h"

class QWidget;

namespace lumivex::qt {

class MainWindow;

class QtWindowPlatform : public app::WindowPlatform {
  public:
    explicit QtWindowPlatform(MainWindow& window) : window_(window) {}

    // During a drop the pointer is where the drop happened, whatever the cursor reports.
    void setDropPointer(QPoint pointer) { dropPointer_ = pointer; }
    void clearDropPointer() { dropPointer_.reset(); }

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
    MainWindow& window_;
    std::optional<QPoint> dropPointer_;
};

}  // namespace lumivex::qt
