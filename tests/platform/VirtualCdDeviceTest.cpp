#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Frames.h"
#include "platform/VirtualCdDevice.h"
#include "support/StepClock.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using namespace std::chrono_literals;
using test::Msf;
using test::StepClock;
using test::TempDir;

class VirtualDrive : public ::testing::Test {
protected:
    VirtualDrive() {
        disc_ = dir_.Write("drive.disc", "track 00:02:00\ntrack 01:00:00\nleadout 02:00:00\n");
    }
    VirtualCdDevice::Settings Settings(bool canEject = true) const {
        return {disc_, dir_.File("drive.lock"), "V:", canEject};
    }

    TempDir dir_;
    std::string disc_;
    StepClock clock_{std::chrono::milliseconds(100000)};
};

TEST_F(VirtualDrive, RefusesEverythingUntilOpen) {
    VirtualCdDevice drive(Settings(), clock_);
    EXPECT_FALSE(drive.IsOpen());
    EXPECT_EQ(drive.Mode(), CdMode::NotReady);
    EXPECT_FALSE(drive.ReadToc());
    EXPECT_FALSE(drive.Position());
    EXPECT_FALSE(drive.Play(150, 300));
    EXPECT_FALSE(drive.Seek(150));
    EXPECT_FALSE(drive.OpenDoor());
    EXPECT_FALSE(drive.CloseDoor());

    ASSERT_EQ(drive.Open(), std::nullopt);
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
    EXPECT_EQ(drive.Position(), Msf(0, 2, 0));
    ASSERT_TRUE(drive.ReadToc());
    EXPECT_EQ(drive.ReadToc()->TrackCount(), 2);
    EXPECT_TRUE(drive.Capabilities().canEject);
    drive.Close();
    EXPECT_EQ(drive.Mode(), CdMode::NotReady);
}

