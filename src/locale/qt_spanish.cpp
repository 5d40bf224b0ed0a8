#include "locale/qt_spanish.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korivanta::locale {

bool loadQtSpanish(QCoreApplication &app)
{
    // "qt_es" gathers the catalogues of every Qt module Debian translates
    // (qtbase, qtmultimedia, ...).
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Spanish), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace korivanta::locale
