// GoogleTest with one QApplication for the whole run, on the offscreen platform unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <cstdio>

#include "window_fixture.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // The window's texts are Japanese: without a font for them every caption and box would be blank squares,
    // and the suite would check texts nobody can read. Listing the tests needs no font.
    if (!GTEST_FLAG_GET(list_tests) && QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) {
        std::fprintf(stderr,
                     "lumivex_qt_tests: no Japanese font is installed; install fonts-ipafont-gothic "
                     "(tools/install-packages.sh) and run again\n");
        return 1;
    }
    lumivex::qt::test::useJapanese(true);
    const int result = RUN_ALL_TESTS();
    lumivex::qt::test::useJapanese(false);
    return result;
}
