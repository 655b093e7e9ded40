#include "app/qt/qt_window_platform.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include "app/core/controls.h"
#include "app/qt/main_window.h"
#include "app/qt/pane_button.h"
#include "app/qt/preview_image.h"

namespace lumivex::qt {
namespace {

// The dialog flags that Qt's dialog can honour: OFN_OVERWRITEPROMPT and OFN_FILEMUSTEXIST.
constexpr std::uint32_t kOverwritePrompt = 0x00000002;
constexpr std::uint32_t kFileMustExist = 0x00001000;

QString qtext(const app::WideText& text) { return QString::fromStdU16String(text); }

QMessageBox::Icon iconFor(unsigned style) {
    switch (style & 0xF0u) {
        case app::kMbIconError:
            return QMessageBox::Critical;
        case app::kMbIconQuestion:
            return QMessageBox::Question;
        case app::kMbIconWarning:
            return QMessageBox::Warning;
        case 0x40u:  // MB_ICONINFORMATION
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The filter as Qt shows and applies it: the display text, with the pattern in parentheses when the text
// does not already end with it.
QString nameFilter(const app::FileDialogRequest& request) {
    const QString text = qtext(request.filterText);
    const QString pattern = qtext(request.filterPattern);
    if (text.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) return text;
    return text + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

}  // namespace

app::WindowHandle QtWindowPlatform::handleOf(const QWidget* widget) {
    return reinterpret_cast<app::WindowHandle>(widget);
}

QWidget* QtWindowPlatform::widgetOf(app::WindowHandle handle) { return reinterpret_cast<QWidget*>(handle); }

int QtWindowPlatform::showMessageBox(app::WindowHandle owner, const app::WideText& text,
                                     const std::optional<app::WideText>& caption, unsigned style) {
    // No caption of its own leaves the title empty: the window system then shows its default title.
    QMessageBox box(iconFor(style), caption ? qtext(*caption) : QString(), qtext(text), QMessageBox::NoButton,
                    widgetOf(owner));
    box.setTextFormat(Qt::PlainText);  // paths are shown as typed, never as markup
    if ((style & 0x0Fu) == app::kMbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Yes:
            return app::kIdYes;
        case QMessageBox::No:
            return app::kIdNo;
        default:
            return (style & 0x0Fu) == app::kMbYesNo ? app::kIdNo : app::kIdOk;
    }
}

app::FileDialogResult QtWindowPlatform::showFileDialog(const app::FileDialogRequest& request) {
    QFileDialog dialog(widgetOf(request.owner), qtext(request.title));
    // Qt's own dialog on every system: the same look everywhere, and it can be driven in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(nameFilter(request));
    if (request.kind == app::FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & kOverwritePrompt) == 0);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((request.flags & kFileMustExist) != 0 ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    // Qt's dialog has no failure of its own: cancelled is extended error 0. The whole path goes back, long or
    // not; what does not fit the window's buffer is the window logic's to refuse.
    app::FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.chosen = true;
    result.path = dialog.selectedFiles().first().toStdU16String();
    return result;
}

app::WideText QtWindowPlatform::controlText(int controlId) {
    const QWidget* widget = window_.control(controlId);
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text().toStdU16String();
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title().toStdU16String();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdU16String();
    return {};
}

void QtWindowPlatform::setControlText(int controlId, const app::WideText& text) {
    QWidget* widget = window_.control(controlId);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(qtext(text));
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) frame->setTitle(qtext(text));
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(qtext(text));
}

bool QtWindowPlatform::pathExists(const app::WideText& path) { return !path.empty() && QFileInfo::exists(qtext(path)); }

app::SystemCodePagePath QtWindowPlatform::toSystemCodePage(const app::WideText& path) {
    const QString wide = qtext(path);
    const QByteArray bytes = QFile::encodeName(wide);
    // Exact only when the bytes name the same file back and hold no terminator inside.
    const bool lossless = QFile::decodeName(bytes) == wide && !bytes.contains('\0');
    return {bytes.toStdString(), lossless};
}

bool QtWindowPlatform::setPaneImage(int paneId, const app::WideText& path) {
    PaneButton* pane = window_.pane(paneId);
    if (pane == nullptr) return false;  // a frame shows no picture
    const QImage image = loadPreviewImage(qtext(path), app::kPreviewLimit);
    if (image.isNull()) return false;
    pane->setImage(image);
    return true;
}

app::ScreenRect QtWindowPlatform::windowRect(app::WindowHandle window) {
    const QWidget* widget = widgetOf(window);
    if (widget == nullptr) return {};
    const QRect rect =
        widget->isWindow() ? widget->frameGeometry() : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

void QtWindowPlatform::moveWindow(app::WindowHandle window, int left, int top) {
    QWidget* widget = widgetOf(window);
    if (widget == nullptr) return;
    if (widget->isWindow() || widget->parentWidget() == nullptr) {
        widget->move(left, top);  // the frame's position for a top-level window
    } else {
        widget->move(widget->parentWidget()->mapFromGlobal(QPoint(left, top)));
    }
}

void QtWindowPlatform::yieldTimeSlice() {
    // Window-system moves are asynchronous: let each reach the screen (no input is taken meanwhile) and pace
    // them briefly, so the shake is seen rather than merged into its last position.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(2);
}

app::ScreenPoint QtWindowPlatform::cursorPosition() {
    const QPoint point = dropPointer_ ? *dropPointer_ : QCursor::pos();
    return {point.x(), point.y()};
}

app::WindowHandle QtWindowPlatform::windowFromPoint(app::ScreenPoint point) {
    return handleOf(QApplication::widgetAt(point.x, point.y));
}

app::WindowHandle QtWindowPlatform::childWindowFromPoint(app::WindowHandle parent, app::ScreenPoint point) {
    const QWidget* widget = widgetOf(parent);
    if (widget == nullptr) return app::kNoWindow;
    const QPoint local = widget->mapFromGlobal(QPoint(point.x, point.y));
    if (!widget->rect().contains(local)) return app::kNoWindow;
    for (app::WindowHandle child : childWindows(parent)) {
        if (widgetOf(child)->geometry().contains(local)) return child;
    }
    return parent;
}

bool QtWindowPlatform::isWindowVisible(app::WindowHandle window) {
    const QWidget* widget = widgetOf(window);
    return widget != nullptr && widget->isVisible();
}

app::WindowHandle QtWindowPlatform::parentWindow(app::WindowHandle window) {
    const QWidget* widget = widgetOf(window);
    if (widget == nullptr || widget->isWindow()) return app::kNoWindow;
    return handleOf(widget->parentWidget());
}

bool QtWindowPlatform::isPopup(app::WindowHandle window) {
    const QWidget* widget = widgetOf(window);
    return widget != nullptr && widget->windowType() == Qt::Popup;
}

std::vector<app::WindowHandle> QtWindowPlatform::childWindows(app::WindowHandle parent) {
    std::vector<app::WindowHandle> children;
    const QWidget* widget = widgetOf(parent);
    if (widget == nullptr) return children;
    // Qt keeps children bottom first; the walk wants the top first. Top-level children are other windows.
    const QObjectList& objects = widget->children();
    for (auto it = objects.crbegin(); it != objects.crend(); ++it) {
        const auto* child = qobject_cast<const QWidget*>(*it);
        if (child != nullptr && !child->isWindow()) children.push_back(handleOf(child));
    }
    return children;
}

int QtWindowPlatform::controlId(app::WindowHandle window) {
    const QWidget* widget = widgetOf(window);
    if (widget == nullptr) return 0;
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

void QtWindowPlatform::openWebPage(const app::WideText& address) { QDesktopServices::openUrl(QUrl(qtext(address))); }

// The window goes at once; the event loop then ends and the program returns the status from main.
void QtWindowPlatform::endProgram(int status) {
    window_.hide();
    QCoreApplication::exit(status);
}

}  // namespace lumivex::qt
