// A real photo's thumbnail saved through the window's save dialog, checked in the files.
#include "app/core/controls.h"
#include "engine/thumbnail/file_operation.h"
#include "modal_script.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

using Box = QMessageBox;
using ThumbnailEndToEndTest = WindowTest;

TEST_F(ThumbnailEndToEndTest, SaveWritesTheEmbeddedThumbnailAndOverwritesOnlyAfterTheDialogsYes) {
    const QString photo = copyOfPhoto(QStringLiteral("canon-40d.jpg"), QStringLiteral("写真.jpg"));
    const QString reference = tempPath(QStringLiteral("reference.jpg"));
    ASSERT_EQ(runFileOperation(QFile::encodeName(photo).constData(), QFile::encodeName(reference).constData(), 0), 1);
    const QByteArray embedded = readAll(reference);
    ASSERT_FALSE(embedded.isEmpty());
    const QByteArray original = readAll(photo);
    ASSERT_TRUE(dropFileAt(centreOf(app::kSourcePaneId), photo));

    const QString exported = tempPath(QStringLiteral("exported.jpg"));
    {
        ModalScript script({ModalScript::choose(exported), ModalScript::press(Box::Ok)});
        click(app::kSaveButtonId);
        ASSERT_EQ(script.seen().size(), 2u);
        EXPECT_EQ(script.seen()[1].text, QStringLiteral("サムネイルの保存が完了しました。"));
        EXPECT_EQ(script.seen()[1].title, QStringLiteral("処理終了"));
        EXPECT_EQ(readAll(exported), embedded);
    }
    {  // Over an existing file: the dialog asks first, Yes lets the export write it.
        ASSERT_TRUE(writeAll(exported, "old"));
        ModalScript script({ModalScript::choose(exported), ModalScript::press(Box::Yes), ModalScript::press(Box::Ok)});
        click(app::kSaveButtonId);
        ASSERT_EQ(script.seen().size(), 3u);
        EXPECT_EQ(script.seen()[2].text, QStringLiteral("サムネイルの保存が完了しました。"));
        EXPECT_EQ(readAll(exported), embedded);
    }
    EXPECT_EQ(readAll(photo), original);
    EXPECT_FALSE(QFile::exists(photo + QStringLiteral(".orig")));
}

}  // namespace
}  // namespace lumivex::qt::test
