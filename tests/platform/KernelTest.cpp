#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "platform/FileSystem.h"
#include "platform/InstanceGuard.h"
#include "platform/SystemFolder.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using Status = InstanceGuard::Status;

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The probe program in a child process; `hold` keeps it running with the guard taken.
class Probe {
public:
    Probe(const std::string& folder, const std::string& name, bool hold) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl(LINTEL_GUARD_PROBE, LINTEL_GUARD_PROBE, folder.c_str(), name.c_str(),
                  hold ? "hold" : nullptr, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        output_ = out[0];
    }
    ~Probe() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
        close(output_);
    }
    // Blocks until a holding probe says it holds the guard (or it ends).
    bool WaitUntilHeld() {
        char text[8] = {};
        return read(output_, text, 5) == 5 && std::string(text) == "held\n";
    }
    // The exit code, or -signal when a signal ended the probe.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    void Kill(int signal) { kill(pid_, signal); }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

int ProbeOnce(const std::string& folder, const std::string& name) {
    return Probe(folder, name, false).Wait();
}

// --- the instance guard -----------------------------------------------------------------

class InstanceGuardTest : public ::testing::Test {
protected:
    void SetUp() override { chmod(dir_.Path().c_str(), 0700); }
    std::string Folder() const { return dir_.Path().string(); }
    TempDir dir_;
};

TEST_F(InstanceGuardTest, SecondProcessSeesTheRunningCopyUntilItEnds) {
    InstanceGuard guard = InstanceGuard::Acquire("lintel", Folder());
    ASSERT_EQ(guard.GetStatus(), Status::Acquired) << guard.Error();
    EXPECT_EQ(guard.LockPath(), Folder() + "/lintel.lock");
    EXPECT_EQ(ProbeOnce(Folder(), "lintel"), 1);
    // Another file name is another program with its own guard.
    EXPECT_EQ(ProbeOnce(Folder(), "lintel2"), 0);
    // Within one process a second take is refused as well.
    EXPECT_EQ(InstanceGuard::Acquire("lintel", Folder()).GetStatus(), Status::AnotherRunning);

    guard.Release();
    EXPECT_FALSE(guard.Held());
    EXPECT_EQ(ProbeOnce(Folder(), "lintel"), 0);
}

TEST_F(InstanceGuardTest, KilledHolderReleasesTheGuard) {
    Probe holder(Folder(), "lintel", true);
    ASSERT_TRUE(holder.WaitUntilHeld());
    EXPECT_EQ(InstanceGuard::Acquire("lintel", Folder()).GetStatus(), Status::AnotherRunning);
    EXPECT_EQ(ProbeOnce(Folder(), "lintel"), 1);

    holder.Kill(SIGKILL);
    EXPECT_EQ(holder.Wait(), -SIGKILL);
    // The lock file is still there, yet it keeps no one out.
    EXPECT_TRUE(fs::exists(Folder() + "/lintel.lock"));
    InstanceGuard guard = InstanceGuard::Acquire("lintel", Folder());
    EXPECT_EQ(guard.GetStatus(), Status::Acquired) << guard.Error();
}

TEST_F(InstanceGuardTest, ProgramsStartedByTheHolderDoNotInheritTheGuard) {
    InstanceGuard guard = InstanceGuard::Acquire("lintel", Folder());
    ASSERT_TRUE(guard.Held());
    // A long-lived child started while the guard is held (like a help viewer).
    Probe child(Folder(), "other", true);
    ASSERT_TRUE(child.WaitUntilHeld());
    guard.Release();
    EXPECT_EQ(ProbeOnce(Folder(), "lintel"), 0);
}

TEST_F(InstanceGuardTest, MovedGuardStaysHeldOnce) {
    InstanceGuard first = InstanceGuard::Acquire("lintel", Folder());
    InstanceGuard second = std::move(first);
    EXPECT_FALSE(first.Held());
    EXPECT_TRUE(second.Held());
    first.Release();  // releasing the moved-from guard must not drop the lock
    EXPECT_EQ(ProbeOnce(Folder(), "lintel"), 1);
    { InstanceGuard third = std::move(second); }
    EXPECT_EQ(ProbeOnce(Folder(), "lintel"), 0);
}

TEST_F(InstanceGuardTest, PlantedLinksAndOddFilesAreNotFollowed) {
    TempDir elsewhere;
    std::string victim = elsewhere.Write("victim", "keep");
    fs::create_symlink(victim, Folder() + "/lintel.lock");
    InstanceGuard guard = InstanceGuard::Acquire("lintel", Folder());
    EXPECT_EQ(guard.GetStatus(), Status::Failed);
    EXPECT_FALSE(guard.Error().empty());
    EXPECT_EQ(ReadBytes(victim), "keep");

    // A dangling link must not create its target.
    fs::create_symlink(elsewhere.File("created"), Folder() + "/dangling.lock");
    EXPECT_EQ(InstanceGuard::Acquire("dangling", Folder()).GetStatus(), Status::Failed);
    EXPECT_FALSE(fs::exists(elsewhere.File("created")));

    // A FIFO or a folder at the lock path fails at once instead of hanging or locking it.
    ASSERT_EQ(mkfifo((Folder() + "/fifo.lock").c_str(), 0600), 0);
    EXPECT_EQ(InstanceGuard::Acquire("fifo", Folder()).GetStatus(), Status::Failed);
    fs::create_directory(Folder() + "/dir.lock");
    EXPECT_EQ(InstanceGuard::Acquire("dir", Folder()).GetStatus(), Status::Failed);
}

TEST_F(InstanceGuardTest, RefusesUnsafeFoldersAndNames) {
    chmod(dir_.Path().c_str(), 0777);
    EXPECT_EQ(InstanceGuard::Acquire("lintel", Folder()).GetStatus(), Status::Failed);
    chmod(dir_.Path().c_str(), 01777);  // sticky like /tmp is still shared
    EXPECT_EQ(InstanceGuard::Acquire("lintel", Folder()).GetStatus(), Status::Failed);
    EXPECT_FALSE(fs::exists(Folder() + "/lintel.lock"));
    chmod(dir_.Path().c_str(), 0700);

    for (const char* name : {"", ".", "..", "a/b"}) {
        InstanceGuard guard = InstanceGuard::Acquire(name, Folder());
        EXPECT_EQ(guard.GetStatus(), Status::Failed) << name;
        EXPECT_FALSE(guard.Error().empty()) << name;
    }
    EXPECT_EQ(InstanceGuard::Acquire("lintel", Folder() + "/missing").GetStatus(), Status::Failed);
    EXPECT_EQ(Listing(dir_.Path()), std::set<std::string>{});
}

TEST_F(InstanceGuardTest, ProgramGuardIsNamedAfterTheExecutableInTheRuntimeFolder) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", Folder().c_str());
    InstanceGuard guard = InstanceGuard::AcquireForProgram();
    ASSERT_TRUE(guard.Held()) << guard.Error();
    EXPECT_EQ(guard.LockPath(), Folder() + "/lintel/kernel_tests.lock");
    EXPECT_EQ(ModeOf(Folder() + "/lintel"), 0700u);
    EXPECT_EQ(ProbeOnce(Folder() + "/lintel", "kernel_tests"), 1);
}

// --- the system and runtime folders ------------------------------------------------------

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

// --- files ------------------------------------------------------------------------------

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
