#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/CueBinImage.h"
#include "platform/LibcdioCdDevice.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::ImageTrack;
using test::TempDir;
using test::WriteCueBinImage;

// Tracks of 1000, 2000 and 3000 sectors: starts 00:02:00, 00:15:25, 00:42:00.
const std::vector<ImageTrack> kThreeAudioTracks = {{false, 1000}, {false, 2000}, {false, 3000}};

// The mode comes from the tray first and only then from the audio status.
TEST(DecodeMode, TrayAndMediumComeBeforeAudioStatus) {
    EXPECT_EQ(DecodeMode(DriveStatus::TrayOpen, std::nullopt), CdMode::Open);
    EXPECT_EQ(DecodeMode(DriveStatus::TrayOpen, kAudioStatusPlaying), CdMode::Open);
    EXPECT_EQ(DecodeMode(DriveStatus::NoDisc, kAudioStatusPaused), CdMode::Open);
    EXPECT_EQ(DecodeMode(DriveStatus::NotReady, kAudioStatusPlaying), CdMode::NotReady);
}

TEST(DecodeMode, AudioStatusOfAReadableDisc) {
    for (DriveStatus drive : {DriveStatus::DiscOk, DriveStatus::Unknown}) {
        EXPECT_EQ(DecodeMode(drive, kAudioStatusPlaying), CdMode::Playing);
        EXPECT_EQ(DecodeMode(drive, kAudioStatusPaused), CdMode::Paused);
        EXPECT_EQ(DecodeMode(drive, kAudioStatusCompleted), CdMode::Stopped);
        EXPECT_EQ(DecodeMode(drive, kAudioStatusError), CdMode::Stopped);
        EXPECT_EQ(DecodeMode(drive, kAudioStatusNone), CdMode::Stopped);
        EXPECT_EQ(DecodeMode(drive, std::uint8_t{0}), CdMode::Stopped);
        EXPECT_EQ(DecodeMode(drive, std::nullopt), CdMode::Stopped);
    }
}

// The table of contents as libcdio reads it from an image: absolute frames, tracks from 1.
TEST(LibcdioCdDevice, ReadsTheTableOfContentsOfAnImage) {
    TempDir dir;
    LibcdioCdDevice device(WriteCueBinImage(dir.Path(), "audio", kThreeAudioTracks));
    ASSERT_EQ(device.Open(), std::nullopt);
    const std::optional<CdToc> toc = device.ReadToc();
    ASSERT_TRUE(toc.has_value());
    const CdToc expected{{{150, false}, {1150, false}, {3150, false}}, 6150};
    EXPECT_EQ(*toc, expected);
    EXPECT_EQ(device.ReadToc(), expected);  // read again from what the device keeps
}

TEST(LibcdioCdDevice, MarksDataTracks) {
    TempDir dir;
    LibcdioCdDevice device(
        WriteCueBinImage(dir.Path(), "mixed", {{true, 300}, {false, 750}, {false, 75}}));
    ASSERT_EQ(device.Open(), std::nullopt);
    const std::optional<CdToc> toc = device.ReadToc();
    ASSERT_TRUE(toc.has_value());
    const CdToc expected{{{150, true}, {450, false}, {1200, false}}, 1275};
    EXPECT_EQ(*toc, expected);
}

