// Digital play of a disc image declared in drives.ini, heard through a real sound server:
// ALSA's default device is its pulse plugin, playing into PulseAudio's null sink, and what
// the sink played is recorded from its monitor: every byte a listener would have heard.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/CdTime.h"
#include "platform/CueBinImage.h"
#include "platform/DigitalPlayer.h"
#include "platform/Drives.h"
#include "platform/VirtualCdDevice.h"
#include "support/Require.h"
#include "support/ScopedEnv.h"
#include "support/SinkRecorder.h"
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
    // After the last sample the device is given silence until that sample was heard.
    const bool silenceAfter = heard.size() > expected.size() &&
                              heard.find_first_not_of('\0', expected.size()) == std::string::npos;
    if (heard.size() != expected.size() && !silenceAfter) {
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
    explicit ImageDrive(const std::string& alsaConfig,
                        std::function<std::unique_ptr<PcmSink>(std::string&)> openSink = {})
        : alsa_("ALSA_CONFIG_PATH", system_.Write("asound.conf", alsaConfig).c_str()) {
        test::WriteCueBinImage(system_.Path(), "disc", {{false, 100}, {false, 100}, {false, 100}});
        system_.Write("drives.ini", "[Drives]\nI=disc.cue\n");
        table_ = std::make_unique<TDriveTable>(system_.Path().string(), std::vector<std::string>{},
                                               clock_);
        if (openSink) {
            table_->SetSoundOutput(std::move(openSink));
        }
        std::string error;
        device_ = table_->DeviceFor("I:", error);
    }

    TDriveTable& Table() { return *table_; }
    CdAudioDevice& Device() { return *device_; }

    /// From now on, what the user is told of a missing sound device is kept for Told().
    void RecordNoSoundDevice() {
        table_->SetNoSoundDeviceReport([this](const std::string& message) {
            const std::lock_guard lock(toldMutex_);
            told_.push_back(message);
        });
    }
    /// What the user was told, with the recording ended.
    std::vector<std::string> Told() {
        table_->SetNoSoundDeviceReport(nullptr);
        const std::lock_guard lock(toldMutex_);
        return told_;
    }
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
    std::mutex toldMutex_;
    std::vector<std::string> told_;
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
        drive_.emplace("pcm.!default { type pulse device nul }\n");
        ASSERT_EQ(drive_->Device().Open(), std::nullopt);
        recorder_.emplace();
        LINTEL_REQUIRE(recorder_->Recording(), "parec");
    }
    /// What the sink played from its first sound on, once `expected` could have been
    /// heard; the sectors in which it differs from `expected`, empty when none does.
    std::string DifferingFromHeard(
        const std::string& expected,
        test::SinkRecorder::Pauses pauses = test::SinkRecorder::Pauses::Kept) {
        const std::string sound = test::SinkRecorder::FromFirstSound(expected);
        std::string heard = recorder_->Heard(sound.size(), 5s, pauses);
        heard.resize(std::min(heard.size(), sound.size()));
        return DifferingSectors(heard, sound);
    }

    static test::SoundServer* server_;
    std::optional<ImageDrive> drive_;
    std::optional<test::SinkRecorder> recorder_;
};

test::SoundServer* DigitalPlayTest::server_ = nullptr;

// Every play is heard from its first sample to its last: from the start of the disc, a
// track chosen from the menu (its start to the end of the disc), and a stretch started
// in the last half second, shorter than what the device holds.
TEST_F(DigitalPlayTest, EveryPlayIsHeardFromItsFirstSample) {
    const std::pair<std::uint32_t, std::uint32_t> plays[] = {
        {150, 150 + 40}, {150 + 200, 150 + 300}, {150 + 270, 150 + 300}};
    for (const auto& [from, to] : plays) {
        SCOPED_TRACE(from);
        recorder_.emplace();
        ASSERT_TRUE(drive_->Device().Play(from, to));
        ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 5s));
        EXPECT_EQ(drive_->Device().Position(), to);
        EXPECT_EQ(DifferingFromHeard(drive_->ImageBytes(from, to)), "");
    }
}

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
    EXPECT_EQ(DifferingFromHeard(drive_->ImageBytes(150 + 60, 150 + 140)), "");
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
    EXPECT_EQ(
        DifferingFromHeard(drive_->ImageBytes(150, 150 + 90), test::SinkRecorder::Pauses::Dropped),
        "");
}

