#include "app/ui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qx {

bool InstallQtCzech(QCoreApplication& app) {
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    auto* translator = new QTranslator(&app);
    if (!translator->load(czech, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    // Dates and sizes in the file dialog follow the language of its texts.
    QLocale::setDefault(czech);
    return QCoreApplication::installTranslator(translator);
}

}  // namespace qx
