#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/CdTime.h"
#include "platform/VirtualCdDevice.h"
#include "platform/VirtualDisc.h"
#include "support/StepClock.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

std::string Sample(const std::string& name) {
    return std::string(LINTEL_SOURCE_DIR) + "/samples/" + name;
}

constexpr std::uint32_t Msf(unsigned m, unsigned s, unsigned f) {
    return m * kFramesPerMinute + s * kFramesPerSecond + f;
}

// ---- Time units --------------------------------------------------------------------

TEST(CdTime, PacksMsfAndTmsfByteForByte) {
    std::uint32_t msf = MCI_MAKE_MSF(3, 10, 5);
    EXPECT_EQ(msf, 0x050A03u);
    EXPECT_EQ(MCI_MSF_MINUTE(msf), 3);
    EXPECT_EQ(MCI_MSF_SECOND(msf), 10);
    EXPECT_EQ(MCI_MSF_FRAME(msf), 5);

    std::uint32_t tmsf = MCI_MAKE_TMSF(7, 3, 5, 74);
    EXPECT_EQ(tmsf, 0x4A050307u);
    EXPECT_EQ(MCI_TMSF_TRACK(tmsf), 7);
    EXPECT_EQ(MCI_TMSF_MINUTE(tmsf), 3);
    EXPECT_EQ(MCI_TMSF_SECOND(tmsf), 5);
    EXPECT_EQ(MCI_TMSF_FRAME(tmsf), 74);
    EXPECT_EQ(MCI_FORMAT_MILLISECONDS, 0u);
    EXPECT_EQ(MCI_FORMAT_MSF, 2u);
    EXPECT_EQ(MCI_FORMAT_TMSF, 10u);
}

TEST(CdTime, MillisecondsTruncateAndFramesComeBackExactly) {
    EXPECT_EQ(FramesToMilliseconds(150), 2000u);
    EXPECT_EQ(FramesToMilliseconds(1), 13u);
    EXPECT_EQ(FramesToMilliseconds(2), 26u);
    EXPECT_EQ(MillisecondsToFrames(300000), 22500u);
    EXPECT_EQ(MillisecondsToFrames(0), 0u);
    EXPECT_EQ(MillisecondsToFrames(1), 1u);
    EXPECT_EQ(MillisecondsToFrames(14), 2u);
    // Every frame count of a full disc and beyond survives the trip through milliseconds.
    for (std::uint32_t f = 0; f <= Msf(100, 0, 0); ++f) {
        ASSERT_EQ(MillisecondsToFrames(FramesToMilliseconds(f)), f) << f;
    }
    // The frame count of any millisecond value follows the stepwise rule: truncate, and
    // add one when the frames do not give the milliseconds back.
    for (std::uint32_t ms = 0; ms < 400000; ++ms) {
        std::uint32_t f = ms * 75 / 1000;
        if (f * 1000 / 75 != ms) {
            ++f;
        }
        ASSERT_EQ(MillisecondsToFrames(ms), f) << ms;
    }
    // No overflow at the top of the range.
    EXPECT_EQ(FramesToMilliseconds(0xFFFFFFFFu),
              static_cast<std::uint32_t>(0xFFFFFFFFull * 1000 / 75));
    EXPECT_EQ(MillisecondsToFrames(0xFFFFFFFFu),
              static_cast<std::uint32_t>((0xFFFFFFFFull * 75 + 999) / 1000));
}

TEST(CdTime, MsfAndTmsfConvertBothWaysAndSaturate) {
    EXPECT_EQ(FramesToMsf(Msf(3, 10, 5)), MCI_MAKE_MSF(3, 10, 5));
    EXPECT_EQ(MsfToFrames(MCI_MAKE_MSF(3, 10, 5)), Msf(3, 10, 5));
    EXPECT_EQ(FramesToMsf(150), MCI_MAKE_MSF(0, 2, 0));
    for (std::uint32_t f = 0; f < Msf(100, 0, 0); f += 37) {
        ASSERT_EQ(MsfToFrames(FramesToMsf(f)), f);
    }
    // Beyond what a minutes byte holds the value sticks at the top instead of wrapping.
    EXPECT_EQ(FramesToMsf(Msf(300, 0, 0)), MCI_MAKE_MSF(255, 59, 74));

    std::uint32_t tmsf = MakeTmsf(7, Msf(3, 5, 12));
    EXPECT_EQ(MCI_TMSF_TRACK(tmsf), 7);
    EXPECT_EQ(MCI_TMSF_MINUTE(tmsf), 3);
    EXPECT_EQ(MCI_TMSF_SECOND(tmsf), 5);
    EXPECT_EQ(MCI_TMSF_FRAME(tmsf), 12);
    EXPECT_EQ(TmsfOffsetFrames(tmsf), Msf(3, 5, 12));
    EXPECT_EQ(LbaToFrames(0), 150u);
}

