// The shared window rules run through the real Qt window: drops choose the files, the modal boxes are
// answered as a user would.
#include <QFile>

#include "modal_script.h"
#include "tests/window_rules/window_adapter.h"
#include "window_fixture.h"

namespace lumivex::window_rules {
namespace {

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

SeenBox fromModal(const qt::test::SeenModal& modal, QWidget* window) {
    SeenBox box;
    box.text = modal.text.toStdString();
    box.caption = modal.title.toStdString();
    box.ownedByWindow = modal.owner == window;
    box.yesNoButtons = modal.buttons == (QMessageBox::Yes | QMessageBox::No);
    if (modal.isFileDialog) {
        box.kind = BoxKind::FileDialog;
    } else if (modal.icon == QMessageBox::Critical) {
        box.kind = modal.owner == nullptr ? BoxKind::EngineMessage : BoxKind::Error;
    } else if (modal.icon == QMessageBox::Question) {
        box.kind = BoxKind::Question;
    } else if (modal.icon == QMessageBox::Warning) {
        box.kind = BoxKind::Warning;
    } else if (modal.icon == QMessageBox::NoIcon) {
        box.kind = BoxKind::Info;
    }
    return box;
}

class QtWindow : public WindowAdapter, private qt::test::WindowSession {
  public:
    QtWindow() { open(); }
    ~QtWindow() override { close(); }

    std::string copyPhoto(const std::string& photo, const std::string& name) override {
        return copyOfPhoto(q(photo), q(name)).toStdString();
    }
    std::string readFile(const std::string& path) override {
        const QByteArray bytes = qt::test::readAll(q(path));
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    bool exists(const std::string& path) override { return QFile::exists(q(path)); }
    void removeFile(const std::string& path) override { QFile::remove(q(path)); }

    void choose(int paneId, const std::string& path) override {
        EXPECT_TRUE(dropFileAt(centreOf(paneId), q(path)));
        EXPECT_EQ(caption(paneId), q(path));
    }
    std::string paneText(int paneId) override { return caption(paneId).toStdString(); }

    std::vector<SeenBox> click(int controlId, const std::vector<Reply>& replies) override {
        std::vector<qt::test::ModalScript::Action> actions;
        for (const Reply reply : replies) {
            actions.push_back(qt::test::ModalScript::press(reply == Reply::Yes  ? QMessageBox::Yes
                                                           : reply == Reply::No ? QMessageBox::No
                                                                                : QMessageBox::Ok));
        }
        qt::test::ModalScript script(actions);
        before_ = window_->frameGeometry().topLeft();
        resetMoves();
        WindowSession::click(controlId);
        std::vector<SeenBox> boxes;
        for (const qt::test::SeenModal& modal : script.seen()) boxes.push_back(fromModal(modal, window_.get()));
        return boxes;
    }
    int movesDuringLastClick() override { return movesSeen(); }
    bool backWhereItWas() override { return window_->frameGeometry().topLeft() == before_; }

  private:
    QPoint before_;
};

}  // namespace

std::unique_ptr<WindowAdapter> openWindow() { return std::make_unique<QtWindow>(); }

}  // namespace lumivex::window_rules
