// Digital play of a disc image declared in drives.ini, heard through a real sound server:
// ALSA's default device is its file plugin in front of PulseAudio's null sink, so play is
// paced as on a sound card and the file holds every byte the device was given.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/CdTime.h"
#include "platform/CueBinImage.h"
#include "platform/Drives.h"
#include "platform/VirtualCdDevice.h"
#include "support/Require.h"
#include "support/ScopedEnv.h"
#include "support/SoundServer.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using namespace std::chrono_literals;
using test::kRawSectorSize;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The sectors in which `heard` differs from `expected`, as "12 14(silent)"; empty when
// they are the same. A byte-swap, a doubled or a missing stretch all show here.
std::string DifferingSectors(const std::string& heard, const std::string& expected) {
    std::string differing;
    if (heard.size() != expected.size()) {
        differing = "size " + std::to_string(heard.size()) + " for " +
                    std::to_string(expected.size()) + ":";
    }
    const std::size_t sectors = std::min(heard.size(), expected.size()) / kRawSectorSize;
    for (std::size_t i = 0; i < sectors; ++i) {
        const std::string_view a =
            std::string_view(heard).substr(i * kRawSectorSize, kRawSectorSize);
        if (a != std::string_view(expected).substr(i * kRawSectorSize, kRawSectorSize)) {
            const bool silent = a.find_first_not_of('\0') == std::string_view::npos;
            differing += " " + std::to_string(i) + (silent ? "(silent)" : "");
        }
    }
    return differing;
}

// A disc image of three tracks of 100 sectors (1.33 s each) in I:, and its device.
class ImageDrive {
public:
    explicit ImageDrive(const std::string& alsaConfig)
        : alsa_("ALSA_CONFIG_PATH", system_.Write("asound.conf", alsaConfig).c_str()) {
        test::WriteCueBinImage(system_.Path(), "disc", {{false, 100}, {false, 100}, {false, 100}});
        system_.Write("drives.ini", "[Drives]\nI=disc.cue\n");
        table_ = std::make_unique<TDriveTable>(system_.Path().string(), std::vector<std::string>{},
                                               clock_);
        std::string error;
        device_ = table_->DeviceFor("I:", error);
    }

    TDriveTable& Table() { return *table_; }
    CdAudioDevice& Device() { return *device_; }
    const test::TempDir& Folder() const { return system_; }

    /// The bytes the image holds from frame `from` up to `to`.
    std::string ImageBytes(std::uint32_t from, std::uint32_t to) const {
        return ReadBytes(system_.File("disc.bin"))
            .substr((from - kLeadInFrames) * kRawSectorSize, (to - from) * kRawSectorSize);
    }
    /// Waits until the device reports `mode`, at most `limit`.
    bool WaitFor(CdMode mode, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (device_->Mode() != mode) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

private:
    test::TempDir system_;
    test::ScopedEnv alsa_;
    SteadyCdClock clock_;
    std::unique_ptr<TDriveTable> table_;
    std::unique_ptr<CdAudioDevice> device_;
};

class DigitalPlayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new test::SoundServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        LINTEL_REQUIRE(server_->Running(), "pulseaudio");
        drive_.emplace(
            "pcm.!default {\n"
            "    type file\n"
            "    slave.pcm { type pulse device nul }\n"
            "    file \"" +
            folder_.File("heard.raw") +
            "\"\n"
            "    format raw\n"
            "}\n");
        ASSERT_EQ(drive_->Device().Open(), std::nullopt);
    }
    /// What the device was given in the last stretch of play, once it is closed.
    std::string Heard() {
        EXPECT_TRUE(drive_->Device().Stop());  // returns once the device is closed
        return ReadBytes(folder_.File("heard.raw"));
    }

    static test::SoundServer* server_;
    test::TempDir folder_;
    std::optional<ImageDrive> drive_;
};

test::SoundServer* DigitalPlayTest::server_ = nullptr;

// From the middle of track 1 into track 2: every byte, in the disc's order.
TEST_F(DigitalPlayTest, PlaysAcrossATrackBoundaryByteForByte) {
    CdAudioDevice& device = drive_->Device();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Play(150 + 60, 150 + 140));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);  // returns at once
    EXPECT_EQ(device.Mode(), CdMode::Playing);
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 5s));
    // Paced in real time: 80 sectors are 1.07 s.
    EXPECT_GT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(device.Position(), 150u + 140);
    EXPECT_EQ(DifferingSectors(Heard(), drive_->ImageBytes(150 + 60, 150 + 140)), "");
}

// Pause holds the position; resume goes on from there: nothing missing, nothing doubled.
TEST_F(DigitalPlayTest, PauseAndResumeLoseAndRepeatNothing) {
    CdAudioDevice& device = drive_->Device();
    ASSERT_TRUE(device.Play(150, 150 + 90));
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(device.Pause());
    EXPECT_EQ(device.Mode(), CdMode::Paused);
    const std::optional<std::uint32_t> held = device.Position();
    ASSERT_TRUE(held.has_value());
    // Something was heard, and no more than half a second of it.
    EXPECT_GT(*held, 150u);
    EXPECT_LE(*held, 150u + 38);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(device.Mode(), CdMode::Paused);
    EXPECT_EQ(device.Position(), held);
    ASSERT_TRUE(device.Resume());
    EXPECT_EQ(device.Mode(), CdMode::Playing);
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 5s));
    EXPECT_EQ(device.Position(), 150u + 90);
    EXPECT_EQ(DifferingSectors(Heard(), drive_->ImageBytes(150, 150 + 90)), "");
}

