// lumivex-gui: the thumbnail editor's window with Qt. No arguments are taken and no settings kept.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/core/driver_boxes.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_window_platform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Untitled boxes show the window system's default title, which Qt takes from the application's name.
    QApplication::setApplicationName(QStringLiteral("Lumivex"));
    // Qt's own words (Yes, No, the file dialog) in the user's language where the system has them.
    QTranslator qtWords;
    if (qtWords.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtWords);
    }
    lumivex::qt::MainWindow window;
    lumivex::app::routeDriverMessagesTo(&window.platform());
    window.show();
    const int code = QApplication::exec();
    lumivex::app::routeDriverMessagesTo(nullptr);
    return code;
}
