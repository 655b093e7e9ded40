// Answers the modal boxes and dialogs that a click opens, in order, and records what each one showed.
#pragma once

#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

namespace lumivex::qt::test {

// What one modal window showed when it was answered.
struct SeenModal {
    bool isMessageBox = false;
    bool isFileDialog = false;
    QString title;
    QString text;  // message boxes
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
    QStringList nameFilters;  // file dialogs
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
};

class ModalScript {
  public:
    using Action = std::function<void(QWidget* modal)>;

    explicit ModalScript(std::vector<Action> actions);
    ~ModalScript();

    const std::vector<SeenModal>& seen() const { return seen_; }
    // Modal windows that appeared after the actions ran out; each was closed unanswered.
    int unexpected() const { return unexpected_; }
    bool finished() const { return actions_.empty(); }

    static Action press(QMessageBox::StandardButton button);
    static Action choose(const QString& path);  // types the path into a file dialog and accepts it
    static Action cancel();                     // closes a file dialog
    // Answers No to a file dialog's overwrite question, then closes the dialog.
    static Action declineOverwrite();

  private:
    void poll();

    static constexpr int kStuckMilliseconds = 5000;

    QTimer timer_;
    QElapsedTimer sinceAnswer_;
    std::deque<Action> actions_;
    std::vector<QPointer<QWidget>> answered_;  // each modal window is answered once
    std::vector<SeenModal> seen_;
    int unexpected_ = 0;
};

}  // namespace lumivex::qt::test
