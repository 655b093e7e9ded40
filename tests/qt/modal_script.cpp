#include "modal_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <algorithm>

namespace lumivex::qt::test {

ModalScript::ModalScript(std::vector<Action> actions) : actions_(actions.begin(), actions.end()) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(5);
}

ModalScript::~ModalScript() { timer_.stop(); }

void ModalScript::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    const bool answered =
        std::any_of(answered_.begin(), answered_.end(), [modal](const QPointer<QWidget>& w) { return w == modal; });
    if (answered) {
        // An answer that did not close its window fails the test instead of hanging it.
        if (sinceAnswer_.elapsed() > kStuckMilliseconds) {
            ++unexpected_;
            qWarning("modal window '%s' still open after its answer; closing it", qPrintable(modal->windowTitle()));
            if (auto* dialog = qobject_cast<QDialog*>(modal)) return dialog->reject();
            modal->close();
        }
        return;
    }
    answered_.emplace_back(modal);
    sinceAnswer_.start();

    SeenModal entry;
    entry.title = modal->windowTitle();
    entry.owner = modal->parentWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        entry.isMessageBox = true;
        entry.text = box->text();
        entry.icon = box->icon();
        entry.buttons = box->standardButtons();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        entry.isFileDialog = true;
        entry.nameFilters = dialog->nameFilters();
        entry.acceptMode = dialog->acceptMode();
        entry.fileMode = dialog->fileMode();
    }
    seen_.push_back(entry);

    Action action;
    if (actions_.empty()) {
        ++unexpected_;
        action = [](QWidget* widget) { widget->close(); };
    } else {
        action = actions_.front();
        actions_.pop_front();
    }
    // Answered from the event loop, not inside this timer, so a box that the answer opens is polled too.
    QPointer<QWidget> target = modal;
    QTimer::singleShot(0, modal, [action, target] {
        if (target) action(target);
    });
}

ModalScript::Action ModalScript::press(QMessageBox::StandardButton button) {
    return [button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QAbstractButton* pressed = box != nullptr ? box->button(button) : nullptr;
        if (pressed != nullptr) {
            pressed->click();
        } else {
            modal->close();
        }
    };
}

ModalScript::Action ModalScript::choose(const QString& path) {
    return [path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) return modal->close(), void();
        // Typed into the name field, as a user would; the dialog resolves it against its folder.
        auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (nameField == nullptr) return dialog->reject();
        nameField->setText(path);
        static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept, which checks the name
    };
}

ModalScript::Action ModalScript::declineOverwrite() {
    return [](QWidget* modal) {
        QPointer<QWidget> dialog = modal->parentWidget();
        press(QMessageBox::No)(modal);
        QTimer::singleShot(0, [dialog] {
            if (auto* fileDialog = qobject_cast<QDialog*>(dialog.data())) fileDialog->reject();
        });
    };
}

ModalScript::Action ModalScript::cancel() {
    return [](QWidget* modal) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) return dialog->reject();
        modal->close();
    };
}

}  // namespace lumivex::qt::test
