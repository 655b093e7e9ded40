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
#include "app/qt/wording.h"

namespace lumivex::qt {
namespace {

QString qtext(const app::WideText& text) { return QString::fromStdU16String(text); }

enum class Buttons { Ok, YesNo };

// A modal box; true when Yes was pressed. An empty title leaves the window system's default title.
bool showBox(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text, Buttons buttons) {
    QMessageBox box(icon, title, text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);  // paths are shown as typed, never as markup
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();
    return box.standardButton(box.clickedButton()) == QMessageBox::Yes;
}

}  // namespace

bool QtWindowPlatform::confirm(const app::UserMessage& question) {
    return showBox(&window_, QMessageBox::Question, wording::confirmCaption(), wording::message(question),
                   Buttons::YesNo);
}

void QtWindowPlatform::showInfo(const app::UserMessage& message) {
    showBox(&window_, QMessageBox::NoIcon, wording::doneCaption(), wording::message(message), Buttons::Ok);
}

void QtWindowPlatform::showError(const app::UserMessage& message) {
    showBox(&window_, QMessageBox::Critical, QString(), wording::message(message), Buttons::Ok);
}

void QtWindowPlatform::showWarning(const app::UserMessage& message) {
    showBox(&window_, QMessageBox::Warning, QString(), wording::message(message), Buttons::Ok);
}

void QtWindowPlatform::showEngineMessage(const app::WideText& text) {
    showBox(nullptr, QMessageBox::Critical, QString(), wording::engineMessage(text), Buttons::Ok);
}

app::FileDialogResult QtWindowPlatform::showFileDialog(app::FileDialogPurpose purpose, std::size_t /*capacity*/) {
    QFileDialog dialog(&window_, wording::dialogTitle(purpose));
    // Qt's own dialog on every system: the same look everywhere, and it can be driven in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(wording::jpegFilter());
    if (purpose == app::FileDialogPurpose::SaveThumbnail) {
        // Asks before an existing file is overwritten.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    // Qt's dialog has no failure of its own: not accepted is cancelled. The whole path goes back, long or
    // not; what does not fit the window's buffer is the window logic's to refuse.
    app::FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.chosen = true;
    result.path = dialog.selectedFiles().first().toStdU16String();
    return result;
}

app::WideText QtWindowPlatform::controlText(int controlId) {
    const QWidget* widget = window_.control(controlId);
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        // A pane that still shows its prompt, in whatever language, holds no path.
        if (window_.pane(controlId) != nullptr && button->text() == wording::panePrompt()) return {};
        return button->text().toStdU16String();
    }
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

app::ScreenPoint QtWindowPlatform::mainWindowPosition() {
    const QPoint topLeft = window_.frameGeometry().topLeft();
    return {topLeft.x(), topLeft.y()};
}

// The frame's position, as for any top-level window.
void QtWindowPlatform::moveMainWindow(app::ScreenPoint topLeft) { window_.move(topLeft.x, topLeft.y); }

void QtWindowPlatform::yieldTimeSlice() {
    // Window-system moves are asynchronous: let each reach the screen (no input is taken meanwhile) and pace
    // them briefly, so the shake is seen rather than merged into its last position.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(2);
}

// A pane lies inside its frame, so the panes are looked at first; the other controls take no drops.
int QtWindowPlatform::controlUnderPointer() {
    const QPoint pointer = dropPointer_ ? *dropPointer_ : QCursor::pos();
    for (const int id : {app::kSourcePaneId, app::kThumbnailPaneId, app::kSourceFrameId, app::kThumbnailFrameId}) {
        const QWidget* control = window_.control(id);
        if (control != nullptr && control->isVisible() && control->rect().contains(control->mapFromGlobal(pointer))) {
            return id;
        }
    }
    return 0;
}

void QtWindowPlatform::openWebPage(const app::WideText& address) { QDesktopServices::openUrl(QUrl(qtext(address))); }

// The window goes at once; the event loop then ends and the program returns the status from main.
void QtWindowPlatform::endProgram(int status) {
    window_.hide();
    QCoreApplication::exit(status);
}

}  // namespace lumivex::qt
