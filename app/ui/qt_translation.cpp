#include "app/ui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <utility>

namespace qx {
namespace {

// The file dialog names the kind of a folder under a context that Qt's Czech catalogue does not
// hold yet; without these the dialog's "Typ" column would read "Folder".
class FileKindsInCzech : public QTranslator {
  public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        static constexpr std::pair<const char*, const char*> kTexts[] = {{"Drive", "Disk"},
                                                                         {"Folder", "Složka"},
                                                                         {"Shortcut", "Zástupce"},
                                                                         {"Unknown", "Neznámý"}};
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
        for (const auto& [english, czech] : kTexts) {
            if (qstrcmp(source, english) == 0) return QString::fromUtf8(czech);
        }
        return {};
    }
};

}  // namespace

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
    QCoreApplication::installTranslator(new FileKindsInCzech(&app));
    return QCoreApplication::installTranslator(translator);
}

}  // namespace qx
