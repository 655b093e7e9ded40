// Clicks on the window's controls: its dialogs, the engine's box, the web page and the end after a fatal report.
// The rules every window shares (checks, questions, shakes, the backup) are in tests/window_rules.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTest>
#include <QTimer>

#include "app/core/controls.h"
#include "modal_script.h"
#include "url_catcher.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

using Box = QMessageBox;

class CommandTest : public WindowTest {
  protected:
    // The photo chosen for a pane through its open dialog.
    void chooseThroughDialog(int paneId, const QString& path) {
        ModalScript script({ModalScript::choose(path)});
        click(paneId);
        ASSERT_TRUE(script.finished());
        ASSERT_EQ(script.unexpected(), 0);
    }

    void expectErrorBox(const SeenModal& seen, const QString& text, QWidget* owner) {
        EXPECT_TRUE(seen.isMessageBox);
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.title, QString());  // no caption of its own
        EXPECT_EQ(seen.icon, Box::Critical);
        EXPECT_EQ(seen.buttons, Box::StandardButtons(Box::Ok));
        EXPECT_EQ(seen.owner, owner);
    }
};

TEST_F(CommandTest, PaneDialogsChooseAFileAndCancelKeepsTheChoice) {
    const QString photo = copyOfPhoto(QStringLiteral("nikon-d70.jpg"), QStringLiteral("Nikon.JPG"));
    const QString prompt = QStringLiteral("ボタンをクリック、\nまたはファイルをドロップしてください");
    struct Pane {
        int id;
        QString title;
    };
    for (const Pane& pane :
         {Pane{app::kSourcePaneId, QStringLiteral("JPEGファイル[元]を選択してください")},
          Pane{app::kThumbnailPaneId, QStringLiteral("JPEGファイル[サムネイル]を選択してください")}}) {
        SCOPED_TRACE(pane.id);
        EXPECT_EQ(caption(pane.id), prompt);
        {
            ModalScript script({ModalScript::choose(photo)});
            click(pane.id);
            ASSERT_EQ(script.seen().size(), 1u);
            const SeenModal& seen = script.seen()[0];
            EXPECT_TRUE(seen.isFileDialog);
            EXPECT_EQ(seen.title, pane.title);
            EXPECT_EQ(seen.nameFilters, QStringList{QStringLiteral("JPEGファイル (*.jpg)")});
            EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
            EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile);
            EXPECT_EQ(seen.owner, window_.get());
            EXPECT_EQ(caption(pane.id), photo);
            EXPECT_EQ(paneImage(pane.id).size(), QSize(100, 66));  // low enough to keep its own size
        }
        {
            ModalScript script({ModalScript::cancel()});
            click(pane.id);
            ASSERT_EQ(script.seen().size(), 1u);
            EXPECT_EQ(caption(pane.id), photo);
            EXPECT_EQ(paneImage(pane.id).size(), QSize(100, 66));
        }
    }
}

