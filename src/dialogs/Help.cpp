#include "dialogs/Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "platform/Cp932.h"
#include "platform/Executable.h"
#include "widgets/QtText.h"

namespace lintel {

bool TDesktopHelpOpener::Open(const QUrl& address) {
    return QDesktopServices::openUrl(address);
}

THelp::THelp(THelpOpener& opener, QString helpFolder)
    : opener_(opener), folder_(std::move(helpFolder)) {}

QString THelp::DefaultFolder() {
    return FolderFor(QFileInfo(QString::fromStdString(ExecutablePath())).absolutePath());
}

QString THelp::FolderFor(const QString& exeFolder) {
    const QDir dir(exeFolder);
    const QString beside = dir.filePath(QStringLiteral("help"));
    const QString installed = QDir::cleanPath(dir.filePath(QStringLiteral("../share/lintel/help")));
    if (!QFileInfo(beside).isDir() && QFileInfo(installed).isDir())
        return installed;
    return beside;
}

QString THelp::PagePath(int context) {
    switch (context) {
        case kHelpSettings:
            return QStringLiteral("ja/settings.html");
        case 0:
        case kHelpTitles:
            return QStringLiteral("ja/titles.html");
        case kHelpProgram:
            return QStringLiteral("ja/program.html");
        default:
            return QStringLiteral("ja/bar.html");
    }
}

QUrl THelp::Address(int context) const {
    QUrl url = QUrl::fromLocalFile(QDir(folder_).absoluteFilePath(PagePath(context)));
    if (context == 0) {
        url.setFragment(QStringLiteral("knowncd"));
    }
    return url;
}

std::optional<std::string> THelp::Show(int context) {
    const QUrl address = Address(context);
    const QString file = address.toLocalFile();
    if (!QFileInfo(file).isFile()) {
        return cp932::Literal("ヘルプファイルが見つかりません。") + "\n" + ToCp932(file).bytes;
    }
    if (!opener_.Open(address)) {
        return cp932::Literal("ヘルプを表示するブラウザを起動できませんでした。");
    }
    return std::nullopt;
}

}  // namespace lintel
