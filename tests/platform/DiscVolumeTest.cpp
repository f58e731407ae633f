#include <gtest/gtest.h>

#include "platform/CueBinImage.h"
#include "platform/DiscVolume.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::kThreeAudioTracks;
using test::TempDir;
using test::WriteCueBinImage;

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
