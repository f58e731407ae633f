#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Cp932.h"
#include "platform/VirtualCdDevice.h"
#include "playback/MediaPlayer.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

constexpr std::uint32_t Msf(unsigned m, unsigned s, unsigned f) {
    return m * kFramesPerMinute + s * kFramesPerSecond + f;
}

class StepClock : public CdClock {
public:
    std::chrono::milliseconds Now() const override { return now_; }
    void Step(std::chrono::milliseconds d) { now_ += d; }

private:
    std::chrono::milliseconds now_{0};
};

// A drive whose resume command fails, as some drives' do after a long pause.
class NoResumeDevice : public VirtualCdDevice {
public:
    using VirtualCdDevice::VirtualCdDevice;
    bool Resume() override { return false; }
};

// A drive that reads a damaged table of contents.
class DamagedTocDevice : public VirtualCdDevice {
public:
    using VirtualCdDevice::VirtualCdDevice;
    std::optional<CdToc> ReadToc() override { return toc; }
    std::optional<CdToc> toc;
};

// Hands out virtual drive V: (also the default drive) on a copy of a sample disc.
class VirtualDrives : public CdDeviceFactory {
public:
    VirtualDrives(const TempDir& dir, const StepClock& clock) : dir_(dir), clock_(clock) {}
    std::unique_ptr<CdAudioDevice> DeviceFor(const std::string& name, std::string& error) override {
        if (name != "V:" && !name.empty()) {
            error = "No CD drive " + name;
            return nullptr;
        }
        VirtualCdDevice::Settings s{dir_.File("v.disc"), dir_.File("v.lock"), "V:", canEject};
        if (failingResume) {
            return std::make_unique<NoResumeDevice>(s, clock_);
        }
        if (damagedToc) {
            auto device = std::make_unique<DamagedTocDevice>(s, clock_);
            device->toc = damagedToc;
            return device;
        }
        return std::make_unique<VirtualCdDevice>(s, clock_);
    }
    bool canEject = true;
    bool failingResume = false;
    std::optional<CdToc> damagedToc;

private:
    const TempDir& dir_;
    const StepClock& clock_;
};

class MediaPlayer : public ::testing::Test {
protected:
    MediaPlayer() { Insert("twelve-tracks.disc"); }