// An image has no audio output and no tray: it rests stopped where it was put.
TEST(LibcdioCdDevice, ImageRestsStoppedAndKeepsItsPosition) {
    TempDir dir;
    LibcdioCdDevice device(WriteCueBinImage(dir.Path(), "audio", kThreeAudioTracks));
    ASSERT_EQ(device.Open(), std::nullopt);
    EXPECT_TRUE(device.IsOpen());
    EXPECT_FALSE(device.Capabilities().canEject);
    EXPECT_EQ(device.Mode(), CdMode::Stopped);
    EXPECT_EQ(device.Position(), 150u);  // the start of the disc before any seek

    EXPECT_TRUE(device.Seek(6150));
    EXPECT_EQ(device.Position(), 6150u);

    EXPECT_FALSE(device.Play(150, 1150));  // no audio output to play through
    EXPECT_EQ(device.Mode(), CdMode::Stopped);
    EXPECT_FALSE(device.Pause());
    EXPECT_FALSE(device.Resume());
    EXPECT_TRUE(device.Stop());
    EXPECT_EQ(device.Position(), 6150u);
    EXPECT_FALSE(device.OpenDoor());
    EXPECT_FALSE(device.CloseDoor());

    device.Close();
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.Mode(), CdMode::NotReady);
    EXPECT_EQ(device.ReadToc(), std::nullopt);
    EXPECT_EQ(device.Position(), std::nullopt);
    // Opened again, it starts over at the start of the disc.
    ASSERT_EQ(device.Open(), std::nullopt);
    EXPECT_EQ(device.Position(), 150u);
}

TEST(LibcdioCdDevice, OpenFailsWithAMessage) {
    TempDir dir;
    LibcdioCdDevice missingImage(dir.File("none.cue"));
    const std::optional<std::string> imageError = missingImage.Open();
    ASSERT_TRUE(imageError.has_value());
    EXPECT_NE(imageError->find("none.cue"), std::string::npos);
    EXPECT_FALSE(missingImage.IsOpen());

    LibcdioCdDevice missingDrive(dir.File("sr9"));
    const std::optional<std::string> driveError = missingDrive.Open();
    ASSERT_TRUE(driveError.has_value());
    EXPECT_NE(driveError->find("sr9"), std::string::npos);

    // A file that is neither an image nor a drive.
    LibcdioCdDevice notADrive(dir.Write("sr8", "not a drive"));
    const std::optional<std::string> notError = notADrive.Open();
    ASSERT_TRUE(notError.has_value());
    EXPECT_FALSE(notADrive.IsOpen());
}

// Exclusive use, within the process and from another one.
TEST(LibcdioCdDevice, SecondOpenOfTheSameDiscFails) {
    TempDir dir;
    const std::string cue = WriteCueBinImage(dir.Path(), "audio", kThreeAudioTracks);
    LibcdioCdDevice first(cue);
    ASSERT_EQ(first.Open(), std::nullopt);

    LibcdioCdDevice second(cue);
    EXPECT_TRUE(second.Open().has_value());
    EXPECT_FALSE(second.IsOpen());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LibcdioCdDevice other(cue);
        _exit(other.Open().has_value() ? 7 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);

    first.Close();
    EXPECT_EQ(second.Open(), std::nullopt);
}

// A drive that answers as the test sets it and counts the commands it was given.
class ScriptedDrive : public CdDriveIo {
public:
    struct State {
        std::optional<std::string> openError;
        CdCapabilities capabilities{true};
        DriveStatus status = DriveStatus::DiscOk;
        bool mediaChanged = false;
        std::optional<CdToc> toc = CdToc{{{150, false}, {1150, false}, {3150, false}}, 6150};
        std::optional<Subchannel> subchannel = Subchannel{kAudioStatusNone, std::nullopt};
        std::vector<std::pair<std::uint32_t, std::uint32_t>> plays;
        int tocReads = 0, pauses = 0, resumes = 0, stops = 0, ejects = 0, trayCloses = 0;
        bool claimed = false;
    };

    explicit ScriptedDrive(State& state) : s_(state) {}

