// Every sheet layout a ripper writes, declared in drives.ini and played by the real player
// through ALSA's default device into a private PulseAudio null sink: what the device was
// given (its file plugin, in front of the sink's pulse plugin, keeps every byte) is the
// disc's audio, byte for byte, paced by the sound server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "platform/CdTime.h"
#include "platform/Cp932.h"
#include "platform/CueBinImage.h"
#include "platform/DiscImage.h"
#include "platform/Drives.h"
#include "platform/ImageDrive.h"
#include "platform/VirtualCdDevice.h"
#include "support/Require.h"
#include "support/ScopedEnv.h"
#include "support/SoundServer.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using namespace std::chrono_literals;
using test::kRawSectorSize;

/// Sectors `first` up to `end` of a disc's audio, a sound that differs in every byte.
std::string Audio(std::uint32_t first, std::uint32_t end, std::uint32_t seed = 0) {
    std::string bytes;
    for (std::uint32_t s = first; s < end; ++s) {
        for (std::size_t b = 0; b < kRawSectorSize; ++b) {
            bytes += static_cast<char>(test::AudioByte(s + seed, b));
        }
    }
    return bytes;
}

std::string Swapped(std::string bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::swap(bytes[i], bytes[i + 1]);
    }
    return bytes;
}

std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