    void Insert(const std::string& sample) {
        std::filesystem::copy_file(std::string(LINTEL_SOURCE_DIR) + "/samples/" + sample,
                                   dir_.File("v.disc"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void Open() {
        player_.SetDriveName("V:");
        player_.OpenDevice();
    }
    // Plays from the start of track t and lets the clock run for `after`.
    void PlayTrackFor(int t, std::chrono::milliseconds after) {
        player_.PlayRange(MCI_MAKE_TMSF(static_cast<std::uint8_t>(t), 0, 0, 0), std::nullopt);
        clock_.Step(after);
    }
    std::uint32_t PositionIn(std::uint32_t format) {
        player_.SetTimeFormat(format);
        std::uint32_t value = player_.QueryPosition();
        player_.SetTimeFormat(MCI_FORMAT_TMSF);
        return value;
    }

    TempDir dir_;
    StepClock clock_;
    VirtualDrives drives_{dir_, clock_};
    TMediaPlayer player_{drives_};
};

TEST_F(MediaPlayer, OpensByElementNameAndRestsInTmsf) {
    player_.SetDriveName("E:");
    try {
        player_.OpenDevice();
        FAIL() << "opened a drive that does not exist";
    } catch (const TMCIError& e) {
        EXPECT_STREQ(e.what(), "No CD drive E:");
    }
    EXPECT_FALSE(player_.IsOpen());

    player_.SetDriveName("");  // the default drive
    player_.OpenDevice();
    EXPECT_TRUE(player_.IsOpen());
    EXPECT_EQ(player_.TimeFormat(), MCI_FORMAT_TMSF);
    EXPECT_TRUE(player_.CanEject());
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryTrackCount(), 12u);

    // Opening again closes first, so the player does not lock itself out.
    player_.SetTimeFormat(MCI_FORMAT_MSF);
    player_.SetDriveName("V:");
    player_.OpenDevice();
    EXPECT_EQ(player_.TimeFormat(), MCI_FORMAT_TMSF);
}

TEST_F(MediaPlayer, ASecondPlayerCannotOpenTheSameDrive) {
    Open();
    TMediaPlayer other(drives_);
    other.SetDriveName("V:");
    EXPECT_THROW(other.OpenDevice(), TMCIError);
    try {
        other.OpenDevice();
    } catch (const TMCIError& e) {
        EXPECT_STREQ(e.what(), "The CD drive V: is in use by another program.");
    }
    // Nor can a second program.
    pid_t pid = fork();
    if (pid == 0) {
        TMediaPlayer child(drives_);
        child.SetDriveName("V:");
        try {
            child.OpenDevice();
        } catch (const TMCIError&) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);

    player_.CloseDevice();
    EXPECT_NO_THROW(other.OpenDevice());
}

TEST_F(MediaPlayer, WithoutADeviceTheListedOperationsRaiseTheNoDeviceText) {
    const std::string text = cp932::Literal("MCI ﾃﾞﾊﾞｲｽがありません");
    auto expectNoDevice = [&](auto operation, const char* name) {
        try {
            operation();
            ADD_FAILURE() << name << " did not raise";
        } catch (const TMCIError& e) {
            EXPECT_EQ(e.what(), text) << name;
        }
    };
    expectNoDevice([&] { player_.PlayRange(1, 2); }, "PlayRange");
    expectNoDevice([&] { player_.StopPlay(); }, "StopPlay");
    expectNoDevice([&] { player_.TogglePause(); }, "TogglePause");
    expectNoDevice([&] { player_.SeekNextTrack(); }, "SeekNextTrack");
    expectNoDevice([&] { player_.SeekPreviousTrack(); }, "SeekPreviousTrack");
    expectNoDevice([&] { player_.OpenDoor(); }, "OpenDoor");
    expectNoDevice([&] { player_.RewindToStart(); }, "RewindToStart");
    expectNoDevice([&] { (void)player_.QueryTrackLength(1); }, "QueryTrackLength");
    expectNoDevice([&] { (void)player_.QueryLength(); }, "QueryLength");
    expectNoDevice([&] { (void)player_.QueryTrackCount(); }, "QueryTrackCount");

    // These make no check: they fail quietly and give no usable value.
    EXPECT_EQ(player_.QueryMode(), 0);
    EXPECT_EQ(player_.QueryPosition(), 0u);
    EXPECT_EQ(player_.QueryTrackStart(1), 0u);
    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    EXPECT_EQ(player_.TimeFormat(), MCI_FORMAT_TMSF);
    EXPECT_NE(player_.Error(), TMediaPlayer::kOk);
    EXPECT_NO_THROW(player_.CloseDoor());
    EXPECT_NO_THROW(player_.CloseDevice());
}

TEST_F(MediaPlayer, LengthsAreDurationsAndStartsAreAbsolute) {
    Open();
    // TMSF: lengths come packed as MSF; starts name their track.
    EXPECT_EQ(player_.QueryLength(), MCI_MAKE_MSF(47, 5, 0));
    EXPECT_EQ(player_.QueryTrackLength(1), MCI_MAKE_MSF(4, 33, 0));
    EXPECT_EQ(player_.QueryTrackLength(12), MCI_MAKE_MSF(3, 56, 25));  // to the lead-out
    EXPECT_EQ(player_.QueryTrackStart(7), MCI_MAKE_TMSF(7, 0, 0, 0));
    EXPECT_EQ(player_.QueryTrackLength(13), 0u);
    EXPECT_EQ(player_.Error(), TMediaPlayer::kBadPosition);

    player_.SetTimeFormat(MCI_FORMAT_MSF);
    EXPECT_EQ(player_.QueryTrackStart(1), MCI_MAKE_MSF(0, 2, 0));
    EXPECT_EQ(player_.QueryTrackStart(7), MCI_MAKE_MSF(23, 5, 33));
    EXPECT_EQ(player_.QueryLength(), MCI_MAKE_MSF(47, 5, 0));

    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    EXPECT_EQ(player_.QueryTrackStart(1), 2000u);
    EXPECT_EQ(player_.QueryLength(), FramesToMilliseconds(Msf(47, 5, 0)));
    EXPECT_EQ(player_.QueryTrackLength(1), 273000u);
    EXPECT_EQ(player_.QueryTrackStart(0), 0u);
}

TEST_F(MediaPlayer, TheTwoTrackDiscGivesItsTableInEveryFormat) {
    Insert("two-tracks.disc");
    Open();
    EXPECT_EQ(player_.QueryTrackCount(), 2u);
    player_.SetTimeFormat(MCI_FORMAT_MSF);
    std::uint32_t second = player_.QueryTrackStart(2);
    EXPECT_EQ(MCI_MSF_MINUTE(second), 3);
    EXPECT_EQ(MCI_MSF_SECOND(second), 10);
    EXPECT_EQ(MCI_MSF_FRAME(second), 5);
    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    EXPECT_EQ(player_.QueryLength(), 300000u);
    EXPECT_EQ(MillisecondsToFrames(player_.QueryLength()), 22500u);
}

TEST_F(MediaPlayer, PositionOfTrackSevenAtThreeOFive) {
    Open();
    PlayTrackFor(7, 185s);
    EXPECT_EQ(player_.QueryMode(), 2);
    std::uint32_t p = player_.QueryPosition();
    EXPECT_EQ(MCI_TMSF_TRACK(p), 7);
    EXPECT_EQ(MCI_TMSF_MINUTE(p), 3);
    EXPECT_EQ(MCI_TMSF_SECOND(p), 5);
    EXPECT_EQ(MCI_TMSF_FRAME(p), 0);
    EXPECT_EQ(PositionIn(MCI_FORMAT_MSF), MCI_MAKE_MSF(26, 10, 33));
    EXPECT_EQ(PositionIn(MCI_FORMAT_MILLISECONDS), FramesToMilliseconds(Msf(26, 10, 33)));
}

TEST_F(MediaPlayer, PlayRangeStopsAtToAndDefaultsToPositionAndDiscEnd) {
    Open();
    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    std::uint32_t from = player_.QueryTrackStart(2);
    std::uint32_t to = player_.QueryTrackStart(3);
    player_.PlayRange(from, to);
    EXPECT_EQ(player_.EndPos(), to);
    EXPECT_EQ(player_.QueryMode(), 2);
    clock_.Step(std::chrono::milliseconds(to - from - 1000));
    EXPECT_EQ(player_.QueryMode(), 2);
    clock_.Step(2s);
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryPosition(), to);

    // Without from, play starts where the position is; without to, it runs to the end.
    player_.PlayRange(std::nullopt, std::nullopt);
    EXPECT_EQ(player_.QueryMode(), 2);
    EXPECT_EQ(player_.QueryPosition(), to);
    clock_.Step(60min);
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryPosition(), FramesToMilliseconds(Msf(47, 7, 0)));