    std::optional<std::string> Open() override {
        s_.claimed = !s_.openError;
        return s_.openError;
    }
    void Close() override { s_.claimed = false; }
    CdCapabilities Capabilities() override { return s_.capabilities; }
    DriveStatus Status() override { return s_.status; }
    bool MediaChanged() override { return std::exchange(s_.mediaChanged, false); }
    std::optional<CdToc> ReadToc() override {
        ++s_.tocReads;
        return s_.toc;
    }
    std::optional<Subchannel> ReadSubchannel() override { return s_.subchannel; }
    bool Play(std::uint32_t from, std::uint32_t to) override {
        s_.plays.emplace_back(from, to);
        s_.subchannel = Subchannel{kAudioStatusPlaying, from};
        return true;
    }
    bool Pause() override { return ++s_.pauses, true; }
    bool Resume() override { return ++s_.resumes, true; }
    bool Stop() override { return ++s_.stops, true; }
    bool Eject() override { return ++s_.ejects, true; }
    bool CloseTray() override { return ++s_.trayCloses, true; }

private:
    State& s_;
};

class ScriptedDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(device_.Open(), std::nullopt); }
    void Report(std::uint8_t audioStatus, std::optional<std::uint32_t> position = std::nullopt) {
        drive_.subchannel = Subchannel{audioStatus, position};
    }

    ScriptedDrive::State drive_;
    LibcdioCdDevice device_{std::make_unique<ScriptedDrive>(drive_)};
};

// Play runs on the drive; the device follows it through the sub-channel and keeps where
// it ended, since the drive itself forgets.
TEST_F(ScriptedDeviceTest, PlayIsFollowedAndEndsAtItsEnd) {
    EXPECT_FALSE(device_.Play(1150, 1150));  // empty, backwards or off the disc
    EXPECT_FALSE(device_.Play(2000, 1000));
    EXPECT_FALSE(device_.Play(100, 1000));
    EXPECT_FALSE(device_.Play(150, 6151));
    ASSERT_TRUE(device_.Play(150, 1150));
    ASSERT_EQ(drive_.plays.size(), 1u);
    EXPECT_EQ(drive_.plays[0], std::make_pair(150u, 1150u));

    Report(kAudioStatusPlaying, 600);
    EXPECT_EQ(device_.Mode(), CdMode::Playing);
    EXPECT_EQ(device_.Position(), 600u);

    Report(kAudioStatusCompleted);
    EXPECT_EQ(device_.Mode(), CdMode::Stopped);
    Report(kAudioStatusNone);  // a drive says "completed" once only
    EXPECT_EQ(device_.Position(), 1150u);
    EXPECT_EQ(device_.Mode(), CdMode::Stopped);
}

TEST_F(ScriptedDeviceTest, PlayNearItsEndWithoutCompletedEndedThere) {
    ASSERT_TRUE(device_.Play(1150, 3150));
    Report(kAudioStatusPlaying, 3050);
    EXPECT_EQ(device_.Position(), 3050u);
    Report(kAudioStatusNone);
    EXPECT_EQ(device_.Position(), 3150u);

    // Far from its end, a play that vanished rests where it was last seen.
    ASSERT_TRUE(device_.Play(150, 6150));
    Report(kAudioStatusPlaying, 1000);
    EXPECT_EQ(device_.Position(), 1000u);
    Report(kAudioStatusError);
    EXPECT_EQ(device_.Mode(), CdMode::Stopped);
    EXPECT_EQ(device_.Position(), 1000u);
}

TEST_F(ScriptedDeviceTest, StopKeepsThePositionPlayReached) {
    ASSERT_TRUE(device_.Play(150, 6150));
    Report(kAudioStatusPlaying, 900);
    EXPECT_TRUE(device_.Stop());
    EXPECT_EQ(drive_.stops, 1);
    Report(kAudioStatusNone);
    EXPECT_EQ(device_.Mode(), CdMode::Stopped);
    EXPECT_EQ(device_.Position(), 900u);
}

