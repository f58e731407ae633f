// A digital drive whose disc misbehaves: the real DigitalDrive, player and CD device over
// a fake drive that refuses to eject while another handle on its disc is open and whose
// status waits behind a read in progress, as the kernel's does, and a fake source whose
// reads can be held for as long as a test likes. Sound goes to the silent sink.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/CddaReader.h"
#include "platform/Cp932.h"
#include "platform/CueBinImage.h"
#include "platform/DigitalDrive.h"
#include "platform/LibcdioCdDevice.h"
#include "support/TempDir.h"

namespace lintel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What the drive and its sources share: the open handles, the one command the drive
// carries out at a time, and a gate that holds reads while it is shut.
struct Disc {
    std::mutex io;  // held through a read, as the drive's command queue is
    std::mutex mutex;
    std::condition_variable changed;
    bool gateOpen = true;
    int handles = 0;
    int opens = 0;
    std::vector<std::uint32_t> reads;
    const CdToc toc{{{150, false}, {150 + 100, false}}, 150 + 200};

    void SetGate(bool open) {
        const std::lock_guard lock(mutex);
        gateOpen = open;
        changed.notify_all();
    }
    /// Waits until `done` holds, at most `limit`.
    template <typename Done>
    bool WaitUntil(Done done, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, done);
    }
};

class FakeSource final : public SectorSource {
public:
    explicit FakeSource(std::shared_ptr<Disc> disc) : disc_(std::move(disc)) {
        const std::lock_guard lock(disc_->mutex);
        ++disc_->handles;
    }
    ~FakeSource() override {
        const std::lock_guard lock(disc_->mutex);
        --disc_->handles;
        disc_->changed.notify_all();
    }
    void Seek(std::uint32_t frame) override { next_ = frame; }
    bool Read(CdSector& sector) override {
        const std::lock_guard io(disc_->io);
        std::unique_lock lock(disc_->mutex);
        disc_->reads.push_back(next_++);
        disc_->changed.notify_all();
        disc_->changed.wait(lock, [&] { return disc_->gateOpen; });
        sector.fill(1);
        return true;
    }
    bool Preemphasis(std::uint32_t) const override { return false; }

private:
    std::shared_ptr<Disc> disc_;
    std::uint32_t next_ = 0;
};

class FakeDrive final : public CdDriveIo {
public:
    explicit FakeDrive(std::shared_ptr<Disc> disc) : disc_(std::move(disc)) {}
    Outcome Open() override { return {}; }
    void Close() override {}
    CdCapabilities Capabilities() override { return {true}; }
    DriveStatus Status() override {
        const std::lock_guard io(disc_->io);
        return DriveStatus::DiscOk;
    }
    bool MediaChanged() override {
        const std::lock_guard io(disc_->io);
        return false;
    }
    std::optional<CdToc> ReadToc() override { return disc_->toc; }
    std::optional<Subchannel> ReadSubchannel() override { return std::nullopt; }
    bool Play(std::uint32_t, std::uint32_t) override { return false; }
    bool Pause() override { return false; }
    bool Resume() override { return false; }
    bool Stop() override { return true; }
    // The kernel ejects only for the sole opener.
    bool Eject() override {
        const std::lock_guard lock(disc_->mutex);
        return disc_->handles == 0;
    }
    bool CloseTray() override { return true; }

private:
    std::shared_ptr<Disc> disc_;
};

class DigitalDriveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(device_->Open(), std::nullopt); }
    void TearDown() override {
        disc_->SetGate(true);  // a read still held ends, and its thread with it
        device_.reset();
        EXPECT_TRUE(disc_->WaitUntil([&] { return disc_->handles == 0; }));
    }
    /// Opens a fake source, or fails with `error_` once `failing_` is set.
    SectorSourceOpener Opener() {
        return [disc = disc_, this](std::string& error) -> std::unique_ptr<SectorSource> {
            {
                const std::lock_guard lock(disc->mutex);
                ++disc->opens;
            }
            if (failing_) {
                error = "unreadable";
                return nullptr;
            }
            return std::make_unique<FakeSource>(disc);
        };
    }
    DigitalAudio Audio() {
        DigitalAudio audio;
        audio.openSink = [](std::string&) { return MakeSilentPcm(); };
        audio.cannotRead = [this](const std::string& message) {
            const std::lock_guard lock(disc_->mutex);
            told_.push_back(message);
        };
        return audio;
    }
    bool WaitForMode(CdMode mode, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (device_->Mode() != mode) {
            if (Clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    std::shared_ptr<Disc> disc_ = std::make_shared<Disc>();
    std::atomic<bool> failing_{false};
    std::vector<std::string> told_;
    std::unique_ptr<CdAudioDevice> device_ = std::make_unique<LibcdioCdDevice>(
        std::make_unique<DigitalDrive>(std::make_unique<FakeDrive>(disc_), Opener(), Audio()));
};

// The reader's own handle on the disc is closed before the tray opens.
TEST_F(DigitalDriveTest, EjectSucceedsAfterPlay) {
    ASSERT_TRUE(device_->Play(150, 150 + 20));
    ASSERT_TRUE(disc_->WaitUntil([&] { return disc_->reads.size() >= 20; }));
    EXPECT_TRUE(device_->OpenDoor());
    ASSERT_TRUE(device_->Play(150 + 180, 150 + 200));
    ASSERT_TRUE(WaitForMode(CdMode::Stopped, 3s));
    EXPECT_TRUE(device_->OpenDoor());
}

// A read that never returns holds neither a tick, nor stop, eject or closing: each comes
// back within its bound, and the stuck thread finishes by itself once the read does.
TEST_F(DigitalDriveTest, AStuckReadHoldsNoCommand) {
    disc_->SetGate(false);
    ASSERT_TRUE(device_->Play(150, 150 + 200));
    ASSERT_TRUE(disc_->WaitUntil([&] { return !disc_->reads.empty(); }));

    auto start = Clock::now();
    EXPECT_EQ(device_->Mode(), CdMode::Playing);
    EXPECT_EQ(device_->Position(), 150u);
    EXPECT_LT(Clock::now() - start, 100ms) << "a tick waited on the drive";

    start = Clock::now();
    ASSERT_TRUE(device_->Stop());
    static_cast<void>(device_->OpenDoor());  // refused: the read still holds the disc
    const auto again = Clock::now();
    static_cast<void>(device_->OpenDoor());
    EXPECT_LT(Clock::now() - again, 100ms) << "waited twice for the same read";
    device_->Close();
    device_.reset();
    EXPECT_LT(Clock::now() - start, 2500ms);
}

// Play up to the end of the disc reads its last sector and never the lead-out.
TEST_F(DigitalDriveTest, NoReadAtTheLeadOut) {
    ASSERT_TRUE(device_->Play(150 + 170, 150 + 200));
    ASSERT_TRUE(WaitForMode(CdMode::Stopped, 3s));
    EXPECT_EQ(device_->Position(), 150u + 200);
    const std::lock_guard lock(disc_->mutex);
    ASSERT_FALSE(disc_->reads.empty());
    EXPECT_EQ(*std::max_element(disc_->reads.begin(), disc_->reads.end()), 150u + 199);
}

// A source that cannot be opened is tried a few times, a while apart; then play stops and
// the user is told once, however often play is asked for again.
TEST_F(DigitalDriveTest, AnUnreadableSourceStopsPlayAndIsToldOnce) {
    failing_ = true;
    const auto start = Clock::now();
    ASSERT_TRUE(device_->Play(150, 150 + 200));
    ASSERT_TRUE(WaitForMode(CdMode::Stopped, 3s));
    EXPECT_GT(Clock::now() - start, 500ms);
    ASSERT_TRUE(device_->Play(150, 150 + 200));
    ASSERT_TRUE(WaitForMode(CdMode::Stopped, 3s));
    const std::lock_guard lock(disc_->mutex);
    EXPECT_EQ(disc_->opens, 6);
    EXPECT_EQ(told_, std::vector<std::string>{"unreadable"});
}

// The messages name the image file, or the drive by its letter and device.
TEST(CddaReaderOpener, NamesWhatItCannotRead) {
    std::string error;
    EXPECT_EQ(CddaReaderOpener("/nowhere/disc.cue")(error), nullptr);
    EXPECT_EQ(error, cp932::Literal("ディスクイメージのファイル /nowhere/disc.cue を読めません。"));
    EXPECT_EQ(CddaReaderOpener("/nowhere/sr7", "E:")(error), nullptr);
    EXPECT_EQ(error, cp932::Literal("ドライブ E: (/nowhere/sr7) を読めません。"));
}

// A track's pre-emphasis comes from the table of contents: FLAGS PRE in a sheet.
TEST(CddaReader, TakesPreemphasisFromTheTableOfContents) {
    test::TempDir folder;
    const std::string cue =
        test::WriteCueBinImage(folder.Path(), "disc", {{false, 100}, {false, 100}});
    std::string sheet = test::ReadBytes(cue);
    const std::string track2 = "  TRACK 02 AUDIO\n";
    sheet.insert(sheet.find(track2) + track2.size(), "    FLAGS PRE\n");
    folder.Write("disc.cue", sheet);
    const std::unique_ptr<CddaReader> reader = CddaReader::Open(cue);
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(reader->Preemphasis(150 + 99));
    EXPECT_TRUE(reader->Preemphasis(150 + 100));
    EXPECT_TRUE(reader->Preemphasis(150 + 199));
}

}  // namespace
}  // namespace lintel
