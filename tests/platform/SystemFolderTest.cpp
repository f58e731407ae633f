#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/SystemFolder.h"
#include "support/FileInfo.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

namespace fs = std::filesystem;
using test::ModeOf;
using test::ScopedEnv;
using test::TempDir;

TEST(SystemFolderPathTest, PrefersAnAbsoluteConfigHomeOverHome) {
    EXPECT_EQ(SystemFolderPath("/cfg", "/home/u"), "/cfg/lintel");
    EXPECT_EQ(SystemFolderPath("/cfg/", "/home/u"), "/cfg/lintel");
    EXPECT_EQ(SystemFolderPath("/", "/home/u"), "/lintel");
    // Empty or relative values do not count.
    EXPECT_EQ(SystemFolderPath("", "/home/u"), "/home/u/.config/lintel");
    EXPECT_EQ(SystemFolderPath("cfg", "/home/u/"), "/home/u/.config/lintel");
    EXPECT_EQ(SystemFolderPath(nullptr, "/home/u"), "/home/u/.config/lintel");
    EXPECT_EQ(SystemFolderPath(nullptr, "/"), "/.config/lintel");
    EXPECT_EQ(SystemFolderPath(nullptr, "home"), "");
    EXPECT_EQ(SystemFolderPath(nullptr, nullptr), "");
}

class SystemFolderTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(SystemFolderTest, CreatesTheFolderUnderConfigHome) {
    std::string config = dir_.File("cfg");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    FolderResult folder = SystemFolder();
    ASSERT_TRUE(folder.Ok()) << folder.error;
    EXPECT_EQ(folder.path, config + "/lintel");
    EXPECT_TRUE(fs::is_directory(folder.path));
    EXPECT_EQ(ModeOf(config), 0700u);
    EXPECT_EQ(ModeOf(folder.path), 0700u);
    // The second use finds it and leaves a folder the user opened up as it is.
    chmod(folder.path.c_str(), 0755);
    EXPECT_EQ(SystemFolder().path, folder.path);
    EXPECT_EQ(ModeOf(folder.path), 0755u);
}

TEST_F(SystemFolderTest, FallsBackToHomeWithoutConfigHome) {
    std::string home = dir_.File("home");
    fs::create_directory(home);
    ScopedEnv homeEnv("HOME", home.c_str());
    for (const char* unset : {static_cast<const char*>(nullptr), "", "relative/cfg"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", unset);
        FolderResult folder = SystemFolder();
        ASSERT_TRUE(folder.Ok()) << folder.error;
        EXPECT_EQ(folder.path, home + "/.config/lintel");
    }
    EXPECT_EQ(ModeOf(home + "/.config"), 0700u);
    EXPECT_EQ(ModeOf(home + "/.config/lintel"), 0700u);
    EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(SystemFolderTest, ReportsAFileInTheWay) {
    dir_.Write("cfg", "not a folder");
    std::string config = dir_.File("cfg");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    FolderResult folder = SystemFolder();
    EXPECT_FALSE(folder.Ok());
    EXPECT_FALSE(folder.error.empty());
}

TEST_F(SystemFolderTest, RuntimeFolderNeedsAPrivateSessionFolder) {
    std::string config = dir_.File("cfg");
    std::string runtime = dir_.File("run");
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    {
        ScopedEnv run("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(RuntimeFolder().path, runtime + "/lintel");
        EXPECT_EQ(ModeOf(runtime + "/lintel"), 0700u);
        // A session folder others may write to is not used.
        chmod(runtime.c_str(), 01777);
        EXPECT_EQ(RuntimeFolder().path, config + "/lintel");
    }
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "run", "/no/such/dir"}) {
        ScopedEnv run("XDG_RUNTIME_DIR", unusable);
        EXPECT_EQ(RuntimeFolder().path, config + "/lintel") << (unusable ? unusable : "unset");
    }
}

}  // namespace
}  // namespace lintel
