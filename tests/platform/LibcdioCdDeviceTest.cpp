#include "platform/LibcdioCdDevice.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/CueBinImage.h"
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

    EXPECT_TRUE(device.Seek(1150));
    EXPECT_EQ(device.Position(), 1150u);
    EXPECT_TRUE(device.Seek(6150));  // the very end is a place to rest too
    EXPECT_FALSE(device.Seek(6151));
    EXPECT_FALSE(device.Seek(149));
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

TEST(LibcdioCdDevice, PlayRejectsRangesOutsideTheDisc) {
    TempDir dir;
    LibcdioCdDevice device(WriteCueBinImage(dir.Path(), "audio", kThreeAudioTracks));
    EXPECT_FALSE(device.Play(150, 1150));  // not open
    ASSERT_EQ(device.Open(), std::nullopt);
    EXPECT_FALSE(device.Play(1150, 1150));
    EXPECT_FALSE(device.Play(2000, 1000));
    EXPECT_FALSE(device.Play(100, 1000));
    EXPECT_FALSE(device.Play(150, 6151));
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

TEST(ReadDiscVolume, TwoTrackDiscReportsItsLeadOut) {
    TempDir dir;
    // Lead-out at sector 22500, frame 22650: 05:02:00.
    const auto volume =
        ReadDiscVolume(WriteCueBinImage(dir.Path(), "two", {{false, 14105}, {false, 8395}}));
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->info.name, "Audio CD");
    EXPECT_EQ(volume->info.serial, 0x050200u);
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
