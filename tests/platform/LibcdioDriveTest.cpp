// The libcdio drive on disc images, alone and through the device the program puts over it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/CueBinImage.h"
#include "platform/LibcdioCdDevice.h"
#include "platform/LibcdioDrive.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::kThreeAudioTracks;
using test::TempDir;
using test::WriteCueBinImage;

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

// The drive alone: an image is a disc that is always in, with no tray and no audio output.
TEST(LibcdioDrive, ImageAnswersAsADiscWithoutTrayOrAudio) {
    TempDir dir;
    const std::unique_ptr<CdDriveIo> drive =
        MakeLibcdioDrive(WriteCueBinImage(dir.Path(), "audio", kThreeAudioTracks));
    const Outcome opened = drive->Open();
    ASSERT_TRUE(opened.Ok()) << opened.Error();
    EXPECT_FALSE(drive->Capabilities().canEject);
    EXPECT_EQ(drive->Status(), DriveStatus::DiscOk);
    EXPECT_FALSE(drive->MediaChanged());
    const CdToc expected{{{150, false}, {1150, false}, {3150, false}}, 6150};
    EXPECT_EQ(drive->ReadToc(), expected);
    EXPECT_FALSE(drive->Play(150, 1150));
    EXPECT_TRUE(drive->Stop());
    EXPECT_FALSE(drive->Eject());
    EXPECT_FALSE(drive->CloseTray());
    drive->Close();
    EXPECT_EQ(drive->ReadToc(), std::nullopt);  // closed: no handle on the image
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

}  // namespace
}  // namespace lintel