// What the polling loop reads: the heard position moves with time, a seek while playing
// ends play where it points, and play from there ends at its range's end.
TEST_F(DigitalPlayTest, ModesAndPositionsFollowWhatIsHeard) {
    CdAudioDevice& device = drive_->Device();
    ASSERT_TRUE(device.Play(150 + 100, 150 + 300));
    // The heard position never runs back and moves at the pace of sound: 0.6 s is 45
    // frames, give or take what a busy machine's sound server lags behind.
    const auto started = std::chrono::steady_clock::now();
    while (device.Position().value_or(0) <= 250u &&
           std::chrono::steady_clock::now() - started < 1s) {
        std::this_thread::sleep_for(5ms);
    }
    const std::optional<std::uint32_t> first = device.Position();
    ASSERT_TRUE(first.has_value());
    EXPECT_GT(*first, 250u);
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

    std::this_thread::sleep_for(300ms);  // the first play's sound has left the server
    recorder_.emplace();
    ASSERT_TRUE(device.Play(150 + 270, 150 + 300));
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 3s));
    EXPECT_EQ(device.Position(), 150u + 300);
    EXPECT_EQ(DifferingFromHeard(drive_->ImageBytes(150 + 270, 150 + 300)), "");
}

// Sectors the image driver cannot read (the BIN file cut short while the disc is in) are
// silence, and play goes on to its end in its own time.
TEST_F(DigitalPlayTest, UnreadableSectorsPlayAsSilence) {
    CdAudioDevice& device = drive_->Device();
    ASSERT_TRUE(device.Play(150, 151));  // the player now holds the image open
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 2s));
    ASSERT_EQ(truncate(drive_->Folder().File("disc.bin").c_str(), 260 * kRawSectorSize), 0);

    std::this_thread::sleep_for(300ms);  // the first play's sound has left the server
    recorder_.emplace();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Play(150 + 230, 150 + 290));
    ASSERT_TRUE(drive_->WaitFor(CdMode::Stopped, 5s));
    EXPECT_GT(std::chrono::steady_clock::now() - start, 700ms);
    EXPECT_EQ(device.Position(), 150u + 290);
    // A drive that stalls on them may leave gaps of its own: the sound, all of it and
    // nothing else, is what was readable.
    EXPECT_EQ(DifferingFromHeard(drive_->ImageBytes(150 + 230, 150 + 260),
                                 test::SinkRecorder::Pauses::Dropped),
              "");
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
    drive.RecordNoSoundDevice();
    CdAudioDevice& device = drive.Device();
    ASSERT_EQ(device.Open(), std::nullopt);
    for (int round = 0; round < 2; ++round) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(device.Play(150 + 10, 150 + 55));
        std::this_thread::sleep_for(200ms);
        const std::uint32_t before = device.Position().value_or(0);
        SCOPED_TRACE(round);
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(device.Mode(), CdMode::Playing);
        EXPECT_NEAR(static_cast<double>(device.Position().value_or(0) - before), 22.5, 8);
        ASSERT_TRUE(drive.WaitFor(CdMode::Stopped, 3s));
        EXPECT_GT(std::chrono::steady_clock::now() - start, 550ms);
        EXPECT_EQ(device.Position(), 150u + 55);
    }
    const std::vector<std::string> told = drive.Told();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("ALSA"), std::string::npos) << told[0];
}

// The sound server quits while a disc plays: play goes on silently by the clock to the
// end of its range, the user is told once, and the mode is never stuck in Playing.
TEST(DigitalPlayDeviceLost, PlayGoesOnByTheClockAndTellsOnce) {
    test::SoundServer server;
    LINTEL_REQUIRE(server.Running(), "pulseaudio");
    ImageDrive drive("pcm.!default { type pulse device nul }\n");
    drive.RecordNoSoundDevice();
    CdAudioDevice& device = drive.Device();
    ASSERT_EQ(device.Open(), std::nullopt);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Play(150, 150 + 225));  // three seconds
    std::this_thread::sleep_for(800ms);
    server.Stop();
    std::uint32_t last = 0;
    while (device.Mode() == CdMode::Playing && std::chrono::steady_clock::now() - start < 8s) {
        const std::uint32_t at = device.Position().value_or(0);
        EXPECT_GE(at, last);
        last = at;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(device.Mode(), CdMode::Stopped);
    EXPECT_EQ(device.Position(), 150u + 225);
    EXPECT_GT(std::chrono::steady_clock::now() - start, 2900ms);
    EXPECT_EQ(drive.Told().size(), 1u);
}

