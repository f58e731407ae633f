// Disc images read by our own sheet parser against libcdio's image driver, which read them
// before: for every sheet libcdio read correctly, the table of contents and the volume (so
// the disc identity a user's titles are stored under) must come out the same.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/CueBinImage.h"
#include "platform/DiscImage.h"
#include "platform/DiscVolume.h"
#include "platform/LibcdioAccess.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using test::TempDir;
using test::WriteCueBinImage;

void ExpectSameAsLibcdio(const std::string& cue) {
    SCOPED_TRACE(cue);
    const CdioHandle cdio = OpenCdio(cue);
    ASSERT_NE(cdio, nullptr);
    const std::optional<CdToc> before = TocOf(cdio.get());
    ASSERT_TRUE(before.has_value());

    const DiscImageResult loaded = LoadDiscImage(cue);
    ASSERT_NE(loaded.image, nullptr) << loaded.error;
    EXPECT_EQ(loaded.image->toc, *before);

    const std::optional<DiscVolume> volume = ReadDiscVolume(cue);
    const std::optional<DiscVolume> ours = DiscImageVolume(*loaded.image);
    ASSERT_EQ(ours.has_value(), volume.has_value());
    if (volume) {
        EXPECT_EQ(ours->info.name, volume->info.name);
        EXPECT_EQ(ours->info.serial, volume->info.serial);
        EXPECT_EQ(ours->track01Cda, volume->track01Cda);
    }
}

// The images the tests of the drive, the volumes, the table and the benchmarks write.
TEST(ImageIdentity, GeneratedImagesKeepTheirTableAndVolume) {
    TempDir dir;
    ExpectSameAsLibcdio(WriteCueBinImage(dir.Path(), "three", test::kThreeAudioTracks));
    ExpectSameAsLibcdio(WriteCueBinImage(dir.Path(), "two", {{false, 14105}, {false, 8395}}));
    ExpectSameAsLibcdio(WriteCueBinImage(dir.Path(), "one", {{false, 120 * 75}}));
    ExpectSameAsLibcdio(
        WriteCueBinImage(dir.Path(), "short", {{false, 100}, {false, 100}, {false, 100}}));
    ExpectSameAsLibcdio(WriteCueBinImage(dir.Path(), "mixed",
                                         {{true, 300}, {false, 750}, {false, 75}},
                                         test::PrimaryVolumeDescriptor("ABCD")));
    ExpectSameAsLibcdio(
        WriteCueBinImage(dir.Path(), "bare", {{false, 750}, {true, 300}, {false, 75}}));
    ExpectSameAsLibcdio(WriteCueBinImage(dir.Path(), "enhanced", {{false, 750}, {true, 300}},
                                         test::PrimaryVolumeDescriptor("EXTRA")));
}

// Sheets as people keep them: the end-to-end tests' image, a twelve-track album with a
// catalogue, titles and index marks, a hidden first track in the file, and more. (A
// PREGAP is the one thing libcdio read wrongly: it left out the silence, so the tracks
// after it started early; it is not compared.)
TEST(ImageIdentity, HandWrittenSheetsKeepTheirTable) {
    TempDir dir;
    const auto image = [&](const std::string& name, std::uint32_t sectors,
                           const std::string& sheet) {
        std::ofstream(dir.File(name + ".bin"), std::ios::binary)
            << std::string(sectors * test::kRawSectorSize, '\x11');
        return dir.Write(name + ".cue", sheet);
    };
    ExpectSameAsLibcdio(image("e2e", 375,
                              "FILE \"e2e.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n"));
    std::string album =
        "REM GENRE Rock\r\nCATALOG 0123456789012\r\nPERFORMER \"Band\"\r\nTITLE \"Album\"\r\n"
        "FILE \"album.bin\" BINARY\r\n";
    for (int t = 1; t <= 12; ++t) {
        char track[160];
        const int at = (t - 1) * 1234 + (t > 1 ? 7 : 0);
        std::snprintf(track, sizeof track,
                      "  TRACK %02d AUDIO\r\n    TITLE \"Song %d\"\r\n    ISRC ABCDE1234567\r\n"
                      "    INDEX 01 %02d:%02d:%02d\r\n",
                      t, t, at / 4500, at / 75 % 60, at % 75);
        album += track;
    }
    ExpectSameAsLibcdio(image("album", 12 * 1234 + 300, album));
    ExpectSameAsLibcdio(image("hidden", 900,
                              "FILE \"hidden.bin\" BINARY\n  TRACK 01 AUDIO\n"
                              "    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n"
                              "  TRACK 02 AUDIO\n    INDEX 00 00:05:00\n    INDEX 01 00:06:00\n"));
    // Track 1 late in its file; a file that ends in part of a sector.
    ExpectSameAsLibcdio(image("late", 900,
                              "FILE late.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:02:00\n"
                              "  TRACK 02 AUDIO\n    INDEX 01 00:06:00\n"));
    std::ofstream(dir.File("odd.bin"), std::ios::binary) << std::string(900 * 2352 + 1000, 'x');
    ExpectSameAsLibcdio(
        dir.Write("odd.cue",
                  "FILE \"odd.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                  "  TRACK 02 AUDIO\n    INDEX 01 00:06:00\n"));
}

}  // namespace
}  // namespace lintel