    // Positions in MSF are absolute; in TMSF they count from their track's start.
    player_.SetTimeFormat(MCI_FORMAT_MSF);
    player_.PlayRange(MCI_MAKE_MSF(10, 0, 0), MCI_MAKE_MSF(10, 1, 0));
    clock_.Step(5s);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_MSF(10, 1, 0));
    player_.SetTimeFormat(MCI_FORMAT_TMSF);
    player_.PlayRange(MCI_MAKE_TMSF(2, 1, 0, 0), MCI_MAKE_TMSF(2, 1, 2, 0));
    clock_.Step(5s);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(2, 1, 2, 0));
    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);

    // A position off the disc starts nothing.
    player_.PlayRange(0, 5000000);
    EXPECT_EQ(player_.Error(), TMediaPlayer::kBadPosition);
    EXPECT_EQ(player_.QueryMode(), 1);
    player_.SetTimeFormat(MCI_FORMAT_TMSF);
    player_.PlayRange(MCI_MAKE_TMSF(13, 0, 0, 0), std::nullopt);
    EXPECT_EQ(player_.QueryMode(), 1);
}

TEST_F(MediaPlayer, StopKeepsThePositionAndRewindGoesToTrackOne) {
    Open();
    PlayTrackFor(3, 10s);
    player_.StopPlay();
    clock_.Step(10s);
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(3, 0, 10, 0));
    player_.RewindToStart();
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(1, 0, 0, 0));
    EXPECT_EQ(PositionIn(MCI_FORMAT_MILLISECONDS), 2000u);
}

TEST_F(MediaPlayer, TogglePausePausesAndResumesInPlace) {
    Open();
    player_.TogglePause();  // stopped: nothing happens
    EXPECT_EQ(player_.QueryMode(), 1);
    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    player_.PlayRange(2000, 12000);
    clock_.Step(3s);
    player_.TogglePause();
    EXPECT_EQ(player_.QueryMode(), 5);
    clock_.Step(1min);
    EXPECT_EQ(player_.QueryPosition(), 5000u);
    player_.TogglePause();
    EXPECT_EQ(player_.QueryMode(), 2);
    clock_.Step(2s);
    EXPECT_EQ(player_.QueryPosition(), 7000u);
    clock_.Step(10s);  // the resumed play keeps its end
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryPosition(), 12000u);
}

TEST_F(MediaPlayer, AFailedResumePlaysOnToTheEndOfTheDisc) {
    drives_.failingResume = true;
    Open();
    player_.SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    player_.PlayRange(2000, 12000);
    clock_.Step(3s);
    player_.TogglePause();
    player_.TogglePause();
    EXPECT_EQ(player_.QueryMode(), 2);
    clock_.Step(20s);
    EXPECT_EQ(player_.QueryMode(), 2);  // past the old end: the play has no bounds
    EXPECT_EQ(player_.QueryPosition(), 25000u);
}