/// A WAVE file of `samples` at 44,100 Hz, 16 bits, stereo, with a tag chunk of odd length
/// ahead of the data, as rippers write one.
std::string Wave(const std::string& samples) {
    const std::string format = std::string("\x01\x00\x02\x00", 4) + Le32(44100) + Le32(44100 * 4) +
                               std::string("\x04\x00\x10\x00", 4);
    const std::string tags = "LIST" + Le32(5) + "INFOx" + '\0';
    const std::string body = "WAVE" + ("fmt " + Le32(16) + format) + tags + "data" +
                             Le32(static_cast<std::uint32_t>(samples.size())) + samples;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

class ImagePlayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new test::SoundServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override { LINTEL_REQUIRE(server_->Running(), "pulseaudio"); }

    /// Declares `sheet` (the text of sheet.cue in the system folder) as I: and opens it.
    void Declare(const std::string& sheet) {
        system_.Write("sheet.cue", sheet);
        system_.Write("drives.ini", "[Drives]\nI=sheet.cue\n");
        system_.Write("asound.conf",
                      "pcm.!default {\n type file\n slave.pcm { type pulse device nul }\n"
                      " file \"" +
                          system_.File("heard.raw") + "\"\n format raw\n}\n");
        table_ = std::make_unique<TDriveTable>(system_.Path().string(), std::vector<std::string>{},
                                               clock_);
        std::string error;
        device_ = table_->DeviceFor("I:", error);
        ASSERT_NE(device_, nullptr) << error;
        const std::optional<std::string> failure = device_->Open();
        ASSERT_EQ(failure, std::nullopt) << cp932::ToUtf8(*failure);
    }

    /// Plays from `from` up to `to` and returns what the sound device was given.
    std::string Play(std::uint32_t from, std::uint32_t to) {
        EXPECT_TRUE(device_->Play(from, to));
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (device_->Mode() == CdMode::Playing && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_EQ(device_->Mode(), CdMode::Stopped);
        EXPECT_EQ(device_->Position(), to);
        EXPECT_TRUE(device_->Stop());  // returns once the sound device is closed
        return test::ReadBytes(system_.File("heard.raw"));
    }

    /// Checks that `heard` is `audio`, naming the first sector that differs.
    static void ExpectHeard(const std::string& heard, const std::string& audio) {
        // After the last sample the device is given silence until that sample was heard.
        ASSERT_GE(heard.size(), audio.size());
        EXPECT_EQ(heard.find_first_not_of('\0', audio.size()), std::string::npos)
            << "sound after the end";
        for (std::size_t at = 0; at < std::min(heard.size(), audio.size()); at += kRawSectorSize) {
            if (heard.compare(at, kRawSectorSize, audio, at, kRawSectorSize) != 0) {
                ADD_FAILURE() << "sector " << at / kRawSectorSize << " of the play differs";
                return;
            }
        }
    }

    const test::TempDir& System() const { return system_; }
    CdAudioDevice& Device() { return *device_; }

    static test::SoundServer* server_;

private:
    test::TempDir system_;
    test::ScopedEnv alsa_{"ALSA_CONFIG_PATH", system_.File("asound.conf").c_str()};
    SteadyCdClock clock_;
    std::unique_ptr<TDriveTable> table_;
    std::unique_ptr<CdAudioDevice> device_;
};

test::SoundServer* ImagePlayTest::server_ = nullptr;

// The FILE line's name is the file played, not the one named after the sheet.
TEST_F(ImagePlayTest, PlaysTheFileTheSheetNamesBesideOneNamedAfterIt) {
    System().Write("my disc.bin", Audio(0, 150));
    System().Write("sheet.bin", Audio(0, 150, 5000));
    Declare(
        "FILE \"my disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n");
    EXPECT_EQ(Device().ReadToc(), (CdToc{{{150, false}, {225, false}}, 300}));
    ExpectHeard(Play(150 + 40, 150 + 110), Audio(40, 110));
}

// Three files, one a track, in code page 932 names that lie on the disk in UTF-8; track
// 2's gap ends the first file (INDEX 00 there, INDEX 01 at the start of the next), as a
// ripper writes a gap appended to the track before. Play runs across both files' ends.
TEST_F(ImagePlayTest, PlaysAThreeFileSheetAcrossItsFiles) {
    System().Write("01 序曲.bin", Audio(0, 60));
    System().Write("02 歌.bin", Audio(60, 120));
    System().Write("03 終.bin", Audio(120, 180));
    Declare(
        cp932::Literal("TITLE \"夜の歌\"\n"
                       "FILE \"01 序曲.bin\" BINARY\n"
                       "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                       "  TRACK 02 AUDIO\n    INDEX 00 00:00:50\n"
                       "FILE \"02 歌.bin\" BINARY\n    INDEX 01 00:00:00\n"
                       "FILE \"03 終.bin\" BINARY\n"
                       "  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n"));
    EXPECT_EQ(Device().ReadToc(), (CdToc{{{150, false}, {210, false}, {270, false}}, 330}));
    ExpectHeard(Play(150 + 30, 150 + 170), Audio(30, 170));
}

// A WAVE file plays from its samples, never its header; its last sector, cut short, is
// made whole with silence.
TEST_F(ImagePlayTest, PlaysAWaveFileFromItsSamples) {
    const std::string samples = Audio(0, 90).substr(0, 89 * kRawSectorSize + 1000);
    System().Write("disc.wav", Wave(samples));
    Declare(
        "FILE \"disc.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    INDEX 01 00:00:45\n");
    EXPECT_EQ(Device().ReadToc(), (CdToc{{{150, false}, {195, false}}, 240}));
    ExpectHeard(Play(150, 240), samples + std::string(kRawSectorSize - 1000, '\0'));
}

// A MOTOROLA file holds its samples big-endian: they are heard in the right order.
TEST_F(ImagePlayTest, PlaysAMotorolaFileByteSwapped) {
    System().Write("disc.bin", Swapped(Audio(0, 120)));
    Declare(
        "FILE \"disc.bin\" MOTOROLA\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    INDEX 01 00:00:60\n");
    ExpectHeard(Play(150 + 20, 150 + 100), Audio(20, 100));
}

// A byte-order mark, keywords in lower case, CR LF and an unquoted name.
TEST_F(ImagePlayTest, PlaysALowerCaseSheetWithAByteOrderMark) {
    System().Write("disc.bin", Audio(0, 120));
    Declare(
        "\xEF\xBB\xBFrem comment \"x\"\r\nfile disc.bin binary\r\n"
        "  track 01 audio\r\n    flags dcp\r\n    index 01 00:00:00\r\n"
        "  track 02 audio\r\n    index 01 00:01:00\r\n");
    EXPECT_EQ(Device().ReadToc(), (CdToc{{{150, false}, {225, false}}, 270}));
    ExpectHeard(Play(150 + 50, 150 + 120), Audio(50, 120));
}

// A sheet whose file is missing opens no drive, and says which sheet and which file; a
// file that goes once the drive is open stops its player with the file's name.
TEST(ImageSheet, MissingFileIsNamedWithItsSheet) {
    test::TempDir system;
    system.Write("sheet.cue",
                 "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    system.Write("drives.ini", "[Drives]\nI=sheet.cue\n");
    SteadyCdClock clock;
    TDriveTable table(system.Path().string(), std::vector<std::string>{}, clock);
    EXPECT_FALSE(table.GetVolumeInformation("I:\\"));
    std::string error;
    std::unique_ptr<CdAudioDevice> device = table.DeviceFor("I:", error);
    ASSERT_NE(device, nullptr);
    const std::optional<std::string> failure = device->Open();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(*failure, cp932::Literal("ディスクイメージ ") + system.File("sheet.cue") +
                            cp932::Literal(" のファイル ") + system.File("gone.bin") +
                            cp932::Literal(" が見つかりません。"));
    EXPECT_FALSE(device->IsOpen());

    system.Write("gone.bin", Audio(0, 10));
    ImageDriveParts image = MakeImageDrive(system.File("sheet.cue"));
    ASSERT_TRUE(image.drive->Open().Ok());
    std::filesystem::remove(system.File("gone.bin"));
    EXPECT_EQ(image.openSource(error), nullptr);
    EXPECT_EQ(error, cp932::Literal("ディスクイメージのファイル ") + system.File("gone.bin") +
                         cp932::Literal(" を読めません。"));
}

// The titles of the sheet are the drive's CD-Text; a FLAGS PRE track, its gap included,
// asks its reader for de-emphasis; the reader hands the file's sectors as they are.
TEST(ImageSheet, TitlesAndPreEmphasisReachTheDriveAndItsReader) {
    test::TempDir folder;
    folder.Write("disc.bin", Audio(0, 30));
    const std::string sheet =
        folder.Write("disc.cue",
                     "PERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"disc.bin\" BINARY\n"
                     "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                     "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    FLAGS PRE\n    INDEX 00 00:00:12\n"
                     "    INDEX 01 00:00:15\n"
                     "  TRACK 03 AUDIO\n    INDEX 01 00:00:25\n");
    ImageDriveParts image = MakeImageDrive(sheet);
    ASSERT_TRUE(image.drive->Open().Ok());
    const std::optional<CdText> text = image.drive->ReadCdText();
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->title, "Album");
    EXPECT_EQ(text->performer, "Band");
    EXPECT_EQ(text->trackTitles, (std::vector<std::string>{"", "Two", ""}));

    std::string error;
    const std::unique_ptr<SectorSource> source = image.openSource(error);
    ASSERT_NE(source, nullptr) << error;
    EXPECT_FALSE(source->Preemphasis(150 + 11));
    EXPECT_TRUE(source->Preemphasis(150 + 12));  // its gap, INDEX 00, is the track's own
    EXPECT_TRUE(source->Preemphasis(150 + 24));
    EXPECT_FALSE(source->Preemphasis(150 + 25));
    CdSector sector{};
    source->Seek(150 + 20);
    EXPECT_TRUE(source->Read(sector));
    EXPECT_EQ(std::string(sector.begin(), sector.end()), Audio(20, 21));
    source->Seek(150 + 30);  // the lead-out
    EXPECT_FALSE(source->Read(sector));

    image.drive->Close();
    EXPECT_FALSE(image.drive->ReadCdText());
    EXPECT_EQ(image.openSource(error), nullptr);
}

// A cooked ISO 9660 file (2,048-byte sectors) as the data track names the disc, as the
// volume of a real mixed disc does.
TEST(ImageSheet, DataTrackInAnIsoFileNamesTheDisc) {
    test::TempDir folder;
    const std::vector<unsigned char> pvd = test::PrimaryVolumeDescriptor("GAME_DISC");
    folder.Write("data.iso", std::string(16 * 2048, '\0') + std::string(pvd.begin(), pvd.end()) +
                                 std::string(100 * 2048, '\0'));
    folder.Write("audio.bin", Audio(0, 75));
    const DiscImageResult loaded = LoadDiscImage(
        folder.Write("disc.cue",
                     "FILE data.iso BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
                     "FILE audio.bin BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"));
    ASSERT_NE(loaded.image, nullptr) << cp932::ToUtf8(loaded.error);
    EXPECT_EQ(loaded.image->toc, (CdToc{{{150, true}, {267, false}}, 342}));
    const std::optional<DiscVolume> volume = DiscImageVolume(*loaded.image);
    ASSERT_TRUE(volume.has_value());
    EXPECT_EQ(volume->info.name, "GAME_DISC");
    EXPECT_EQ(volume->info.serial, IsoVolumeSerial(pvd));
    EXPECT_FALSE(volume->track01Cda);
}

}  // namespace
}  // namespace lintel
