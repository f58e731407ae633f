#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/FileSystem.h"
#include "support/FileInfo.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

namespace fs = std::filesystem;
using test::Listing;
using test::ModeOf;
using test::ReadBytes;
using test::TempDir;

class FileSystemTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(FileSystemTest, FileExistsOnlyForFiles) {
    std::string file = dir_.Write("cdplayer.ini", "[1]\r\n");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir_.File("missing.ini")));
    EXPECT_FALSE(FileExists(dir_.Path().string()));
    fs::create_symlink(file, dir_.File("link.ini"));
    EXPECT_TRUE(FileExists(dir_.File("link.ini")));
    fs::create_symlink(dir_.File("missing.ini"), dir_.File("dangling.ini"));
    EXPECT_FALSE(FileExists(dir_.File("dangling.ini")));
}

TEST_F(FileSystemTest, CopiesEveryByteIntoAWritableFile) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes.push_back(static_cast<char>(i * 7 % 256));
    }
    std::string from = dir_.Write("cdplayer.ini", bytes);
    chmod(from.c_str(), 0444);
    std::string to = dir_.File("lintel.ini");
    CopyResult result = CopyFileNoOverwrite(from, to);
    ASSERT_TRUE(result.Ok()) << result.error;
    EXPECT_EQ(ReadBytes(to), bytes);
    EXPECT_TRUE(ModeOf(to) & S_IWUSR);  // the copy is ours to write back
    EXPECT_EQ(Listing(dir_.Path()), (std::set<std::string>{"cdplayer.ini", "lintel.ini"}));

    // An empty file copies as an empty file.
    std::string empty = dir_.Write("empty.ini", "");
    EXPECT_TRUE(CopyFileNoOverwrite(empty, dir_.File("empty-copy.ini")).Ok());
    EXPECT_TRUE(FileExists(dir_.File("empty-copy.ini")));
}

TEST_F(FileSystemTest, NeverReplacesWhatLiesAtTheTarget) {
    std::string from = dir_.Write("cdplayer.ini", "[1]\r\nEntryType=1\r\n");
    std::string existing = dir_.Write("lintel.ini", "");
    CopyResult result = CopyFileNoOverwrite(from, existing);
    EXPECT_EQ(result.status, CopyResult::Status::TargetExists);
    EXPECT_EQ(ReadBytes(existing), "");

    // Nor the file a dangling link points at, nor a folder.
    TempDir elsewhere;
    fs::create_symlink(elsewhere.File("target.ini"), dir_.File("link.ini"));
    EXPECT_EQ(CopyFileNoOverwrite(from, dir_.File("link.ini")).status,
              CopyResult::Status::TargetExists);
    EXPECT_FALSE(fs::exists(elsewhere.File("target.ini")));
    fs::create_directory(dir_.File("folder.ini"));
    EXPECT_EQ(CopyFileNoOverwrite(from, dir_.File("folder.ini")).status,
              CopyResult::Status::TargetExists);
    EXPECT_EQ(Listing(dir_.Path()),
              (std::set<std::string>{"cdplayer.ini", "lintel.ini", "link.ini", "folder.ini"}));
}

TEST_F(FileSystemTest, FailuresLeaveNoTargetAndNoTemporaryFile) {
    std::string to = dir_.File("lintel.ini");
    CopyResult missing = CopyFileNoOverwrite(dir_.File("cdplayer.ini"), to);
    EXPECT_EQ(missing.status, CopyResult::Status::Failed);
    EXPECT_FALSE(missing.error.empty());
    fs::create_directory(dir_.File("source"));
    EXPECT_EQ(CopyFileNoOverwrite(dir_.File("source"), to).status, CopyResult::Status::Failed);
    std::string present = dir_.Write("present.ini", "x");
    CopyResult noFolder = CopyFileNoOverwrite(present, dir_.File("missing/lintel.ini"));
    EXPECT_EQ(noFolder.status, CopyResult::Status::Failed);
    EXPECT_FALSE(noFolder.error.empty());
    fs::remove(present);

    // A write that stops half-way (here at a file size limit) must not leave a partial file.
    std::string from = dir_.Write("cdplayer.ini", std::string(5000, 'x'));
    CopyResult cut = [&] {
        test::FileSizeLimit limit(1000);
        return CopyFileNoOverwrite(from, to);
    }();
    EXPECT_EQ(cut.status, CopyResult::Status::Failed);
    EXPECT_EQ(Listing(dir_.Path()), (std::set<std::string>{"cdplayer.ini", "source"}));
}

// Permissions do not bind the superuser: as root, the copy runs in a child that has become
// the unprivileged user 65534 and owns the scratch folder.
TEST_F(FileSystemTest, ReadOnlyTargetFolderFails) {
    const std::string from = dir_.Write("cdplayer.ini", "x");
    const std::string folder = dir_.File("ro");
    fs::create_directory(folder);
    const uid_t nobody = 65534;
    if (geteuid() == 0) {
        for (const fs::path& p : {dir_.Path(), fs::path(from), fs::path(folder)})
            ASSERT_EQ(chown(p.c_str(), nobody, nobody), 0) << p;
    }
    chmod(folder.c_str(), 0500);
    auto copyFails = [&] {
        return CopyFileNoOverwrite(from, folder + "/lintel.ini").status ==
               CopyResult::Status::Failed;
    };
    bool failed = false;
    if (geteuid() != 0) {
        failed = copyFails();
    } else {
        const pid_t child = fork();
        if (child == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
                _exit(2);
            _exit(copyFails() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "the child could not drop its privileges";
        failed = WEXITSTATUS(status) == 0;
    }
    chmod(folder.c_str(), 0700);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace lintel