// ---- Disc descriptions -------------------------------------------------------------

TEST(VirtualDisc, EverySampleParses) {
    int samples = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(LINTEL_SOURCE_DIR) + "/samples")) {
        if (entry.path().extension() != ".disc")
            continue;
        ++samples;
        VirtualDiscResult r = LoadVirtualDisc(entry.path().string());
        EXPECT_TRUE(r.disc.has_value()) << entry.path() << ": " << r.error;
    }
    EXPECT_GE(samples, 8);
}

TEST(VirtualDisc, ReadsStartsLeadOutAndVolume) {
    VirtualDiscResult r = LoadVirtualDisc(Sample("twelve-tracks.disc"));
    ASSERT_TRUE(r.disc);
    const CdToc& toc = r.disc->toc;
    ASSERT_EQ(toc.TrackCount(), 12);
    EXPECT_EQ(toc.StartOf(1), Msf(0, 2, 0));
    EXPECT_EQ(toc.StartOf(7), Msf(23, 5, 33));
    EXPECT_EQ(toc.leadOut, Msf(47, 7, 0));
    EXPECT_FALSE(r.disc->volumeName);
    EXPECT_FALSE(r.disc->volumeSerial);
    EXPECT_FALSE(r.disc->track01Cda);

    r = LoadVirtualDisc(Sample("mixed.disc"));
    ASSERT_TRUE(r.disc);
    EXPECT_EQ(*r.disc->volumeName, "MIXED_MODE");
    EXPECT_EQ(*r.disc->volumeSerial, 0x0A3Fu);
    EXPECT_EQ(*r.disc->track01Cda, false);
    EXPECT_TRUE(r.disc->toc.tracks[0].data);
    EXPECT_FALSE(r.disc->toc.tracks[1].data);

    r = LoadVirtualDisc(Sample("single-with-cda.disc"));
    ASSERT_TRUE(r.disc);
    EXPECT_EQ(*r.disc->volumeSerial, 0x2A1F0C33u);
    EXPECT_EQ(*r.disc->track01Cda, true);
}

TEST(VirtualDisc, LengthsFollowOneAnotherFromTwoSeconds) {
    VirtualDiscResult r = ParseVirtualDisc(
        "# comment\r\n; another\n\nlength 03:20:00\n  LENGTH 04:05:37 audio  \nlength "
        "02:59:12 data\nvolume  My Disc  \nserial ff\n");
    ASSERT_TRUE(r.disc) << r.error;
    const CdToc& toc = r.disc->toc;
    ASSERT_EQ(toc.TrackCount(), 3);
    EXPECT_EQ(toc.StartOf(1), Msf(0, 2, 0));
    EXPECT_EQ(toc.StartOf(2), Msf(3, 22, 0));
    EXPECT_EQ(toc.StartOf(3), Msf(7, 27, 37));
    EXPECT_EQ(toc.leadOut, Msf(10, 26, 49));
    EXPECT_TRUE(toc.tracks[2].data);
    EXPECT_EQ(*r.disc->volumeName, "My Disc");  // inner blanks kept, outer ones dropped
    EXPECT_EQ(*r.disc->volumeSerial, 0xFFu);
}

