#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/LibcdioCdDevice.h"

namespace lintel {
namespace {

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
        // The CD-Text read runs on the device's own thread and waits for the test.
        std::shared_future<std::optional<CdText>> cdText;
        std::atomic<int> cdTextReads = 0;
    };

    explicit ScriptedDrive(State& state) : s_(state) {}

    Outcome Open() override {
        s_.claimed = !s_.openError;
        return s_.openError ? Outcome::Failure(*s_.openError) : Outcome();
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
    std::optional<CdText> ReadCdText() override {
        ++s_.cdTextReads;
        return s_.cdText.valid() ? s_.cdText.get() : std::nullopt;
    }
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

// A slow CD-Text read never holds up the caller: it answers pending meanwhile, then the
// titles, read once per disc; another disc is read again.
TEST_F(ScriptedDeviceTest, CdTextIsReadOncePerDiscWithoutWaiting) {
    std::promise<std::optional<CdText>> answer;
    drive_.cdText = answer.get_future().share();
    EXPECT_TRUE(device_.ReadCdText().pending);
    EXPECT_TRUE(device_.ReadCdText().pending);
    answer.set_value(CdText{"Album", "Band", {"One"}});
    CdTextRead read;
    for (int i = 0; i < 500 && (read = device_.ReadCdText()).pending; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_FALSE(read.pending);
    ASSERT_TRUE(read.text);
    EXPECT_EQ(read.text->title, "Album");
    EXPECT_EQ(device_.ReadCdText().text, read.text);
    EXPECT_EQ(drive_.cdTextReads, 1);

    drive_.mediaChanged = true;
    drive_.cdText = {};
    EXPECT_TRUE(device_.ReadCdText().pending);
    for (int i = 0; i < 500 && (read = device_.ReadCdText()).pending; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(read.pending);
    EXPECT_FALSE(read.text);
    EXPECT_EQ(drive_.cdTextReads, 2);

    drive_.status = DriveStatus::NoDisc;  // no disc, nothing to read
    EXPECT_FALSE(device_.ReadCdText().pending);
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

}  // namespace
}  // namespace lintel