// There is no seek on the drive: a seek ends play and sets where the next play starts.
TEST_F(ScriptedDeviceTest, SeekEndsPlayAndMovesThePosition) {
    EXPECT_EQ(device_.Position(), 150u);
    EXPECT_TRUE(device_.Seek(3150));
    EXPECT_EQ(drive_.stops, 0);  // nothing played, nothing to stop
    EXPECT_EQ(device_.Position(), 3150u);

    ASSERT_TRUE(device_.Play(150, 6150));
    Report(kAudioStatusPlaying, 900);
    EXPECT_TRUE(device_.Seek(2000));
    EXPECT_EQ(drive_.stops, 1);
    Report(kAudioStatusNone);
    EXPECT_EQ(device_.Position(), 2000u);
    EXPECT_EQ(device_.Mode(), CdMode::Stopped);

    EXPECT_FALSE(device_.Seek(6151));
    EXPECT_FALSE(device_.Seek(100));
    EXPECT_EQ(device_.Position(), 2000u);
}

TEST_F(ScriptedDeviceTest, PauseAndResumeOnlyFromTheirModes) {
    EXPECT_FALSE(device_.Pause());
    EXPECT_FALSE(device_.Resume());
    EXPECT_EQ(drive_.pauses + drive_.resumes, 0);

    ASSERT_TRUE(device_.Play(150, 6150));
    EXPECT_TRUE(device_.Pause());
    EXPECT_EQ(drive_.pauses, 1);
    Report(kAudioStatusPaused, 700);
    EXPECT_EQ(device_.Mode(), CdMode::Paused);
    EXPECT_EQ(device_.Position(), 700u);
    EXPECT_FALSE(device_.Pause());
    EXPECT_TRUE(device_.Resume());
    EXPECT_EQ(drive_.resumes, 1);
    Report(kAudioStatusPlaying, 710);
    EXPECT_FALSE(device_.Resume());
}

// The tray: an open tray or an empty drive is mode 6 whatever the sub-channel says, and
// the next disc's table is read afresh.
TEST_F(ScriptedDeviceTest, OpenTrayForgetsTheDisc) {
    ASSERT_TRUE(device_.ReadToc());
    ASSERT_TRUE(device_.Seek(3150));
    Report(kAudioStatusPlaying, 3200);
    drive_.status = DriveStatus::TrayOpen;
    EXPECT_EQ(device_.Mode(), CdMode::Open);
    EXPECT_EQ(device_.ReadToc(), std::nullopt);
    EXPECT_EQ(device_.Position(), std::nullopt);
    EXPECT_FALSE(device_.Play(150, 1150));
    drive_.status = DriveStatus::NoDisc;
    EXPECT_EQ(device_.Mode(), CdMode::Open);
    drive_.status = DriveStatus::NotReady;
    EXPECT_EQ(device_.Mode(), CdMode::NotReady);

    drive_.status = DriveStatus::DiscOk;
    drive_.toc = CdToc{{{150, false}, {20000, false}}, 40000};
    Report(kAudioStatusNone);
    EXPECT_EQ(device_.ReadToc(), drive_.toc);
    EXPECT_EQ(device_.Position(), 150u);  // a new disc starts at its start
}

TEST_F(ScriptedDeviceTest, TableIsReadOncePerMedium) {
    EXPECT_TRUE(device_.ReadToc());
    EXPECT_TRUE(device_.ReadToc());
    EXPECT_TRUE(device_.Position());
    EXPECT_EQ(drive_.tocReads, 1);
    drive_.mediaChanged = true;
    drive_.toc = CdToc{{{150, false}}, 9000};
    EXPECT_EQ(device_.ReadToc(), drive_.toc);
    EXPECT_EQ(drive_.tocReads, 2);
}

TEST_F(ScriptedDeviceTest, DoorCommandsFollowTheEjectCapability) {
    EXPECT_TRUE(device_.Capabilities().canEject);
    EXPECT_TRUE(device_.OpenDoor());
    EXPECT_EQ(drive_.ejects, 1);
    EXPECT_TRUE(device_.CloseDoor());
    EXPECT_EQ(drive_.trayCloses, 1);

    device_.Close();
    EXPECT_FALSE(drive_.claimed);
    drive_.capabilities.canEject = false;
    ASSERT_EQ(device_.Open(), std::nullopt);
    EXPECT_FALSE(device_.Capabilities().canEject);
    EXPECT_FALSE(device_.OpenDoor());
    EXPECT_EQ(drive_.ejects, 1);
}