TEST_F(MediaPlayer, SeekNextTrackSeeksOrPlaysAndStaysOnTheLastTrack) {
    Open();
    player_.SeekNextTrack();
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(2, 0, 0, 0));

    PlayTrackFor(5, 30s);
    player_.SeekNextTrack();
    EXPECT_EQ(player_.QueryMode(), 2);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(6, 0, 0, 0));

    PlayTrackFor(12, 30s);
    player_.SeekNextTrack();
    EXPECT_EQ(player_.QueryMode(), 2);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(12, 0, 0, 0));
    player_.StopPlay();
    player_.SeekNextTrack();
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(12, 0, 0, 0));
}

TEST_F(MediaPlayer, SeekPreviousTrackWithinTheFirstSecondGoesBackATrack) {
    Open();
    PlayTrackFor(4, 900ms);
    player_.SeekPreviousTrack();
    EXPECT_EQ(player_.QueryMode(), 2);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(3, 0, 0, 0));

    PlayTrackFor(4, 1000ms);  // 0:01 into the track: no longer its first second
    player_.SeekPreviousTrack();
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(4, 0, 0, 0));

    PlayTrackFor(1, 500ms);
    player_.SeekPreviousTrack();
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(1, 0, 0, 0));
    PlayTrackFor(1, 90s);
    player_.SeekPreviousTrack();
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(1, 0, 0, 0));

    // Not playing: a seek, and the drive stays stopped.
    PlayTrackFor(9, 40s);
    player_.StopPlay();
    player_.SeekPreviousTrack();
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(9, 0, 0, 0));
    player_.SeekPreviousTrack();
    EXPECT_EQ(player_.QueryPosition(), MCI_MAKE_TMSF(8, 0, 0, 0));
}

TEST_F(MediaPlayer, DoorOpensOnlyWithEjectAndClosingReadsTheNewDisc) {
    Open();
    player_.OpenDoor();
    EXPECT_EQ(player_.QueryMode(), 6);
    EXPECT_EQ(player_.QueryTrackCount(), 0u);
    EXPECT_EQ(player_.QueryPosition(), 0u);
    EXPECT_NO_THROW(player_.SeekNextTrack());
    Insert("three-tracks.disc");
    player_.CloseDoor();
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryTrackCount(), 3u);

    drives_.canEject = false;
    Open();
    EXPECT_FALSE(player_.CanEject());
    player_.OpenDoor();
    EXPECT_EQ(player_.QueryMode(), 1);
    EXPECT_EQ(player_.QueryTrackCount(), 3u);
}

TEST_F(MediaPlayer, AnEmptyDriveOpensAndReportsTrayOpen) {
    std::filesystem::remove(dir_.File("v.disc"));
    Open();
    EXPECT_EQ(player_.QueryMode(), 6);
    EXPECT_EQ(player_.QueryTrackCount(), 0u);
    EXPECT_EQ(player_.QueryLength(), 0u);
    EXPECT_EQ(player_.Error(), TMediaPlayer::kNoMedium);
}

// A table whose lengths would wrap around reads as no disc, not as absurd lengths.
TEST_F(MediaPlayer, ADamagedTableOfContentsReadsAsNoDisc) {
    CdToc tooMany;
    for (std::uint32_t t = 0; t < 100; ++t) {
        tooMany.tracks.push_back({150 + t * 100, false});
    }
    tooMany.leadOut = 150 + 100 * 100;
    const CdToc damaged[] = {
        {{{150, false}, {100, false}}, 20000},  // starts fall
        {{{150, false}, {9000, false}}, 9000},  // lead-out at the last start
        {{}, 20000},                            // no tracks
        tooMany,
    };
    for (const CdToc& toc : damaged) {
        drives_.damagedToc = toc;
        Open();
        EXPECT_EQ(player_.QueryTrackCount(), 0u);
        EXPECT_EQ(player_.QueryLength(), 0u);
        EXPECT_EQ(player_.QueryTrackLength(1), 0u);
        EXPECT_EQ(player_.Error(), TMediaPlayer::kNoMedium);
    }
    drives_.damagedToc = CdToc{{{150, false}, {9000, true}}, 9001};
    Open();
    EXPECT_EQ(player_.QueryTrackCount(), 2u);
    EXPECT_EQ(player_.QueryTrackLength(2), MCI_MAKE_MSF(0, 0, 1));
}

}  // namespace
}  // namespace lintel
