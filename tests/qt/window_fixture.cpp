#include "window_fixture.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLinearGradient>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "app/core/driver_boxes.h"
#include "app/qt/pane_button.h"
#include "app/qt/qt_window_platform.h"
#include "app/qt/translation.h"

namespace lumivex::qt::test {

QString testDataPath(const QString& relative) { return QStringLiteral(LUMIVEX_TEST_DATA "/") + relative; }

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(30, 90, 200));
    gradient.setColorAt(1, QColor(250, 200, 40));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    return image.save(path, "JPG", 85);
}

void useJapanese(bool on) {
    static std::unique_ptr<QTranslator> japanese;
    if (!on) {
        japanese.reset();
    } else if (!japanese) {
        japanese = installTranslation(QLocale(QLocale::Japanese, QLocale::Japan), {QStringLiteral(LUMIVEX_QM_DIR)});
    }
}

class WindowSession::MoveCounter : public QObject {
  public:
    explicit MoveCounter(int& count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move) ++count_;
        return false;
    }

  private:
    int& count_;
};

void WindowSession::open() {
    ASSERT_TRUE(dir_.isValid());
    window_ = std::make_unique<MainWindow>();
    window_->move(home_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    app::routeDriverMessagesTo(&window_->platform());
    moveCounter_ = std::make_unique<MoveCounter>(moves_);
    window_->installEventFilter(moveCounter_.get());
    moves_ = 0;
}

void WindowSession::close() {
    app::routeDriverMessagesTo(nullptr);
    window_.reset();
    moveCounter_.reset();
}

QString WindowSession::caption(int id) const {
    QWidget* widget = control(id);
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    return {};
}

QImage WindowSession::paneImage(int id) const {
    const PaneButton* pane = window_->pane(id);
    return pane != nullptr ? pane->image() : QImage();
}

void WindowSession::click(int id) {
    QWidget* widget = control(id);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

QPoint WindowSession::centreOf(int id) const { return control(id)->geometry().center(); }

bool WindowSession::dropAt(QPoint point, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QWindow* handle = window_->windowHandle();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &drop);
    return drop.isAccepted();
}

QString WindowSession::copyOfPhoto(const QString& name, const QString& as) {
    const QString target = dir_.filePath(as.isEmpty() ? name : as);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(testDataPath(QStringLiteral("photos/") + name), target)) << name.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

}  // namespace lumivex::qt::test