TEST_F(ScriptedDeviceTest, NothingReachesTheDriveWhileClosed) {
    device_.Close();
    drive_.openError = "busy";
    EXPECT_EQ(device_.Open(), std::optional<std::string>("busy"));
    EXPECT_FALSE(device_.IsOpen());
    EXPECT_EQ(device_.Mode(), CdMode::NotReady);
    EXPECT_FALSE(device_.Play(150, 1150));
    EXPECT_FALSE(device_.Stop());
    EXPECT_FALSE(device_.Seek(150));
    EXPECT_FALSE(device_.OpenDoor());
    EXPECT_FALSE(device_.CloseDoor());
    EXPECT_TRUE(drive_.plays.empty());
    EXPECT_EQ(drive_.stops + drive_.ejects + drive_.trayCloses + drive_.tocReads, 0);
}

// The volume of a disc: its ISO 9660 volume if a data track holds one, else "Audio CD".
TEST(ReadDiscVolume, AudioDiscReportsAudioCdAndTheSumOfItsTrackStarts) {
    TempDir dir;
    const auto volume = ReadDiscVolume(WriteCueBinImage(dir.Path(), "audio", kThreeAudioTracks));
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->info.name, "Audio CD");
    // 00:02:00 + 00:15:25 + 00:42:00 weighted 65536, 256, 1.
    EXPECT_EQ(volume->info.serial, 512u + 3865u + 10752u);
    EXPECT_TRUE(volume->track01Cda);
}

TEST(ReadDiscVolume, TwoTrackDiscAddsItsLengthToTheStarts) {
    TempDir dir;
    // Lead-out at sector 22500, frame 22650: 05:02:00.
    const auto volume =
        ReadDiscVolume(WriteCueBinImage(dir.Path(), "two", {{false, 14105}, {false, 8395}}));
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->info.name, "Audio CD");
    EXPECT_EQ(volume->info.serial, 0x363E9u);
}

TEST(ReadDiscVolume, DataTrackWithIsoVolumeReportsItsLabel) {
    TempDir dir;
    const auto volume = ReadDiscVolume(WriteCueBinImage(dir.Path(), "mixed",
                                                        {{true, 300}, {false, 750}, {false, 75}},
                                                        test::PrimaryVolumeDescriptor("ABCD")));
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->info.name, "ABCD");
    EXPECT_EQ(volume->info.serial, 0x52966854u);
    EXPECT_FALSE(volume->track01Cda);
}

TEST(ReadDiscVolume, DataTrackWithoutVolumeFallsBackToItsAudio) {
    TempDir dir;
    const auto mixed = ReadDiscVolume(
        WriteCueBinImage(dir.Path(), "mixed", {{true, 300}, {false, 750}, {false, 75}}));
    ASSERT_TRUE(mixed.has_value());
    EXPECT_EQ(mixed->info.name, "Audio CD");
    EXPECT_FALSE(mixed->track01Cda);

    // Nothing readable at all: a data track without a volume.
    EXPECT_FALSE(ReadDiscVolume(WriteCueBinImage(dir.Path(), "data", {{true, 300}})));
}

TEST(ReadDiscVolume, NoDiscNoVolume) {
    TempDir dir;
    EXPECT_FALSE(ReadDiscVolume(dir.File("none.cue")));
    EXPECT_FALSE(ReadDiscVolume(dir.File("sr7")));
    EXPECT_FALSE(ReadDiscVolume(dir.Write("broken.cue", "FILE \"x.bin\" BINARY\n  TRACK 01")));
}

}  // namespace
}  // namespace lintel
