#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/InstanceGuard.h"
#include "support/FileInfo.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

namespace fs = std::filesystem;
using test::Listing;
using test::ModeOf;
using test::ReadBytes;
using test::ScopedEnv;
using test::TempDir;
using Status = InstanceGuard::Status;

// The probe program in a child process.
class Probe {
public:
    enum class Mode {
        Once,  ///< takes the guard and ends
        Hold,  ///< keeps the guard until killed
    };

    Probe(const std::string& folder, const std::string& name, Mode mode) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl(LINTEL_GUARD_PROBE, LINTEL_GUARD_PROBE, folder.c_str(), name.c_str(),
                  mode == Mode::Hold ? "hold" : nullptr, static_cast<char*>(nullptr));
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
    return Probe(folder, name, Probe::Mode::Once).Wait();
}

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
    Probe holder(Folder(), "lintel", Probe::Mode::Hold);
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
    Probe child(Folder(), "other", Probe::Mode::Hold);
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

}  // namespace
}  // namespace lintel
