#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/FileIo.h"
#include "support/FileSizeLimit.h"
#include "support/OutcomeCheck.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::Done;
using test::FileSizeLimit;
using test::ReadBytes;
using test::TempDir;

std::size_t FilesIn(const TempDir& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++n;
    }
    return n;
}

TEST(ReadWholeFile, TellsMissingFromUnreadable) {
    TempDir dir;
    std::string contents = "stale", error;
    EXPECT_EQ(ReadWholeFile(dir.File("none"), contents, error), ReadStatus::Missing);
    EXPECT_TRUE(contents.empty());

    std::string bytes("a\0b\r\n", 5);
    EXPECT_EQ(ReadWholeFile(dir.Write("f", bytes), contents, error), ReadStatus::Read);
    EXPECT_EQ(contents, bytes);

    std::filesystem::create_directory(dir.File("folder"));
    EXPECT_EQ(ReadWholeFile(dir.File("folder"), contents, error), ReadStatus::Failed);
    EXPECT_NE(error.find(dir.File("folder")), std::string::npos);
    EXPECT_NE(error.find("directory"), std::string::npos);  // the system's reason
}

TEST(AtomicFileWriter, ReplacesTheFileKeepingItsPermissions) {
    TempDir dir;
    std::string path = dir.Write("lintel.ini", "old");
    chmod(path.c_str(), 0640);
    {
        AtomicFileWriter writer(path);
        writer.Write(std::string(AtomicFileWriter::kBufferSize * 2 + 5, 'x'));
        EXPECT_TRUE(Done(writer.Commit()));
    }
    EXPECT_EQ(ReadBytes(path).size(), AtomicFileWriter::kBufferSize * 2 + 5);
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(dir), 1u);  // no temporary file left behind
}

TEST(AtomicFileWriter, WritesThroughASymbolicLink) {
    TempDir dir;
    std::string target = dir.Write("real.ini", "old");
    std::filesystem::create_symlink(target, dir.File("lintel.ini"));
    AtomicFileWriter writer(dir.File("lintel.ini"));
    writer.Write("new");
    ASSERT_TRUE(Done(writer.Commit()));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("lintel.ini")));
    EXPECT_EQ(ReadBytes(target), "new");
}

// A write that fails half-way (here: the file size limit, as on a full disk) leaves the
// old file whole, reports the file and the reason, and leaves no temporary file.
TEST(AtomicFileWriter, FailureLeavesTheOldFileIntact) {
    TempDir dir;
    std::string path = dir.Write("lintel.ini", "precious");
    Outcome committed;
    {
        FileSizeLimit limit(1000);
        AtomicFileWriter writer(path);
        writer.Write(std::string(100000, 'x'));
        committed = writer.Commit();
    }
    ASSERT_FALSE(committed.Ok());
    EXPECT_NE(committed.Error().find(path), std::string::npos);
    EXPECT_NE(committed.Error().find("too large"), std::string::npos);
    EXPECT_EQ(ReadBytes(path), "precious");
    EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(AtomicFileWriter, MissingFolderIsReported) {
    TempDir dir;
    AtomicFileWriter writer(dir.File("gone/lintel.ini"));
    writer.Write("x");
    const Outcome committed = writer.Commit();
    ASSERT_FALSE(committed.Ok());
    EXPECT_NE(committed.Error().find("No such file"), std::string::npos);
}

}  // namespace
}  // namespace lintel
