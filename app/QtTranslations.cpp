#include "app/QtTranslations.h"

#include "app/Language.h"
#include "support/Trace.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vantor {

bool InstallQtTranslations(int id)
{
    // One catalogue at a time, owned by the application object.
    static QTranslator* installed = nullptr;
    if (installed != nullptr) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const std::string name = LanguageLocaleName(id);
    if (id == kEnglishLanguageId || name.empty())
        return false;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QString::fromStdString(name)), "qtbase", "_", folder)) {
        TraceWarning("InstallQtTranslations: no qtbase catalogue for %s in %s", name.c_str(),
            folder.toLocal8Bit().constData());
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace vantor