// What the polling loop reads: the heard position moves with time, a seek while playing
// ends play where it points, and play from there ends at its range's end.
TEST_F(DigitalPlayTest, ModesAndPositionsFollowWhatIsHeard) {
    CdAudioDevice& device = drive_->Device();
    ASSERT_TRUE(device.Play(150 + 100, 150 + 300));
    // The heard position never runs back and moves at the pace of sound: 0.6 s is 45
    // frames, give or take what a busy machine's sound server lags behind.
    std::this_thread::sleep_for(100ms);
    const std::optional<std::uint32_t> first = device.Position();
    ASSERT_TRUE(first.has_value());
    EXPECT_GE(*first, 250u);
    std::uint32_t last = *first;
    for (int i = 0; i < 6; ++i) {
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(device.Mode(), CdMode::Playing);
        const std::uint32_t at = device.Position().value_or(0);
        EXPECT_GE(at, last);
        last = at;
    }
    EXPECT_NEAR(static_cast<double>(last - *first), 45, 15);
    ASSERT_TRUE(device.Seek(150 + 270));
    EXPECT_EQ(device.Mode(), CdMode::Stopped);
    EXPECT_EQ(device.Position(), 150u + 270);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(device.Position(), 150u + 270);

    ASSERT_TRUE(device.Play(150 + 270, 150 + 300));
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 3s));
    EXPECT_EQ(device.Position(), 150u + 300);
    EXPECT_EQ(DifferingSectors(Heard(), drive_->ImageBytes(150 + 270, 150 + 300)), "");
}

// Sectors the image driver cannot read (the BIN file cut short while the disc is in) are
// silence, and play goes on to its end in its own time.
TEST_F(DigitalPlayTest, UnreadableSectorsPlayAsSilence) {
    CdAudioDevice& device = drive_->Device();
    ASSERT_TRUE(device.Play(150, 151));  // the player now holds the image open
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 2s));
    ASSERT_EQ(truncate(drive_->Folder().File("disc.bin").c_str(), 260 * kRawSectorSize), 0);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Play(150 + 230, 150 + 290));
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 5s));
    EXPECT_GT(std::chrono::steady_clock::now() - start, 700ms);
    EXPECT_EQ(device.Position(), 150u + 290);
    const std::string silence(30 * kRawSectorSize, '\0');
    EXPECT_EQ(DifferingSectors(Heard(), drive_->ImageBytes(150 + 230, 150 + 260) + silence), "");
}

// A device that takes every sample at once and holds none (ALSA's file plugin in front of
// its null device): the position still moves at the pace of sound, play ends after the
// stretch's own length, and the device got every byte.
TEST(DigitalPlayUnpaced, ThePositionKeepsThePaceOfSound) {
    test::TempDir folder;
    ImageDrive drive("pcm.!default {\n type file\n slave.pcm { type null }\n file \"" +
                     folder.File("heard.raw") + "\"\n format raw\n}\n");
    CdAudioDevice& device = drive.Device();
    ASSERT_EQ(device.Open(), std::nullopt);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Play(150 + 10, 150 + 85));  // one second
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(device.Mode(), CdMode::Playing);
    EXPECT_NEAR(static_cast<double>(device.Position().value_or(0)) - (150 + 10), 30, 10);
    ASSERT_TRUE(drive.WaitFor(CdMode::Stopped, 3s));
    EXPECT_GT(std::chrono::steady_clock::now() - start, 950ms);
    EXPECT_EQ(device.Position(), 150u + 85);
    EXPECT_TRUE(device.Stop());  // returns once the device is closed
    EXPECT_EQ(
        DifferingSectors(ReadBytes(folder.File("heard.raw")), drive.ImageBytes(150 + 10, 150 + 85)),
        "");
}

// No sound device: play runs by the clock, silently, and the user is told once.
TEST(DigitalPlayWithoutSound, PlaysSilentlyByTheClockAndTellsOnce) {
    ImageDrive drive("# no default device\n");
    std::mutex mutex;
    std::vector<std::string> told;
    drive.Table().SetNoSoundDeviceReport([&](const std::string& message) {
        const std::lock_guard lock(mutex);
        told.push_back(message);
    });
    CdAudioDevice& device = drive.Device();
    ASSERT_EQ(device.Open(), std::nullopt);
    for (int round = 0; round < 2; ++round) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(device.Play(150 + 10, 150 + 55));
        std::this_thread::sleep_for(200ms);
        const std::uint32_t before = device.Position().value_or(0);
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(device.Mode(), CdMode::Playing);
        EXPECT_NEAR(static_cast<double>(device.Position().value_or(0) - before), 22.5, 8);
        ASSERT_TRUE(drive.WaitFor(CdMode::Stopped, 3s));
        EXPECT_GT(std::chrono::steady_clock::now() - start, 550ms);
        EXPECT_EQ(device.Position(), 150u + 55);
    }
    drive.Table().SetNoSoundDeviceReport(nullptr);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("ALSA"), std::string::npos) << told[0];
}

}  // namespace
}  // namespace lintel