TEST_F(VirtualDrive, PlaysByTheClockAndStopsAtTheEnd) {
    VirtualCdDevice drive(Settings(), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    ASSERT_TRUE(drive.Play(Msf(0, 10, 0), Msf(0, 20, 0)));
    EXPECT_EQ(drive.Mode(), CdMode::Playing);
    clock_.Step(4000ms);
    EXPECT_EQ(drive.Position(), Msf(0, 14, 0));
    // Many small steps add up exactly: the position is counted from where play began.
    for (int i = 0; i < 300; ++i) {
        clock_.Step(10ms);
        ASSERT_TRUE(drive.Position());
    }
    EXPECT_EQ(drive.Position(), Msf(0, 17, 0));
    clock_.Step(2999ms);
    EXPECT_EQ(drive.Mode(), CdMode::Playing);
    EXPECT_EQ(drive.Position(), Msf(0, 19, 74));
    clock_.Step(100ms);
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
    EXPECT_EQ(drive.Position(), Msf(0, 20, 0));
    clock_.Step(60s);
    EXPECT_EQ(drive.Position(), Msf(0, 20, 0));
}

TEST_F(VirtualDrive, RefusesEmptyAndOutsideRanges) {
    VirtualCdDevice drive(Settings(), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    EXPECT_FALSE(drive.Play(300, 300));
    EXPECT_FALSE(drive.Play(400, 300));
    EXPECT_FALSE(drive.Play(149, 300));
    EXPECT_FALSE(drive.Play(150, Msf(2, 0, 1)));
    EXPECT_TRUE(drive.Play(150, Msf(2, 0, 0)));
    EXPECT_FALSE(drive.Seek(Msf(2, 0, 1)));
    EXPECT_EQ(drive.Mode(), CdMode::Playing);
}

TEST_F(VirtualDrive, PauseAndResumeKeepThePosition) {
    VirtualCdDevice drive(Settings(), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    EXPECT_FALSE(drive.Pause());   // not playing
    EXPECT_FALSE(drive.Resume());  // not paused
    ASSERT_TRUE(drive.Play(Msf(0, 2, 0), Msf(0, 30, 0)));
    clock_.Step(5s);
    ASSERT_TRUE(drive.Pause());
    EXPECT_EQ(drive.Mode(), CdMode::Paused);
    clock_.Step(60s);
    EXPECT_EQ(drive.Position(), Msf(0, 7, 0));
    ASSERT_TRUE(drive.Resume());
    EXPECT_EQ(drive.Mode(), CdMode::Playing);
    clock_.Step(1s);
    EXPECT_EQ(drive.Position(), Msf(0, 8, 0));
    // The resumed play still ends where the first play would have.
    clock_.Step(30s);
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
    EXPECT_EQ(drive.Position(), Msf(0, 30, 0));
}

TEST_F(VirtualDrive, StopAndSeekLeaveThePositionWhereTheySay) {
    VirtualCdDevice drive(Settings(), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    ASSERT_TRUE(drive.Play(Msf(0, 2, 0), Msf(2, 0, 0)));
    clock_.Step(3s);
    ASSERT_TRUE(drive.Stop());
    clock_.Step(3s);
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
    EXPECT_EQ(drive.Position(), Msf(0, 5, 0));
    EXPECT_FALSE(drive.Resume());
    ASSERT_TRUE(drive.Play(Msf(0, 2, 0), Msf(2, 0, 0)));
    ASSERT_TRUE(drive.Seek(Msf(1, 0, 0)));  // a seek ends play
    clock_.Step(3s);
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
    EXPECT_EQ(drive.Position(), Msf(1, 0, 0));
}

TEST_F(VirtualDrive, TrayOpensAndClosingReadsTheDiscAgain) {
    VirtualCdDevice drive(Settings(), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    ASSERT_TRUE(drive.Play(150, 3000));
    ASSERT_TRUE(drive.OpenDoor());
    EXPECT_TRUE(drive.TrayOpen());
    EXPECT_EQ(drive.Mode(), CdMode::Open);
    EXPECT_FALSE(drive.ReadToc());
    EXPECT_FALSE(drive.Position());
    EXPECT_FALSE(drive.Play(150, 3000));

    // Swap the disc while the tray is open.
    dir_.Write("drive.disc", "length 01:00:00\nlength 01:00:00\nlength 01:00:00\n");
    ASSERT_TRUE(drive.CloseDoor());
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
    ASSERT_TRUE(drive.ReadToc());
    EXPECT_EQ(drive.ReadToc()->TrackCount(), 3);
    EXPECT_EQ(drive.Position(), 150u);

    // A closed tray is not re-read: no disc changes under a closed tray.
    dir_.Write("drive.disc", "length 01:00:00\n");
    ASSERT_TRUE(drive.CloseDoor());
    EXPECT_EQ(drive.ReadToc()->TrackCount(), 3);

    // A bad description is an unreadable disc: no medium, and the reason is kept.
    ASSERT_TRUE(drive.OpenDoor());
    dir_.Write("drive.disc", "length 01:00:00\nlength 00:00:00\n");
    ASSERT_TRUE(drive.CloseDoor());
    EXPECT_EQ(drive.Mode(), CdMode::Open);
    EXPECT_FALSE(drive.ReadToc());
    EXPECT_NE(drive.DiscError().find("line 2: a track cannot be empty"), std::string::npos)
        << drive.DiscError();

    // A missing description is an empty drive, which still opens.
    drive.Close();
    std::filesystem::remove(disc_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    EXPECT_EQ(drive.Mode(), CdMode::Open);
}

TEST_F(VirtualDrive, WithoutEjectTheTrayStaysShut) {
    VirtualCdDevice drive(Settings(false), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    EXPECT_FALSE(drive.Capabilities().canEject);
    EXPECT_FALSE(drive.OpenDoor());
    EXPECT_EQ(drive.Mode(), CdMode::Stopped);
}

TEST_F(VirtualDrive, OnlyOneOpenAtATimeInThisProcess) {
    VirtualCdDevice first(Settings(), clock_);
    VirtualCdDevice second(Settings(), clock_);
    ASSERT_EQ(first.Open(), std::nullopt);
    std::optional<std::string> error = second.Open();
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, "The CD drive V: is in use by another program.");
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(), std::nullopt);
}

// Runs `child` in a forked process and returns its exit status (or -1 if it did not exit).
template <typename F>
int InChild(F child) {
    pid_t pid = fork();
    if (pid == 0) {
        _exit(child());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(VirtualDrive, AnotherProcessCannotOpenTheDriveWhileHeld) {
    VirtualCdDevice drive(Settings(), clock_);
    ASSERT_EQ(drive.Open(), std::nullopt);
    auto tryOpen = [this] {
        VirtualCdDevice other(Settings(), clock_);
        std::optional<std::string> error = other.Open();
        if (!error) {
            return 0;
        }
        return *error == "The CD drive V: is in use by another program." ? 1 : 2;
    };
    EXPECT_EQ(InChild(tryOpen), 1);
    drive.Close();
    EXPECT_EQ(InChild(tryOpen), 0);
}

TEST_F(VirtualDrive, AKilledHolderLeavesNoStaleLock) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    if (pid == 0) {
        VirtualCdDevice holder(Settings(), clock_);
        char ok = holder.Open() ? 'n' : 'y';
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    VirtualCdDevice drive(Settings(), clock_);
    EXPECT_TRUE(drive.Open().has_value());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(drive.Open(), std::nullopt);
    close(ready[0]);
    close(ready[1]);
}

TEST_F(VirtualDrive, AnUnusableLockFileIsExplained) {
    VirtualCdDevice::Settings settings = Settings();
    settings.lockFile = dir_.File("no/such/folder/drive.lock");
    VirtualCdDevice drive(settings, clock_);
    std::optional<std::string> error = drive.Open();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->rfind("The CD drive V: cannot be opened: the lock file ", 0), 0u) << *error;
    EXPECT_FALSE(drive.IsOpen());
}

}  // namespace
}  // namespace lintel
