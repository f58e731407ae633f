#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramPaths.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

// An installed program keeps its settings, named after the executable, in the system
// folder; a settings file already beside the executable makes it a portable copy.
TEST(ProgramPaths, SettingsLieBesideAPortableCopyElseInTheSystemFolder) {
    test::TempDir dir;
    const std::string bin = dir.File("bin");
    const std::string sys = dir.File("sys");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(sys);

    const TStartupPaths installed = StartupPathsFor(bin + "/lintel", sys);
    EXPECT_EQ(installed.programFolder, sys);
    EXPECT_EQ(installed.settingsFile, sys + "/lintel.ini");
    // A renamed copy gets its own settings file; an extension is replaced, not kept.
    EXPECT_EQ(StartupPathsFor(bin + "/other", sys).settingsFile, sys + "/other.ini");
    EXPECT_EQ(StartupPathsFor(bin + "/lintel.bin", sys).settingsFile, sys + "/lintel.ini");
    // Without a system folder the executable's folder is all there is.
    EXPECT_EQ(StartupPathsFor(bin + "/lintel", "").settingsFile, bin + "/lintel.ini");

    // A folder of that name is no settings file; a renamed copy's own file makes it
    // portable, and lintel.ini makes every copy there portable.
    std::filesystem::create_directories(bin + "/lintel.ini");
    EXPECT_EQ(StartupPathsFor(bin + "/lintel", sys).programFolder, sys);
    dir.Write("bin/other.ini", "");
    EXPECT_EQ(StartupPathsFor(bin + "/other", sys).settingsFile, bin + "/other.ini");
    EXPECT_EQ(StartupPathsFor(bin + "/third", sys).programFolder, sys);
    std::filesystem::remove(bin + "/lintel.ini");
    dir.Write("bin/lintel.ini", "");
    const TStartupPaths portable = StartupPathsFor(bin + "/lintel", sys);
    EXPECT_EQ(portable.programFolder, bin);
    EXPECT_EQ(portable.settingsFile, bin + "/lintel.ini");
    EXPECT_EQ(StartupPathsFor(bin + "/third", sys).settingsFile, bin + "/third.ini");

    // A dot in a folder name is no extension, and the root folder stays a folder.
    EXPECT_EQ(StartupPathsFor("/opt/v1.2/lintel", "").settingsFile, "/opt/v1.2/lintel.ini");
    EXPECT_EQ(StartupPathsFor("/lintel", "").programFolder, "/");
    EXPECT_EQ(StartupPathsFor("/lintel", "").settingsFile, "/lintel.ini");
}

}  // namespace
}  // namespace lintel
