// A real main window, shown on the offscreen platform, with helpers to click, drop and watch it move.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QPoint>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "app/qt/main_window.h"

namespace lumivex::qt::test {

QString testDataPath(const QString& relative);
QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);
// A small JPEG of the given size with a colour gradient, written to `path`.
bool writeJpeg(const QString& path, int width, int height);

// The suite runs with the Japanese translation, the Windows window's words, unless a test switches it off.
void useJapanese(bool on);

// A real main window shown on the offscreen platform, home at `home_`, with a temporary folder of its own.
class WindowSession {
  public:
    WindowSession() = default;
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;
    virtual ~WindowSession() = default;

  protected:
    void open();
    void close();

    QWidget* control(int id) const { return window_->control(id); }
    QString caption(int id) const;
    QImage paneImage(int id) const;

    void click(int id);
    // Drags files over the window and drops them at `point` (window client coordinates), as the window
    // system delivers a drop. Returns whether the drop was accepted.
    bool dropAt(QPoint point, const QList<QUrl>& urls);
    bool dropFileAt(QPoint point, const QString& path) { return dropAt(point, {QUrl::fromLocalFile(path)}); }
    // The centre of a control, in window client coordinates.
    QPoint centreOf(int id) const;

    // A copy of a test photo in the temporary folder.
    QString copyOfPhoto(const QString& name, const QString& as = {});
    QString tempPath(const QString& name) const { return dir_.filePath(name); }

    int movesSeen() const { return moves_; }
    void resetMoves() { moves_ = 0; }

    std::unique_ptr<MainWindow> window_;
    QPoint home_{120, 80};
    QTemporaryDir dir_;

  private:
    class MoveCounter;
    std::unique_ptr<QObject> moveCounter_;
    int moves_ = 0;
};

class WindowTest : public ::testing::Test, protected WindowSession {
  protected:
    void SetUp() override { open(); }
    void TearDown() override { close(); }
};

}  // namespace lumivex::qt::test

QT_BEGIN_NAMESPACE
// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE
