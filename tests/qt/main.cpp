// GoogleTest with one QApplication for the whole run, on the offscreen platform unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

#include "window_fixture.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    lumivex::qt::test::useJapanese(true);
    const int result = RUN_ALL_TESTS();
    lumivex::qt::test::useJapanese(false);
    return result;
}
