#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>

#include "dialogs/Help.h"
#include "dialogs/RecordingOpener.h"
#include "support/QtApp.h"
#include "support/Require.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

struct Ran {
    int status = -1;
    QString output;
};

Ran RunProgram(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

/// The value of `key` in the main group of the desktop entry at `path`.
QString DesktopKey(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1);
    }
    return {};
}

// This build installed into a scratch prefix, as a package stages it: each file lies where
// the installed program, the desktop, a software centre and man look for it.
TEST(InstalledPaths, TheProgramAndTheDesktopFindWhatIsInstalled) {
    LINTEL_REQUIRE(QFileInfo::exists("/usr/share/icons/hicolor/index.theme"),
                   "the hicolor icon theme");
    LINTEL_REQUIRE(RunProgram("man", {"--version"}).status == 0, "man");
    test::App();
    test::TempDir dir;
    const QString prefix = QString::fromStdString(dir.File("usr"));
    ASSERT_EQ(RunProgram(LINTEL_CMAKE_COMMAND, {"--install", LINTEL_BINARY_DIR, "--prefix", prefix})
                  .status,
              0);
    const QDir share(prefix + "/share");

    // The installed program opens every page of its help from share/lintel/help.
    const QString help = THelp::FolderFor(prefix + "/bin");
    EXPECT_EQ(help, share.filePath("lintel/help"));
    test::RecordingOpener opener;
    THelp pages(opener, help);
    for (const int context : {0, +kHelpBar, +kHelpSettings, +kHelpTitles, +kHelpProgram})
        EXPECT_EQ(pages.Show(context), std::nullopt) << context;

    // The menu's entry starts the installed program and names an icon of the theme every
    // desktop falls back to, in each size the program's own windows use.
    const QString entry = share.filePath("applications/lintel.desktop");
    const QString exec = DesktopKey(entry, "Exec");
    EXPECT_TRUE(QFileInfo(prefix + "/bin/" + exec).isExecutable()) << exec.toStdString();
    QIcon::setThemeSearchPaths({share.filePath("icons"), "/usr/share/icons"});
    QIcon::setThemeName("hicolor");
    const QString iconName = DesktopKey(entry, "Icon");
    ASSERT_TRUE(QIcon::hasThemeIcon(iconName)) << iconName.toStdString();
    for (const int size : {16, 32, 64}) {
        const QString png =
            share.filePath(QString("icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(iconName));
        EXPECT_EQ(QImage(png).size(), QSize(size, size)) << png.toStdString();
    }
    QFile svg(share.filePath("icons/hicolor/scalable/apps/" + iconName + ".svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader svgReader(&svg);
    EXPECT_TRUE(svgReader.readNextStartElement() && svgReader.name() == u"svg");

    // A software centre lists the metainfo under its id, launches the entry it names and
    // finds the command it provides.
    const QStringList metainfo = QDir(share.filePath("metainfo")).entryList(QDir::Files);
    ASSERT_EQ(metainfo.size(), 1) << metainfo.join(' ').toStdString();
    QFile xml(share.filePath("metainfo/" + metainfo.front()));
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&xml);
    QString id, launchable, binary;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == u"id")
            id = reader.readElementText();
        else if (reader.name() == u"launchable")
            launchable = reader.readElementText();
        else if (reader.name() == u"binary")
            binary = reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(metainfo.front(), id + ".metainfo.xml");
    EXPECT_EQ(launchable, "lintel.desktop");
    EXPECT_TRUE(QFileInfo::exists(share.filePath("applications/" + launchable)));
    EXPECT_TRUE(QFileInfo(prefix + "/bin/" + binary).isExecutable()) << binary.toStdString();

    // man finds the manual page through the program's own folder on the PATH.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("MANPATH");
    environment.insert("PATH", prefix + "/bin:/usr/bin:/bin");
    const Ran man = RunProgram("man", {"-w", "lintel"}, environment);
    EXPECT_EQ(man.status, 0);
    EXPECT_EQ(man.output, share.filePath("man/man1/lintel.1.gz"));
    const Ran page = RunProgram("man", {"-l", "-P", "cat", man.output}, environment);
    EXPECT_TRUE(page.output.contains("ENVIRONMENT")) << page.output.toStdString();
}

}  // namespace
}  // namespace lintel
