// The transport commands and the polling tick, played on a virtual disc tick by tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "PlayerFixture.h"

namespace lintel {
namespace {

using test::PlayerFixture;
using test::TenSecondTracks;

using TransportTest = PlayerFixture;

// ---- play, stop, next and previous

TEST_F(TransportTest, StopNextNextPlayPlaysTrackThreeFromItsStart) {
    Start(TenSecondTracks(6));
    engine_->sbtStopClick();
    engine_->sbtNextClick();
    engine_->sbtNextClick();
    EXPECT_EQ(view_.trackLabel, "3. Track 3");  // before play starts
    EXPECT_FALSE(Playing());
    engine_->sbtPlayClick();
    ASSERT_TRUE(Playing());
    EXPECT_EQ(DeviceTrack(), 3);
    EXPECT_LT(DeviceOffset(), 100u);
    EXPECT_EQ(view_.markedTrack, 3);
    EXPECT_FALSE(view_.panelVisible);  // "VisiOpe" is on by default
    Tick();
    EXPECT_EQ(engine_->CurrentTrack(), 3);
    EXPECT_EQ(view_.gaugeText, "0:01/0:10");
}

TEST_F(TransportTest, StopThenPlayStartsAtTrackOneWhateverPlayedBefore) {
    Start(TenSecondTracks(4));
    engine_->sbtPlayClick();
    Ticks(23);
    ASSERT_EQ(engine_->CurrentTrack(), 3);
    engine_->sbtStopClick();
    EXPECT_FALSE(Playing());
    EXPECT_EQ(engine_->CurrentTrack(), 1);
    EXPECT_EQ(view_.trackLabel, "1. Track 1");
    EXPECT_EQ(view_.gaugeText, "0:00/0:10");
    EXPECT_EQ(view_.gaugeProgress, 0);
    EXPECT_TRUE(view_.panelVisible);
    engine_->sbtPlayClick();
    EXPECT_EQ(DeviceTrack(), 1);
    EXPECT_LT(DeviceOffset(), 100u);
}

TEST_F(TransportTest, PreviousInTheMiddleOfTrackFiveRestartsItAndTheLabelCatchesUp) {
    Start(TenSecondTracks(6));
    engine_->TrackMenuItemClick(5);
    Ticks(5);
    ASSERT_EQ(DeviceTrack(), 5);
    engine_->sbtPrevClick();
    EXPECT_EQ(DeviceTrack(), 5);
    EXPECT_LT(DeviceOffset(), 100u);
    EXPECT_EQ(view_.trackLabel, "4. Track 4");  // until the next tick reads the device
    Tick();
    EXPECT_EQ(view_.trackLabel, "5. Track 5");
    EXPECT_EQ(view_.markedTrack, 5);
    EXPECT_EQ(view_.gaugeText, "0:00/0:10");
}

TEST_F(TransportTest, NextOnTheLastTrackStaysThere) {
    Start(TenSecondTracks(3));
    engine_->TrackMenuItemClick(3);
    engine_->sbtNextClick();
    EXPECT_EQ(engine_->CurrentTrack(), 3);
    EXPECT_EQ(DeviceTrack(), 3);
    engine_->sbtStopClick();
    engine_->sbtPrevClick();  // on track 1
    EXPECT_EQ(engine_->CurrentTrack(), 1);
}

TEST_F(TransportTest, TickFollowsTheTrackAndMovesTheGauge) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    Ticks(3);
    EXPECT_EQ(view_.gaugeText, "0:03/0:10");
    EXPECT_NEAR(view_.gaugeProgress, 3000, 20);
    EXPECT_TRUE(engine_->PlayingSeen());
    EXPECT_FALSE(view_.programSetEnabled);  // no program editing while the disc plays
    Ticks(8);
    EXPECT_EQ(engine_->CurrentTrack(), 2);
    EXPECT_EQ(view_.trackLabel, "2. Track 2");
    EXPECT_EQ(view_.markedTrack, 2);
    EXPECT_EQ(view_.gaugeMax, 10000);

