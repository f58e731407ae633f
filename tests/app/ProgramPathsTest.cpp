#include <gtest/gtest.h>

#include "app/ProgramPaths.h"

namespace lintel {
namespace {

// The settings file is named after the executable and lies beside it, like lintel.ini.
TEST(ProgramPaths, SettingsFileAndFoldersFollowTheExecutable) {
    TStartupPaths p = StartupPathsFor("/opt/bar/lintel", "/home/u/.config/lintel");
    EXPECT_EQ(p.programFolder, "/opt/bar");
    EXPECT_EQ(p.settingsFile, "/opt/bar/lintel.ini");
    EXPECT_EQ(p.systemFolder, "/home/u/.config/lintel");

    // A renamed copy gets its own settings file; an extension is replaced, not kept.
    EXPECT_EQ(StartupPathsFor("/opt/bar/other", "").settingsFile, "/opt/bar/other.ini");
    EXPECT_EQ(StartupPathsFor("/opt/bar/lintel.bin", "").settingsFile, "/opt/bar/lintel.ini");
    // A dot in a folder name is no extension.
    EXPECT_EQ(StartupPathsFor("/opt/v1.2/lintel", "").settingsFile, "/opt/v1.2/lintel.ini");
    // The root folder stays a folder.
    EXPECT_EQ(StartupPathsFor("/lintel", "").programFolder, "/");
}

}  // namespace
}  // namespace lintel
