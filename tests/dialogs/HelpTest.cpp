#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <filesystem>

#include "RecordingOpener.h"
#include "dialogs/Help.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::RecordingOpener;

// Each context opens its own page of the pages shipped with the source.
TEST(Help, ContextsOpenTheirPages) {
    const QString folder = QStringLiteral(LINTEL_SOURCE_DIR "/docs/help");
    RecordingOpener opener;
    THelp help(opener, folder);
    const std::pair<int, const char*> pages[] = {{1, "ja/bar.html"},
                                                 {5, "ja/settings.html"},
                                                 {12, "ja/titles.html"},
                                                 {17, "ja/program.html"}};
    for (const auto& [context, page] : pages) {
        EXPECT_EQ(help.Show(context), std::nullopt) << context;
        ASSERT_FALSE(opener.opened.empty());
        EXPECT_EQ(opener.opened.back(),
                  QUrl::fromLocalFile(QDir(folder).absoluteFilePath(QString::fromUtf8(page))));
        // The English page exists beside each Japanese one.
        EXPECT_TRUE(
            QFileInfo(QDir(folder).absoluteFilePath(QString::fromUtf8(page).replace("ja/", "en/")))
                .isFile())
            << page;
    }
    EXPECT_EQ(opener.opened.size(), 4u);
    // The KnownCD dialog's context 0 goes to its part of the title editor's page; an
    // unknown context to the bar's page.
    EXPECT_EQ(help.Address(0).fragment(), QStringLiteral("knowncd"));
    EXPECT_TRUE(help.Address(0).toLocalFile().endsWith("ja/titles.html"));
    EXPECT_TRUE(help.Address(99).toLocalFile().endsWith("ja/bar.html"));
}

// A page that is not installed, or a browser that cannot start, is told to the user.
TEST(Help, MissingPageOrBrowserIsReported) {
    test::TempDir dir;
    RecordingOpener opener;
    THelp help(opener, QString::fromStdString(dir.File("help")));
    EXPECT_NE(help.Show(1), std::nullopt);
    EXPECT_TRUE(opener.opened.empty());

    std::filesystem::create_directories(dir.File("help/ja"));
    dir.Write("help/ja/bar.html", "<html></html>");
    opener.answer = false;
    EXPECT_NE(help.Show(1), std::nullopt);
    EXPECT_EQ(opener.opened.size(), 1u);
}

// A build or a portable copy has its pages beside it, an installed program under share/.
TEST(Help, PagesBesideTheProgramElseInstalledUnderShare) {
    test::TempDir dir;
    const QString bin = QString::fromStdString(dir.File("usr/bin"));
    const QString installed = QString::fromStdString(dir.File("usr/share/lintel/help"));
    std::filesystem::create_directories(dir.File("usr/bin"));
    // Neither: the message of a missing page names the place beside the program.
    EXPECT_EQ(THelp::FolderFor(bin), bin + "/help");
    std::filesystem::create_directories(installed.toStdString());
    EXPECT_EQ(THelp::FolderFor(bin), installed);
    std::filesystem::create_directories(dir.File("usr/bin/help"));
    EXPECT_EQ(THelp::FolderFor(bin), bin + "/help");
}

}  // namespace
}  // namespace lintel