TEST_F(CommandTest, APathTooLongForTheWindowIsADialogFailureWithItsCode) {
    // Nested folders until the file's path passes the 259 characters a pane can hold.
    QString folder = dir_.path();
    while (folder.size() < 280) {
        folder += QStringLiteral("/folder-with-a-long-name-%1").arg(folder.size());
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    const QString photo = folder + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(QFile::copy(testDataPath(QStringLiteral("photos/canon-40d.jpg")), photo));
    ModalScript script({ModalScript::choose(photo), ModalScript::press(Box::Ok)});
    click(app::kSourcePaneId);
    ASSERT_EQ(script.seen().size(), 2u);
    const SeenModal& warning = script.seen()[1];
    EXPECT_EQ(warning.text, QStringLiteral("ファイルの選択に失敗しました。\nErrCode:0x00003003"));
    EXPECT_EQ(warning.icon, Box::Warning);
    EXPECT_EQ(warning.title, QString());
    EXPECT_EQ(warning.owner, window_.get());
    EXPECT_TRUE(caption(app::kSourcePaneId).startsWith(QStringLiteral("ボタン")));
}

TEST_F(CommandTest, SaveDialogAsksBeforeOverwritingAndNoKeepsTheFile) {
    const QString photo = copyOfPhoto(QStringLiteral("canon-40d.jpg"));
    chooseThroughDialog(app::kSourcePaneId, photo);
    const QString existing = tempPath(QStringLiteral("existing.jpg"));
    ASSERT_TRUE(writeAll(existing, "keep me"));
    ModalScript script({ModalScript::choose(existing), ModalScript::declineOverwrite()});
    click(app::kSaveButtonId);
    ASSERT_EQ(script.seen().size(), 2u);
    EXPECT_EQ(script.unexpected(), 0);
    const SeenModal& dialog = script.seen()[0];
    EXPECT_EQ(dialog.title, QStringLiteral("保存するJPEGファイル[サムネイル]を指定してください"));
    EXPECT_EQ(dialog.acceptMode, QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters, QStringList{QStringLiteral("JPEGファイル (*.jpg)")});
    EXPECT_TRUE(script.seen()[1].isMessageBox);  // the dialog's own overwrite question
    EXPECT_TRUE(script.seen()[1].text.contains(QStringLiteral("existing.jpg")));
    EXPECT_EQ(readAll(existing), QByteArray("keep me"));
}

// The engine's own message is an error box without owner or caption, before the command's failure box.
TEST_F(CommandTest, TheEnginesMessageIsABoxOfItsOwnWithoutOwner) {
    const QString photo = copyOfPhoto(QStringLiteral("fujifilm-e500-no-thumbnail.jpg"));
    chooseThroughDialog(app::kSourcePaneId, photo);
    const QString output = tempPath(QStringLiteral("out.jpg"));
    ModalScript script({ModalScript::choose(output), ModalScript::press(Box::Ok), ModalScript::press(Box::Ok)});
    click(app::kSaveButtonId);
    ASSERT_EQ(script.seen().size(), 3u);
    expectErrorBox(script.seen()[1], QStringLiteral("サムネイル画像が含まれません。"), nullptr);
    expectErrorBox(script.seen()[2], QStringLiteral("サムネイルの保存に失敗しました。"), window_.get());
    EXPECT_FALSE(QFile::exists(output));
}

TEST_F(CommandTest, TheHeartOpensTheWebPageOnAClickOnly) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QWidget* mark = control(app::kLinkMarkId);
    QTest::mouseClick(mark, Qt::LeftButton, Qt::NoModifier, QPoint(7, 7));
    QTest::mouseDClick(mark, Qt::LeftButton, Qt::NoModifier, QPoint(7, 7));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    // A double click's second half is a double-click notification, which opens nothing.
    EXPECT_EQ(catcher.opened, QStringList{QStringLiteral("https://lumivex.example.org/")});
}

// A photo cut inside its Exif block ends in a fatal report: the window goes and the event loop ends with
// status 1 after the question, with no box of ours.
TEST_F(CommandTest, AFatalReportEndsTheProgramWithStatusOne) {
    const QString photo = tempPath(QStringLiteral("truncated.jpg"));
    const QByteArray truncated = readAll(testDataPath(QStringLiteral("photos/canon-40d.jpg"))).left(1000);
    ASSERT_TRUE(writeAll(photo, truncated));
    chooseThroughDialog(app::kSourcePaneId, photo);

    ModalScript script({ModalScript::press(Box::Yes)});
    QTimer::singleShot(0, window_.get(), [this] { click(app::kDeleteButtonId); });
    EXPECT_EQ(QApplication::exec(), 1);
    EXPECT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.unexpected(), 0);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(readAll(photo), truncated);
}

TEST_F(CommandTest, ClicksOnFramesAndThePictureDoNothing) {
    ModalScript script({});
    QTest::mouseClick(control(app::kSourceFrameId), Qt::LeftButton, Qt::NoModifier, QPoint(100, 5));
    QTest::mouseClick(control(app::kThumbnailFrameId), Qt::LeftButton, Qt::NoModifier, QPoint(100, 205));
    QTest::mouseClick(window_.get(), Qt::LeftButton, Qt::NoModifier, QPoint(120, 400));
    QTest::qWait(30);
    EXPECT_TRUE(script.seen().empty());
}

}  // namespace
}  // namespace lumivex::qt::test
