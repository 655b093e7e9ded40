// The window as it opens: size, title, the eight controls, fonts, icons and the heart.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/core/controls.h"
#include "app/qt/pane_button.h"
#include "app/qt/qt_window_platform.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

using LayoutTest = WindowTest;

TEST_F(LayoutTest, OuterSizeIsFixedAndOnlyMinimiseAndCloseAreOffered) {
    // The offscreen platform draws no frame, so the outer size is the client size.
    EXPECT_EQ(window_->frameGeometry().size(), QSize(406, 500));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    const Qt::WindowFlags flags = window_->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Lumivex Ver.1.00"));
    EXPECT_FALSE(window_->windowIcon().isNull());
}

TEST_F(LayoutTest, EightControlsStandWhereTheTablePutsThemWithTheirCaptions) {
    const QString prompt = QStringLiteral("ボタンをクリック、\nまたはファイルをドロップしてください");
    struct Expected {
        int id;
        const char* kind;
        QString caption;
        QRect rect;
    };
    const Expected expected[] = {
        {1001, "frame", QStringLiteral("[元画像]"), QRect(0, 0, 200, 210)},
        {1002, "frame", QStringLiteral("[サムネイル画像]"), QRect(202, 0, 200, 210)},
        {1003, "pane", prompt, QRect(10, 20, 180, 180)},
        {1004, "pane", prompt, QRect(212, 20, 180, 180)},
        {1005, "button", QStringLiteral("作成"), QRect(262, 220, 100, 50)},
        {1006, "button", QStringLiteral("保存"), QRect(262, 280, 100, 50)},
        {1007, "button", QStringLiteral("削除"), QRect(262, 340, 100, 50)},
        {1008, "mark", QStringLiteral("\u2665"), QRect(40, 300, 15, 15)},
    };
    const QFont statusFont = QApplication::font("QStatusBar");
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        QWidget* widget = control(e.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), window_.get());
        EXPECT_TRUE(widget->isVisible());
        EXPECT_EQ(widget->geometry(), e.rect);
        EXPECT_EQ(widget->font(), statusFont);
        const std::string kind = e.kind;
        if (kind == "frame") {
            auto* frame = qobject_cast<QGroupBox*>(widget);
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->title(), e.caption);
            EXPECT_TRUE(frame->acceptDrops());
        } else if (kind == "pane") {
            ASSERT_NE(window_->pane(e.id), nullptr);
            EXPECT_EQ(window_->pane(e.id)->text(), e.caption);
            EXPECT_TRUE(window_->pane(e.id)->image().isNull());
        } else if (kind == "button") {
            auto* button = qobject_cast<QPushButton*>(widget);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), e.caption);
            EXPECT_EQ(button->iconSize(), QSize(32, 32));
            EXPECT_FALSE(button->icon().pixmap(32, 32).isNull());
            EXPECT_FALSE(button->acceptDrops());
        } else {
            auto* mark = qobject_cast<QLabel*>(widget);
            ASSERT_NE(mark, nullptr);
            EXPECT_EQ(mark->text(), e.caption);
            EXPECT_EQ(mark->palette().color(QPalette::WindowText), QColor(255, 128, 192));
            EXPECT_EQ(mark->cursor().shape(), Qt::PointingHandCursor);
            EXPECT_FALSE(mark->autoFillBackground());
        }
    }
    EXPECT_FALSE(window_->acceptDrops());
}

TEST_F(LayoutTest, ButtonsCarryTheirOwnIconsAndTheLargePictureIsPainted) {
    const QImage replace = qobject_cast<QPushButton*>(control(1005))->icon().pixmap(32, 32).toImage();
    const QImage save = qobject_cast<QPushButton*>(control(1006))->icon().pixmap(32, 32).toImage();
    const QImage remove = qobject_cast<QPushButton*>(control(1007))->icon().pixmap(32, 32).toImage();
    EXPECT_NE(replace, save);
    EXPECT_NE(save, remove);
    EXPECT_NE(replace, remove);
    const QImage expected = QImage(QStringLiteral(":/icons/icon-107-32.png")).convertToFormat(save.format());
    EXPECT_EQ(save, expected);

    // A spot of the large picture left of the buttons and away from the heart shows the artwork.
    const QImage shot = window_->grab().toImage();
    const QImage artwork = QImage(QStringLiteral(":/icons/icon-104-256.png"));
    int painted = 0;
    for (int y = 0; y < 256; y += 16) {
        for (int x = 0; x < 240; x += 16) {
            if (qAlpha(artwork.pixel(x, y)) == 255 && shot.pixel(20 + x, 216 + y) == artwork.pixel(x, y)) ++painted;
        }
    }
    EXPECT_GT(painted, 20);
}

}  // namespace
}  // namespace lumivex::qt::test