    // A hidden gauge is not fed, but the track is still followed.
    view_.gaugeVisible = false;
    view_.gaugeProgress = -1;
    Ticks(5);
    EXPECT_EQ(view_.gaugeProgress, -1);
    Ticks(5);
    EXPECT_EQ(engine_->CurrentTrack(), 3);
    EXPECT_EQ(view_.trackLabel, "3. Track 3");
}

// ---- the end of the disc

// The whole last track plays: the disc's length counts from track 1's start, so a play
// to the length alone would stop two seconds short.
TEST_F(TransportTest, PlayRunsToTheEndOfTheLastTrack) {
    Start(TenSecondTracks(3));
    engine_->CDcore().SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    EXPECT_EQ(engine_->CDcore().QueryLength(), 30000u);  // the length itself is unchanged
    engine_->CDcore().SetTimeFormat(MCI_FORMAT_TMSF);
    engine_->sbtPlayClick();
    EXPECT_EQ(engine_->EntryEndPosition(), 32000);  // 00:02:00 + 30 s, absolute
    clock_.Step(std::chrono::milliseconds(29500));
    EXPECT_TRUE(Playing());
    EXPECT_EQ(DeviceTrack(), 3);
    EXPECT_GE(DeviceOffset(), 9400u);
}

TEST_F(TransportTest, DiscEndWithoutRepeatReturnsToTrackOneAndIdles) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    EXPECT_EQ(PlayedTracks(32), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(Playing());
    EXPECT_EQ(engine_->CurrentTrack(), 1);
    EXPECT_EQ(view_.trackLabel, "1. Track 1");
    EXPECT_TRUE(view_.panelVisible);
    EXPECT_FALSE(engine_->PlayingSeen());
    EXPECT_FALSE(engine_->PlayRequested());
    EXPECT_TRUE(view_.transport);
    Ticks(3);
    EXPECT_FALSE(Playing());  // idle ticks only look for a new disc
}

TEST_F(TransportTest, RepeatAfterPlayRepeatsTheDisc) {
    Start(TenSecondTracks(2));
    engine_->sbtRepeatClick();
    EXPECT_TRUE(view_.repeatState);
    engine_->sbtPlayClick();
    EXPECT_EQ(PlayedTracks(45), (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_TRUE(Playing());
}

TEST_F(TransportTest, RepeatAfterAMenuPickReturnsToTrackOneAndStops) {
    Start(TenSecondTracks(3));
    engine_->sbtRepeatClick();
    engine_->TrackMenuItemClick(2);
    EXPECT_TRUE(engine_->PlayingSeen());
    EXPECT_EQ(PlayedTracks(30), (std::vector<int>{2, 3}));
    EXPECT_FALSE(Playing());
    EXPECT_EQ(engine_->CurrentTrack(), 1);
}

// ---- pause

TEST_F(TransportTest, PausedDeviceIsLeftAloneByTheTick) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    Ticks(4);
    engine_->sbtPauseClick();
    EXPECT_TRUE(engine_->Paused());
    EXPECT_FALSE(view_.transport);
    EXPECT_TRUE(view_.pauseAndEdit);
    const std::string text = view_.gaugeText;
    Ticks(30);
    EXPECT_EQ(Mode(), static_cast<int>(CdMode::Paused));
    EXPECT_EQ(view_.gaugeText, text);
    EXPECT_EQ(engine_->CurrentTrack(), 1);

    engine_->sbtPauseClick();  // plays on from where it paused
    EXPECT_TRUE(Playing());
    EXPECT_FALSE(engine_->Paused());
    EXPECT_TRUE(view_.transport);
    EXPECT_NEAR(static_cast<int>(DeviceOffset()), 4000, 50);
}

TEST_F(TransportTest, PauseWhileStoppedThenPauseAgainPlaysFromThePosition) {
    Start(TenSecondTracks(3));
    engine_->sbtNextClick();
    engine_->sbtPauseClick();
    EXPECT_FALSE(view_.transport);
    EXPECT_TRUE(view_.pauseAndEdit);
    Ticks(3);
    EXPECT_FALSE(Playing());
    engine_->sbtPauseClick();
    EXPECT_TRUE(Playing());
    EXPECT_EQ(DeviceTrack(), 2);
}

// ---- the tray

TEST_F(TransportTest, TrayOpenedWithTheDrivesButtonRemovesTheDiscAtTheNextTick) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    Tick();
    engine_->CDcore().OpenDoor();  // not through the bar
    Tick();
    EXPECT_EQ(engine_->DiscId(), "0");
    EXPECT_EQ(view_.trackLabel, "No Disc");
    EXPECT_FALSE(view_.doorClosed);
    EXPECT_FALSE(view_.transport);
    EXPECT_TRUE(view_.menu.empty());

    engine_->sbtCloseClick();
    EXPECT_TRUE(view_.doorClosed);
    EXPECT_EQ(engine_->DiscId(), "0");  // the disc is read by the next stopped tick
    Tick();
    EXPECT_NE(engine_->DiscId(), "0");
    EXPECT_TRUE(view_.transport);
}

TEST_F(TransportTest, EjectRemovesTheDisc) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    engine_->sbtEjectClick();
    EXPECT_EQ(Mode(), static_cast<int>(CdMode::Open));
    EXPECT_EQ(engine_->DiscId(), "0");
    EXPECT_FALSE(engine_->PlayRequested());
    EXPECT_EQ(view_.discLabel, "No Disc");
}

// ---- the timer