// A plain ALSA device (the null plugin) is started for a stretch shorter than its
// buffer, and the stretch ends after its own time.
TEST(DigitalPlayPlainAlsa, AStretchShorterThanTheBufferPlays) {
    // The default device, noting whether it ever ran.
    class Watched final : public PcmSink {
    public:
        Watched(std::unique_ptr<PcmSink> sink, std::atomic<bool>& ran)
            : sink_(std::move(sink)), ran_(ran) {}
        long PeriodFrames() const override { return sink_->PeriodFrames(); }
        void Wait(int wake, std::chrono::milliseconds limit) override { sink_->Wait(wake, limit); }
        long Space() override { return sink_->Space(); }
        long Write(const std::uint8_t* samples, long frames) override {
            return sink_->Write(samples, frames);
        }
        bool Start() override {
            const bool started = sink_->Start();
            static_cast<void>(Started());
            return started;
        }
        bool Started() const override {
            const bool started = sink_->Started();
            ran_ = ran_ || started;
            return started;
        }
        long Delay() override { return sink_->Delay(); }
        bool Hold(bool on) override { return sink_->Hold(on); }
        unsigned Underruns() const override { return sink_->Underruns(); }
        std::string Lost() const override { return sink_->Lost(); }

    private:
        std::unique_ptr<PcmSink> sink_;
        std::atomic<bool>& ran_;
    };
    std::atomic<bool> ran{false};
    std::atomic<bool> opened{false};
    ImageDrive drive("pcm.!default { type null }\n", [&](std::string& error) {
        std::unique_ptr<PcmSink> sink = OpenDefaultPcm(error);
        opened = sink != nullptr;
        return sink ? std::make_unique<Watched>(std::move(sink), ran) : nullptr;
    });
    CdAudioDevice& device = drive.Device();
    ASSERT_EQ(device.Open(), std::nullopt);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device.Play(150 + 280, 150 + 300));  // 0.27 s
    ASSERT_TRUE(drive.WaitFor(CdMode::Stopped, 3s));
    EXPECT_GT(std::chrono::steady_clock::now() - start, 250ms);
    EXPECT_EQ(device.Position(), 150u + 300);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(ran);
}

// A tone as a source's sectors: a sine of `hertz` at a third of full scale, in both
// channels, on a track with or without pre-emphasis.
class ToneSource final : public SectorSource {
public:
    ToneSource(double hertz, bool preemphasis) : hertz_(hertz), preemphasis_(preemphasis) {}
    void Seek(std::uint32_t frame) override { sample_ = (frame - 150) * kSampleFramesPerSector; }
    bool Read(CdSector& sector) override {
        for (std::size_t at = 0; at < sector.size(); at += 4, ++sample_) {
            const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(
                std::lround(10000 * std::sin(2 * M_PI * hertz_ * sample_ / kCdSampleRate))));
            sector[at] = sector[at + 2] = static_cast<std::uint8_t>(value & 0xFF);
            sector[at + 1] = sector[at + 3] = static_cast<std::uint8_t>(value >> 8);
        }
        return true;
    }
    bool Preemphasis(std::uint32_t) const override { return preemphasis_; }

private:
    double hertz_;
    bool preemphasis_;
    std::uint64_t sample_ = 0;
};

// Root mean square level, in decibels of full scale, of the left channel of `sound`
// without its first and last tenth of a second.
double LevelDb(const std::string& sound) {
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t at = 4410 * 4; at + 4410 * 4 < sound.size(); at += 4, ++count) {
        const auto sample = static_cast<std::int16_t>(
            static_cast<std::uint8_t>(sound[at]) | static_cast<std::uint8_t>(sound[at + 1]) << 8);
        sum += static_cast<double>(sample) * sample;
    }
    return count == 0 ? -200 : 10 * std::log10(sum / count / 32768.0 / 32768.0);
}

// A track mastered with pre-emphasis is heard with the treble taken back: a 10 kHz tone
// about 7.6 dB lower than on a plain track, a 100 Hz tone as it was.
TEST_F(DigitalPlayTest, PreemphasisIsUndone) {
    const auto heard = [&](double hertz, bool preemphasis) {
        recorder_.emplace();
        DigitalPlayer player(
            [=](std::string&) { return std::make_unique<ToneSource>(hertz, preemphasis); }, {});
        player.Play(150, 150 + 60);
        return LevelDb(recorder_->Heard(50 * kCdSectorBytes, 3s));
    };
    EXPECT_NEAR(heard(10000, true) - heard(10000, false), -7.6, 0.4);
    EXPECT_NEAR(heard(100, true) - heard(100, false), 0, 0.1);
}

}  // namespace
}  // namespace lintel
