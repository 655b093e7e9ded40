#include "app/qt/translation.h"

#include <QCoreApplication>
#include <QDir>

namespace lumivex::qt {
namespace {

// Takes itself out of the application when it goes.
class InstalledTranslator : public QTranslator {
  public:
    ~InstalledTranslator() override { QCoreApplication::removeTranslator(this); }
};

}  // namespace

QStringList translationFolders() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders{programFolder, QDir(programFolder).filePath(QStringLiteral("../share/lumivex/translations"))};
#ifdef LUMIVEX_INSTALLED_TRANSLATIONS
    folders.append(QStringLiteral(LUMIVEX_INSTALLED_TRANSLATIONS));
#endif
    return folders;
}

std::unique_ptr<QTranslator> installTranslation(const QLocale& locale, const QStringList& folders) {
    auto translator = std::make_unique<InstalledTranslator>();
    for (const QString& folder : folders) {
        // lumivex_ja_JP, then lumivex_ja, for each of the locale's UI languages.
        if (translator->load(locale, QStringLiteral("lumivex"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator.get());
            return translator;
        }
    }
    return nullptr;
}

}  // namespace lumivex::qt
