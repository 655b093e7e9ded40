// The main window: the eight controls of the shared layout, the large picture, and the routing of clicks and
// drops into the window's logic. What each click or drop does is decided there, not here.
#pragma once

#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <map>
#include <memory>

namespace lumivex::qt {

class PaneButton;
class QtWindowPlatform;

class MainWindow : public QWidget {
  public:
    MainWindow();
    ~MainWindow() override;

    // The control with this command ID (1001 to 1008), or nullptr.
    QWidget* control(int id) const;
    PaneButton* pane(int id) const;
    QtWindowPlatform& platform() { return *platform_; }

    // A click on the control with this command ID.
    void click(int id);
    // The file named by the first argument after the program's name, if any, into the source pane.
    void openFromCommandLine(const QStringList& arguments);
    // A file dropped on a frame or its pane; `pointer` is where the pointer was, in screen coordinates.
    void dropFile(const QString& path, QPoint pointer);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void createControls();
    void fitOuterSize();

    std::unique_ptr<QtWindowPlatform> platform_;
    std::map<int, QWidget*> controls_;
    QPixmap largePicture_;
};

}  // namespace lumivex::qt
