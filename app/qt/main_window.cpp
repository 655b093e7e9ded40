#include "app/qt/main_window.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QWindow>

#include "app/core/commands.h"
#include "app/core/controls.h"
#include "app/core/file_drop.h"
#include "app/qt/drop_frame.h"
#include "app/qt/link_mark.h"
#include "app/qt/pane_button.h"
#include "app/qt/qt_window_platform.h"
#include "app/qt/wording.h"

// The icons live in this static library, whose resource object the linker would otherwise leave out.
static void loadIconResources() { Q_INIT_RESOURCE(icons); }

namespace lumivex::qt {
namespace {

QIcon buttonIcon(int iconId) { return QIcon(QStringLiteral(":/icons/icon-%1-32.png").arg(iconId)); }

}  // namespace

MainWindow::MainWindow() : platform_(std::make_unique<QtWindowPlatform>(*this)) {
    // Title bar, system menu, minimise and close; no maximise button and, with the fixed size, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(wording::windowTitle());
    loadIconResources();
    QIcon appIcon;
    appIcon.addFile(QStringLiteral(":/icons/icon-104-32.png"));
    appIcon.addFile(QStringLiteral(":/icons/icon-104-256.png"));
    setWindowIcon(appIcon);
    largePicture_ = QPixmap(QStringLiteral(":/icons/icon-104-256.png"));
    fitOuterSize();
    createControls();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    // The status bar's font where the platform names one, else the application's standard font.
    const QFont controlFont = QApplication::font("QStatusBar");
    for (const app::ControlSpec& entry : app::kControls) {
        const QString caption = wording::controlCaption(entry.id);
        QWidget* widget = nullptr;
        switch (entry.id) {
            case app::kSourceFrameId:
            case app::kThumbnailFrameId: {
                auto* frame = new DropFrame(caption, this);
                frame->setDropHandler([this](const QString& path, QPoint pointer) { dropFile(path, pointer); });
                widget = frame;
                break;
            }
            case app::kSourcePaneId:
            case app::kThumbnailPaneId: {
                auto* pane = new PaneButton(caption, this);
                // A drop over the pane is the frame's drop, as the frame contains it.
                auto* frame = static_cast<DropFrame*>(
                    control(entry.id == app::kSourcePaneId ? app::kSourceFrameId : app::kThumbnailFrameId));
                pane->setDropForward([frame](QWidget* receiver, QDropEvent* event, bool dropped) {
                    return frame->handleDrag(receiver, event, dropped);
                });
                const int id = entry.id;
                connect(pane, &QPushButton::clicked, this, [this, id] { click(id); });
                widget = pane;
                break;
            }
            case app::kLinkMarkId: {
                auto* mark = new LinkMark(caption, this);
                mark->setClicked([this] { click(app::kLinkMarkId); });
                widget = mark;
                break;
            }
            default: {
                auto* button = new QPushButton(caption, this);
                const int id = entry.id;
                connect(button, &QPushButton::clicked, this, [this, id] { click(id); });
                widget = button;
                break;
            }
        }
        widget->setGeometry(entry.x, entry.y, entry.width, entry.height);
        widget->setFont(controlFont);
        controls_[entry.id] = widget;
    }
    const std::pair<int, int> buttonIcons[] = {{app::kReplaceButtonId, app::kReplaceIconId},
                                               {app::kSaveButtonId, app::kSaveIconId},
                                               {app::kDeleteButtonId, app::kDeleteIconId}};
    for (const auto& [buttonId, iconId] : buttonIcons) {
        auto* button = static_cast<QPushButton*>(control(buttonId));
        button->setIcon(buttonIcon(iconId));
        button->setIconSize(QSize(app::kButtonIconSize, app::kButtonIconSize));
    }
}

QWidget* MainWindow::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

PaneButton* MainWindow::pane(int id) const {
    if (id != app::kSourcePaneId && id != app::kThumbnailPaneId) return nullptr;
    return static_cast<PaneButton*>(control(id));
}

void MainWindow::click(int id) { app::handleClick(*platform_, id); }

void MainWindow::openFromCommandLine(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1).isEmpty()) return;
    // The whole path, as a dialog or a drop would give it, whatever the folder the program was started in.
    const QString path = QFileInfo(arguments.at(1)).absoluteFilePath();
    app::openFileInPane(*platform_, app::kSourcePaneId, QDir::toNativeSeparators(path).toStdU16String());
}

void MainWindow::dropFile(const QString& path, QPoint pointer) {
    platform_->setDropPointer(pointer);
    app::handleFileDrop(*platform_, path.toStdU16String());
    platform_->clearDropPointer();
}

// The outer size, frame and title bar included, is fixed: the client area is what the frame leaves.
void MainWindow::fitOuterSize() {
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    const QSize client(app::kMainWindowWidth - frame.left() - frame.right(),
                       app::kMainWindowHeight - frame.top() - frame.bottom());
    if (minimumSize() != client || maximumSize() != client) setFixedSize(client);
}

bool MainWindow::event(QEvent* event) {
    // The frame's size is known only once the window system has framed the window.
    if (event->type() == QEvent::Show || event->type() == QEvent::Move) fitOuterSize();
    return QWidget::event(event);
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(QRect(app::kLargePictureX, app::kLargePictureY, app::kLargePictureSize, app::kLargePictureSize),
                       largePicture_);
}

}  // namespace lumivex::qt
