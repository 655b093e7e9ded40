// The window's translation: lumivex_<language>.qm, built from the .ts sources, for the user's locale.
#pragma once

#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <memory>

namespace lumivex::qt {

// Where the translations are looked for, in order: beside the program (a build), then the installed
// share/lumivex/translations relative to the program and at the configured install location.
QStringList translationFolders();

// The translation for `locale` from the first folder that has one, installed into the application; nullptr
// when there is none (English, the source language, needs none). Removed again when the result is destroyed.
std::unique_ptr<QTranslator> installTranslation(const QLocale& locale, const QStringList& folders);

}  // namespace lumivex::qt