TEST_F(TransportTest, TimerIsSwitchedOffAroundPlayStopAndTheTicksThatRestartPlay) {
    Start(TenSecondTracks(3));
    EXPECT_TRUE(view_.timerEnabled);  // from the end of start-up
    view_.timerSwitches.clear();
    engine_->sbtPlayClick();
    EXPECT_EQ(view_.timerSwitches, (std::vector<bool>{false, true}));
    view_.timerSwitches.clear();
    engine_->sbtStopClick();
    EXPECT_EQ(view_.timerSwitches, (std::vector<bool>{false, true}));

    // The return to track 1 at the end of the disc, and a tick that only follows play.
    engine_->TrackMenuItemClick(3);
    view_.timerSwitches.clear();
    Ticks(9);
    EXPECT_TRUE(view_.timerSwitches.empty());
    Ticks(2);
    EXPECT_EQ(view_.timerSwitches, (std::vector<bool>{false, true}));
    EXPECT_EQ(engine_->CurrentTrack(), 1);

    // The repeat restart.
    engine_->sbtRepeatClick();
    engine_->TrackMenuItemClick(3);
    engine_->sbtPlayClick();
    view_.timerSwitches.clear();
    Ticks(11);
    EXPECT_EQ(view_.timerSwitches, (std::vector<bool>{false, true}));
    EXPECT_TRUE(Playing());
}

TEST_F(TransportTest, IntervalZeroKeepsTheTimerStopped) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\nTimerInt=0\r\n");
    Start(TenSecondTracks(3));
    EXPECT_EQ(view_.timerInterval, 0);
    engine_->sbtPlayClick();
    engine_->sbtStopClick();
    for (bool on : view_.timerSwitches) {
        EXPECT_FALSE(on);
    }
    engine_->SetTimerInterval(500);
    EXPECT_TRUE(view_.timerEnabled);
    EXPECT_EQ(view_.timerInterval, 500);
}

// ---- without a device

TEST_F(TransportTest, CommandsAndTicksWithoutADeviceDoNothing) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=Q:\r\n");
    Start(TenSecondTracks(3));
    ASSERT_TRUE(engine_->DeviceUnavailable());
    EXPECT_NO_THROW({
        engine_->sbtPlayClick();
        engine_->sbtPauseClick();
        engine_->sbtStopClick();
        engine_->sbtNextClick();
        engine_->sbtPrevClick();
        engine_->sbtEjectClick();
        engine_->sbtCloseClick();
        engine_->PlayTrack(1, 0);
        engine_->sbtPrgSetClick();
        Ticks(3);
    });
    EXPECT_FALSE(engine_->PlayRequested());
}

// ---- a move within the track, and random play switched from outside the dialog

TEST_F(TransportTest, SeekInTrackPlaysOnFromThereThroughTheDisc) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    engine_->SeekInTrack(6000);
    EXPECT_EQ(DeviceTrack(), 1);
    EXPECT_NEAR(DeviceOffset(), 6000u, 20u);
    EXPECT_NEAR(engine_->PositionInTrack(), 6000u, 20u);
    EXPECT_EQ(PlayedTracks(20), (std::vector<int>{1, 2, 3})) << "on to the end of the disc";

    // Stopped, the track plays from the place asked for.
    engine_->sbtStopClick();
    engine_->sbtNextClick();
    engine_->SeekInTrack(99'000);  // beyond the track: its last moment
    ASSERT_TRUE(Playing());
    EXPECT_EQ(DeviceTrack(), 2);
    EXPECT_GT(DeviceOffset(), 9900u);
}

TEST_F(TransportTest, SeekInTrackWhilePausedOnlyMovesWherePlayResumes) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    engine_->sbtPauseClick();
    engine_->SeekInTrack(4000);
    Ticks(2);
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(engine_->Paused());
    engine_->sbtPauseClick();
    ASSERT_TRUE(Playing());
    EXPECT_NEAR(DeviceOffset(), 4000u, 20u);

    // In program mode the entry still ends at its track's end.
    engine_->SetShuffle(true);
    engine_->sbtPauseClick();
    engine_->SeekInTrack(8000);
    engine_->sbtPauseClick();
    EXPECT_NEAR(DeviceOffset(), 8000u, 20u);
    EXPECT_EQ(engine_->EntryEndPosition(), 2000 + 10000 - 1);
}

TEST_F(TransportTest, ShuffleWithoutASelectionPlaysEveryTrackOnceAfterTheCurrentOne) {
    Start(TenSecondTracks(4));
    engine_->sbtRepeatClick();
    engine_->sbtPlayClick();
    engine_->SetShuffle(true);
    EXPECT_TRUE(engine_->ProgramMode() && engine_->RandomOrder());
    std::vector<int> played = PlayedTracks(95);
    ASSERT_GE(played.size(), 9u);
    EXPECT_EQ(played[0], 1) << "the track that played goes on to its end";
    for (std::size_t pass : {1u, 5u}) {
        std::vector<int> tracks(played.begin() + static_cast<long>(pass),
                                played.begin() + static_cast<long>(pass) + 4);
        std::sort(tracks.begin(), tracks.end());
        EXPECT_EQ(tracks, (std::vector<int>{1, 2, 3, 4})) << "pass from entry " << pass;
    }

    // Off again: disc order from the track that plays, on through the disc.
    const int track = engine_->CurrentTrack();
    engine_->SetShuffle(false);
    EXPECT_FALSE(engine_->ProgramMode() || engine_->RandomOrder());
    EXPECT_EQ(engine_->EntryEndPosition(), 2000 + 4 * 10000);
    EXPECT_EQ(DeviceTrack(), track);
}

}  // namespace
}  // namespace lintel
