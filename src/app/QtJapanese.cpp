#include "app/QtJapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace lintel {

bool LoadQtJapanese(QCoreApplication& app, std::string& error) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), folder)) {
        delete translator;
        error = (folder + QStringLiteral("/qtbase_ja.qm")).toStdString() +
                ": Qt's Japanese texts cannot be loaded";
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace lintel
