// Files dropped on the frames: the pane under the pointer takes the first one, and only ".jpg" files.

#include "app/core/controls.h"
#include "app/qt/pane_button.h"
#include "modal_script.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

using DropTest = WindowTest;

const QString kPrompt = QStringLiteral("ボタンをクリック、\nまたはファイルをドロップしてください");

TEST_F(DropTest, TheFileGoesToThePaneUnderThePointer) {
    const QString photo = copyOfPhoto(QStringLiteral("kodak-dc240-mm.jpg"), QStringLiteral("kodak.jpg"));
    struct Case {
        int paneId;
        int otherPaneId;
    };
    for (const Case c :
         {Case{app::kSourcePaneId, app::kThumbnailPaneId}, Case{app::kThumbnailPaneId, app::kSourcePaneId}}) {
        SCOPED_TRACE(c.paneId);
        EXPECT_TRUE(dropFileAt(centreOf(c.paneId), photo));
        EXPECT_EQ(caption(c.paneId), photo);
        EXPECT_EQ(paneImage(c.paneId).size(), QSize(170, 127));  // 640 by 480 reduced
    }
    EXPECT_EQ(caption(app::kSourceFrameId), QStringLiteral("[元画像]"));
    EXPECT_EQ(caption(app::kThumbnailFrameId), QStringLiteral("[サムネイル画像]"));
}

TEST_F(DropTest, InsideAFrameButOutsideItsPaneTheFrameTakesThePath) {
    const QString first = copyOfPhoto(QStringLiteral("nikon-d70.jpg"), QStringLiteral("first.jpg"));
    const QString second = copyOfPhoto(QStringLiteral("canon-40d.jpg"), QStringLiteral("second.jpg"));
    ASSERT_TRUE(dropFileAt(centreOf(app::kThumbnailPaneId), first));
    const QImage before = paneImage(app::kThumbnailPaneId);
    // The frame's strip below its pane: (202 + 100, 205).
    EXPECT_TRUE(dropFileAt(QPoint(302, 205), second));
    EXPECT_EQ(caption(app::kThumbnailFrameId), second);
    EXPECT_EQ(caption(app::kThumbnailPaneId), first);
    EXPECT_EQ(paneImage(app::kThumbnailPaneId), before);
}

// Which extensions a pane takes is the core's rule (tests/app_core/file_drop_test.cpp).
TEST_F(DropTest, OfSeveralFilesOnlyTheFirstCounts) {
    const QString first = copyOfPhoto(QStringLiteral("canon-40d.jpg"), QStringLiteral("a.jpg"));
    const QString second = copyOfPhoto(QStringLiteral("nikon-d70.jpg"), QStringLiteral("b.jpg"));
    EXPECT_TRUE(dropAt(centreOf(app::kSourcePaneId), {QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
    EXPECT_EQ(caption(app::kSourcePaneId), first);
    EXPECT_EQ(paneImage(app::kSourcePaneId).size(), QSize(100, 68));

    // A first item that is no file makes the drop unwelcome, as with any drag that carries no file.
    EXPECT_FALSE(dropAt(centreOf(app::kSourcePaneId),
                        {QUrl(QStringLiteral("https://example.org/x.jpg")), QUrl::fromLocalFile(second)}));
    EXPECT_EQ(caption(app::kSourcePaneId), first);
}

TEST_F(DropTest, AFileThatGivesNoPreviewStillBecomesThePath) {
    const QString good = copyOfPhoto(QStringLiteral("canon-40d.jpg"), QStringLiteral("good.jpg"));
    ASSERT_TRUE(dropFileAt(centreOf(app::kSourcePaneId), good));
    const QImage shown = paneImage(app::kSourcePaneId);
    for (const QByteArray& content : {QByteArray(), QByteArray("not a picture at all")}) {
        SCOPED_TRACE(content.size());
        const QString bad = tempPath(QStringLiteral("bad-%1.jpg").arg(content.size()));
        ASSERT_TRUE(writeAll(bad, content));
        EXPECT_TRUE(dropFileAt(centreOf(app::kSourcePaneId), bad));
        EXPECT_EQ(caption(app::kSourcePaneId), bad);
        EXPECT_EQ(paneImage(app::kSourcePaneId), shown);
    }
}

TEST_F(DropTest, OutsideTheFramesNothingTakesADrop) {
    const QString photo = copyOfPhoto(QStringLiteral("canon-40d.jpg"));
    for (const QPoint point : {centreOf(app::kReplaceButtonId), centreOf(app::kLinkMarkId), QPoint(100, 400)}) {
        EXPECT_FALSE(dropFileAt(point, photo));
    }
    EXPECT_EQ(caption(app::kSourcePaneId), kPrompt);
    EXPECT_EQ(caption(app::kThumbnailPaneId), kPrompt);
}

}  // namespace
}  // namespace lumivex::qt::test
