// lumivex-gui: the thumbnail editor's window with Qt, in the user's language. No settings are kept.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/core/driver_boxes.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_window_platform.h"
#include "app/qt/translation.h"

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
    // The window's own words.
    const auto translation = lumivex::qt::installTranslation(QLocale(), lumivex::qt::translationFolders());
    lumivex::qt::MainWindow window;
    lumivex::app::routeDriverMessagesTo(&window.platform());
    window.openFromCommandLine(QApplication::arguments());
    window.show();
    const int code = QApplication::exec();
    lumivex::app::routeDriverMessagesTo(nullptr);
    return code;
}
