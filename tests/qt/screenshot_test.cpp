// The window with a preview in each pane, saved for a person to look at.
#include <QDir>
#include <QFontDatabase>

#include "app/core/controls.h"
#include "engine/thumbnail/file_operation.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

using ScreenshotTest = WindowTest;

TEST_F(ScreenshotTest, WindowWithBothPreviewsIsSavedAsAnArtifact) {
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(LUMIVEX_ARTIFACTS)));
    // As it opens, both panes showing the prompt.
    EXPECT_TRUE(window_->grab().save(QStringLiteral(LUMIVEX_ARTIFACTS "/window-qt-start.png")));

    const QString photo = copyOfPhoto(QStringLiteral("kodak-dc240-mm.jpg"), QStringLiteral("photo.jpg"));
    const QString thumbnail = tempPath(QStringLiteral("thumbnail.jpg"));
    const QString gps = copyOfPhoto(QStringLiteral("nikon-gps.jpg"));
    ASSERT_EQ(runFileOperation(QFile::encodeName(gps).constData(), QFile::encodeName(thumbnail).constData(), 0), 1);
    ASSERT_TRUE(dropFileAt(centreOf(app::kSourcePaneId), photo));
    ASSERT_TRUE(dropFileAt(centreOf(app::kThumbnailPaneId), thumbnail));
    ASSERT_EQ(paneImage(app::kSourcePaneId).size(), QSize(170, 127));
    ASSERT_EQ(paneImage(app::kThumbnailPaneId).size(), QSize(160, 120));

    const QImage shot = window_->grab().toImage();
    EXPECT_EQ(shot.size(), window_->size());  // the client area: the frame is the window system's
    // The pink heart is drawn on the picture.
    int pink = 0;
    for (int y = 300; y < 315; ++y) {
        for (int x = 40; x < 55; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 90 && c.green() < 170 && c.blue() > 150) ++pink;
        }
    }
    EXPECT_GT(pink, 5);
    EXPECT_TRUE(shot.save(QStringLiteral(LUMIVEX_ARTIFACTS "/window-qt.png")));
}

}  // namespace
}  // namespace lumivex::qt::test
