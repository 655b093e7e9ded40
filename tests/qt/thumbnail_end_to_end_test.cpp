// A real photo's thumbnail replaced, exported and deleted through the window, checked in the files.
#include "app/core/controls.h"
#include "engine/thumbnail/file_operation.h"
#include "modal_script.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

using Box = QMessageBox;
using ThumbnailEndToEndTest = WindowTest;

// The embedded thumbnail as the engine exports it, or empty when there is none.
QByteArray embeddedThumbnail(const QString& photo, const QString& out) {
    QFile::remove(out);
    if (runFileOperation(QFile::encodeName(photo).constData(), QFile::encodeName(out).constData(), 0) != 1) {
        return {};
    }
    return readAll(out);
}

TEST_F(ThumbnailEndToEndTest, ReplaceExportAndDeleteThroughTheWindow) {
    const QString photo = copyOfPhoto(QStringLiteral("canon-40d.jpg"), QStringLiteral("写真.jpg"));
    const QString thumbnail = tempPath(QStringLiteral("new-thumbnail.jpg"));
    ASSERT_TRUE(writeJpeg(thumbnail, 160, 108));
    const QByteArray original = readAll(photo);
    const QByteArray newThumbnail = readAll(thumbnail);
    ASSERT_FALSE(embeddedThumbnail(photo, tempPath(QStringLiteral("check.jpg"))).isEmpty());

    ASSERT_TRUE(dropFileAt(centreOf(app::kSourcePaneId), photo));
    ASSERT_TRUE(dropFileAt(centreOf(app::kThumbnailPaneId), thumbnail));
    EXPECT_EQ(paneImage(app::kThumbnailPaneId).size(), QSize(160, 108));

    {  // Replace.
        ModalScript script({ModalScript::press(Box::Yes), ModalScript::press(Box::Ok)});
        click(app::kReplaceButtonId);
        ASSERT_EQ(script.seen().size(), 2u);
        const SeenModal& done = script.seen()[1];
        EXPECT_EQ(done.text,
                  QStringLiteral("サムネイルの差し替えが完了しました。\n\n【注意】元画像とサムネイル画像の縦横比など"
                                 "が異なる場合、正常に処理されていない場合があります。"));
        EXPECT_EQ(done.title, QStringLiteral("処理終了"));
        EXPECT_EQ(done.icon, Box::NoIcon);
        EXPECT_EQ(done.buttons, Box::StandardButtons(Box::Ok));
        EXPECT_EQ(done.owner, window_.get());
        EXPECT_EQ(readAll(photo + QStringLiteral(".orig")), original);
        EXPECT_EQ(caption(app::kSourcePaneId), photo);  // panes stay as they were
    }
    const QString exported = tempPath(QStringLiteral("exported.jpg"));
    {  // Save: the thumbnail now embedded is the new one, byte for byte.
        ModalScript script({ModalScript::choose(exported), ModalScript::press(Box::Ok)});
        click(app::kSaveButtonId);
        ASSERT_EQ(script.seen().size(), 2u);
        EXPECT_EQ(script.seen()[1].text, QStringLiteral("サムネイルの保存が完了しました。"));
        EXPECT_EQ(script.seen()[1].title, QStringLiteral("処理終了"));
        EXPECT_EQ(readAll(exported), newThumbnail);
    }
    {  // Save over an existing file: the dialog asks first, Yes lets the export write it.
        ASSERT_TRUE(writeAll(exported, "old"));
        ModalScript script({ModalScript::choose(exported), ModalScript::press(Box::Yes), ModalScript::press(Box::Ok)});
        click(app::kSaveButtonId);
        ASSERT_EQ(script.seen().size(), 3u);
        EXPECT_EQ(script.seen()[2].text, QStringLiteral("サムネイルの保存が完了しました。"));
        EXPECT_EQ(readAll(exported), newThumbnail);
    }
    {  // Delete.
        ModalScript script({ModalScript::press(Box::Yes), ModalScript::press(Box::Ok)});
        click(app::kDeleteButtonId);
        ASSERT_EQ(script.seen().size(), 2u);
        EXPECT_EQ(script.seen()[0].text, photo + QStringLiteral("\nのサムネイルを削除しますか?"));
        EXPECT_EQ(script.seen()[1].text,
                  QStringLiteral("サムネイルの削除が完了しました。\n\n【注意】削除されたのはサムネイルのみです。"
                                 "撮影日時などのExif情報は削除されていません。"));
        EXPECT_EQ(script.seen()[1].title, QStringLiteral("処理終了"));
    }
    // The photo has no thumbnail left; the engine's own box says so through the window.
    {
        ModalScript script({ModalScript::press(Box::Ok)});
        EXPECT_TRUE(embeddedThumbnail(photo, tempPath(QStringLiteral("after.jpg"))).isEmpty());
        ASSERT_EQ(script.seen().size(), 1u);
        EXPECT_EQ(script.seen()[0].text, QStringLiteral("サムネイル画像が含まれません。"));
        EXPECT_EQ(script.seen()[0].owner, nullptr);
    }
    EXPECT_FALSE(QImage(photo).isNull());  // still a picture
}

}  // namespace
}  // namespace lumivex::qt::test
