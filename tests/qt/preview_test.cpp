// Previews: decoded from the file's bytes, kept at their size up to the limit, reduced by area averaging.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "app/qt/area_reduce.h"
#include "app/qt/preview_image.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

TEST(AreaReduceTest, EachTargetPixelIsTheMeanOfTheAreaItCovers) {
    // Three source columns into two: the middle one is shared half and half.
    QImage row(3, 1, QImage::Format_RGB32);
    row.setPixel(0, 0, qRgb(0, 0, 0));
    row.setPixel(1, 0, qRgb(255, 255, 255));
    row.setPixel(2, 0, qRgb(0, 90, 0));
    const QImage reduced = reduceByAreaAverage(row, 2, 1);
    ASSERT_EQ(reduced.size(), QSize(2, 1));
    EXPECT_EQ(reduced.pixel(0, 0), qRgb(85, 85, 85));
    EXPECT_EQ(reduced.pixel(1, 0), qRgb(85, 145, 85));

    // A fine checkerboard halved is an even grey, where sampling would keep black or white.
    QImage checker(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) checker.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    const QImage grey = reduceByAreaAverage(checker, 4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(grey.pixel(x, y), qRgb(128, 128, 128));
    }
}

TEST(AreaReduceTest, RefusesSizesItCannotMake) {
    const QImage source(10, 10, QImage::Format_RGB32);
    EXPECT_TRUE(reduceByAreaAverage(QImage(), 1, 1).isNull());
    EXPECT_TRUE(reduceByAreaAverage(source, 0, 5).isNull());
    EXPECT_TRUE(reduceByAreaAverage(source, 11, 5).isNull());
    EXPECT_EQ(reduceByAreaAverage(source, 1, 1).size(), QSize(1, 1));
}

TEST(PreviewImageTest, SizesFollowTheTruncatingRule) {
    QTemporaryDir dir;
    struct Case {
        QSize picture;
        QSize shown;
    };
    const Case cases[] = {
        {{640, 480}, {170, 127}}, {{480, 640}, {127, 170}},   {{1920, 1080}, {170, 95}}, {{171, 171}, {170, 170}},
        {{297, 200}, {169, 114}}, {{2700, 1800}, {169, 113}}, {{400, 160}, {400, 160}},  {{300, 170}, {300, 170}},
        {{4000, 20}, {4000, 20}}, {{20, 4000}, {1, 170}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(c.picture.width()).arg(c.picture.height()).toStdString());
        const QString path = dir.filePath(QStringLiteral("p.jpg"));
        ASSERT_TRUE(writeJpeg(path, c.picture.width(), c.picture.height()));
        EXPECT_EQ(loadPreviewImage(path, 170).size(), c.shown);
    }
}

TEST(PreviewImageTest, NothingComesOfWhatDoesNotDecode) {
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.jpg"));
    const QString text = dir.filePath(QStringLiteral("text.jpg"));
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    ASSERT_TRUE(writeAll(empty, {}));
    ASSERT_TRUE(writeAll(text, "plain words"));
    ASSERT_TRUE(writeAll(cut, readAll(testDataPath(QStringLiteral("photos/canon-40d.jpg"))).left(200)));
    for (const QString& path : {empty, text, cut, dir.filePath(QStringLiteral("missing.jpg"))}) {
        EXPECT_TRUE(loadPreviewImage(path, 170).isNull()) << path.toStdString();
    }
}

}  // namespace
}  // namespace lumivex::qt::test