// Each bad description is rejected with a message naming the line at fault.
TEST(VirtualDisc, RejectsBadDescriptionsNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "the description is empty"},
        {"# nothing\n", "line 1 (end of the description): the disc has no tracks"},
        {"track 00:02:00\n", "line 1 (end of the description): \"leadout\" is missing"},
        {"track 00:02:00\ntrack 00:02:00\nleadout 10:00:00\n",
         "line 2: a track must start after the track before it"},
        {"track 00:01:74\nleadout 10:00:00\n", "line 1: no track starts before 00:02:00"},
        {"track 00:02:00\nleadout 00:02:00\n",
         "line 2: the lead-out must come after the start of the last track (line 1)"},
        {"track 00:02:75\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 00:60:00\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 100:00:00\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track -1:00:00\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 00:02\nleadout 10:00:00\n", "line 1: a track's start must be MM:SS:FF"},
        {"track 00:02:00 video\nleadout 10:00:00\n", "line 1: a track is \"audio\" or \"data\""},
        {"track 00:02:00 data\nleadout 10:00:00\n",
         "line 2 (end of the description): a disc with a data track needs \"volume\" and "
         "\"serial\""},
        {"length 00:00:00\n", "line 1: a track cannot be empty"},
        {"length 99:00:00\nlength 01:00:00\n", "line 2: the disc would run beyond 99:59:74"},
        {"length 01:00:00\nleadout 10:00:00\n",
         "line 2: a disc given by track lengths ends after its last track"},
        {"track 00:02:00\nlength 01:00:00\n", "line 2: tracks are given all by their start"},
        {"length 01:00:00\nbogus 1\n", "line 2: unknown key \"bogus\""},
        {"length 01:00:00\nserial 123456789\n",
         "line 2: the serial number must be 1 to 8 hexadecimal digits"},
        {"length 01:00:00\nserial 12G4\n", "line 2: the serial number must be 1 to 8"},
        {"length 01:00:00\nserial 1 2\n", "line 2: unexpected \"2\""},
        {"length 01:00:00\ncda maybe\n", "line 2: cda is \"yes\" or \"no\""},
        {"length 01:00:00\nvolume \n", "line 2: the volume name is empty"},
        {"length 01:00:00\nvolume ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\n",
         "line 2: the volume name is longer than 32 bytes"},
        {"length 01:00:00\nvolume AB\x82\n", "line 2: the volume name ends inside a double-byte"},
        {"volume A\nvolume B\nlength 01:00:00\n",
         "line 2: \"volume\" given twice (first on line 1)"},
        {"length 01:00:00\nleadout\x01 x\n", "line 2: control character in the line"},
    };
    for (const Case& c : cases) {
        VirtualDiscResult r = ParseVirtualDisc(c.text);
        EXPECT_FALSE(r.disc) << c.text;
        EXPECT_EQ(r.error.rfind(c.message, 0), 0u)
            << "text: " << c.text << "\nmessage: " << r.error;
    }
    // A line cut at a NUL byte would hide the fault; the whole text is looked at.
    VirtualDiscResult r = ParseVirtualDisc(std::string_view("length 01:00:00\n\0\n", 18));
    EXPECT_EQ(r.error, "line 2: control character in the line");
}

TEST(VirtualDisc, RejectsOversizedInputAndTooManyTracks) {
    std::string many;
    for (int i = 0; i < 100; ++i) {
        many += "length 00:10:00\n";
    }
    VirtualDiscResult r = ParseVirtualDisc(many);
    EXPECT_EQ(r.error, "line 100: a disc holds at most 99 tracks");
    many.resize(many.size() - 16);
    EXPECT_TRUE(ParseVirtualDisc(many).disc);

    r = ParseVirtualDisc("length 01:00:00\nvolume " + std::string(2000, 'x') + "\n");
    EXPECT_EQ(r.error, "line 2: the line is longer than 1024 bytes");
    r = ParseVirtualDisc(std::string(70000, '#'));
    EXPECT_FALSE(r.disc);
    EXPECT_NE(r.error.find("larger than"), std::string::npos);
}

TEST(VirtualDisc, GarbageNeverCrashesAndAlwaysExplains) {
    std::mt19937 random(1234);
    const std::string alphabet = "track length leadout volume serial cda data 0123456789:\n #-";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        int size = static_cast<int>(random() % 200);
        for (int i = 0; i < size; ++i) {
            text += round % 3 == 0 ? static_cast<char>(random() % 256)
                                   : alphabet[random() % alphabet.size()];
        }
        VirtualDiscResult r = ParseVirtualDisc(text);
        ASSERT_NE(r.disc.has_value(), !r.error.empty()) << text;
        if (r.disc) {
            const CdToc& toc = r.disc->toc;
            ASSERT_GE(toc.TrackCount(), 1);
            for (int t = 1; t <= toc.TrackCount(); ++t) {
                ASSERT_LT(toc.StartOf(t), toc.StartOf(t + 1));
            }
        }
    }
}

TEST(VirtualDisc, FileErrorsNameTheFile) {
    TempDir dir;
    VirtualDiscResult r = LoadVirtualDisc(dir.File("none.disc"));
    EXPECT_FALSE(r.disc);
    EXPECT_NE(r.error.find("none.disc"), std::string::npos) << r.error;
    r = LoadVirtualDisc(dir.Write("bad.disc", "length 01:00:00\nfoo\n"));
    EXPECT_EQ(r.error, dir.File("bad.disc") + ": line 2: unknown key \"foo\"");
}

// ---- The virtual drive ---------------------------------------------------------------

using test::StepClock;

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
        drive.Position();
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
