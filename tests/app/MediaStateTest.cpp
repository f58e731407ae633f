// What the desktop's media controls show of the player: the engine on its recording view
// and a virtual disc, its state handed to the MPRIS adaptors as the bar hands it over.
#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <QStringList>
#include <QToolButton>

#include "BarFixture.h"
#include "app/MediaBridge.h"
#include "platform/Cp932.h"
#include "playback/PlayerFixture.h"
#include "shell/MprisMediaControls.h"
#include "support/QtApp.h"

namespace lintel {
namespace {

class MediaStateTest : public test::PlayerFixture {
protected:
    /// Hands the player's state over as the bar does, with or without a modal dialog.
    void Show(bool modalDialog = false) {
        controls_.Update(
            MediaStateOf(*engine_, {view_.transport, view_.pauseAndEdit, !modalDialog}));
    }
    QString Status() const { return controls_.Player().PlaybackStatus(); }
    QVariantMap Metadata() const { return controls_.Player().Metadata(); }

    TMprisMediaControls controls_;
};

// ---- the mode as the engine sees the device

TEST_F(MediaStateTest, PlaybackStatusFollowsPlayPauseAndStop) {
    test::App();
    Start(test::TenSecondTracks(3));
    Show();
    EXPECT_EQ(Status(), "Stopped");
    EXPECT_TRUE(controls_.Player().CanPlay());
    engine_->sbtPlayClick();
    Tick();
    Show();
    EXPECT_EQ(Status(), "Playing");
    EXPECT_TRUE(controls_.Player().CanSeek());
    engine_->sbtPauseClick();
    Show();
    EXPECT_EQ(Status(), "Paused");
    EXPECT_TRUE(controls_.Player().CanPlay()) << "play resumes a paused disc";
    EXPECT_TRUE(controls_.Player().CanPause());
    EXPECT_FALSE(controls_.Player().CanGoNext()) << "the bar disables it while paused";
    EXPECT_FALSE(controls_.Player().CanSeek());
    engine_->sbtPauseClick();
    engine_->sbtStopClick();
    Show();
    EXPECT_EQ(Status(), "Stopped");
}

TEST_F(MediaStateTest, PauseWhileStoppedReadsAsPaused) {
    test::App();
    Start(test::TenSecondTracks(3));
    engine_->sbtPauseClick();
    Show();
    EXPECT_EQ(Status(), "Paused");
}

TEST_F(MediaStateTest, RepeatAndRandomPlayReadAsLoopAndShuffle) {
    test::App();
    Start(test::TenSecondTracks(3));
    Show();
    EXPECT_EQ(controls_.Player().LoopStatus(), "None");
    EXPECT_FALSE(controls_.Player().Shuffle());
    engine_->sbtRepeatClick();
    engine_->SetShuffle(true);
    Show();
    EXPECT_EQ(controls_.Player().LoopStatus(), "Playlist");
    EXPECT_TRUE(controls_.Player().Shuffle());
}

TEST_F(MediaStateTest, AModalDialogTakesEveryCommandAway) {
    test::App();
    Start(test::TenSecondTracks(3));
    int plays = 0, raises = 0;
    TMediaRequests requests;
    requests.play = [&] { ++plays; };
    requests.raise = [&] { ++raises; };
    controls_.SetRequests(requests);
    Show(/*modalDialog=*/true);
    auto& p = controls_.Player();
    EXPECT_FALSE(p.CanPlay() || p.CanPause() || p.CanGoNext() || p.CanGoPrevious() || p.CanSeek() ||
                 p.CanControl() || controls_.Root().CanQuit());
    p.Play();
    controls_.Root().Raise();
    EXPECT_EQ(plays, 0);
    EXPECT_EQ(raises, 1) << "raise still shows the bar";
    Show();
    p.Play();
    EXPECT_EQ(plays, 1);
}

// ---- the titles as metadata

TEST_F(MediaStateTest, MetadataCarriesTheTrackAndTheDiscTitles) {
    test::App();
    Start(test::TenSecondTracks(3));
    view_.titleEditor = [](const TStringList&, int) -> std::optional<TStringList> {
        return TStringList{"EntryType=1", "numtracks=3", "title=" + cp932::Literal("夜明け"),
                           "artist=Blue", "0=One",       "1=" + cp932::Literal("朝")};
    };
    engine_->sbtCDEditClick();
    engine_->sbtNextClick();
    Show();
    const QVariantMap m = Metadata();
    EXPECT_EQ(m.value("xesam:title").toString(), QString::fromUtf8("朝"));
    EXPECT_EQ(m.value("xesam:album").toString(), QString::fromUtf8("夜明け"));
    EXPECT_EQ(m.value("xesam:artist").toStringList(), QStringList{"Blue"});
    EXPECT_EQ(m.value("xesam:trackNumber").toInt(), 2);
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 10'000'000);
    const QString id = m.value("mpris:trackid").value<QDBusObjectPath>().path();
    EXPECT_TRUE(id.startsWith("/org/lintel/")) << id.toStdString();
    EXPECT_TRUE(id.endsWith("/Track2")) << id.toStdString();
}

TEST_F(MediaStateTest, AnEmptyDriveAndADataDiscShowNoTrack) {
    test::App();
    for (const std::string& disc : {std::string(), test::Sample("data.disc")}) {
        StartOnFile(disc, "[Config]\r\nDrive=V:\r\n");
        Show();
        EXPECT_TRUE(Metadata().isEmpty());
        EXPECT_EQ(Status(), "Stopped");
        EXPECT_EQ(controls_.Player().Position(), 0);
        auto& p = controls_.Player();
        EXPECT_FALSE(p.CanPlay() || p.CanPause() || p.CanGoNext() || p.CanSeek());
    }
}

}  // namespace
}  // namespace lintel

// ---- the desktop's requests on the real bar window

namespace lintel {
namespace {

class MediaRequestTest : public test::BarFixture {
protected:
    const TMediaRequests& Ask() const { return media_.Requests(); }
    TMediaState::TPlayback Playback() const { return media_.State().playback; }
    /// One poll interval passes and the timer fires.
    void Tick() {
        clock_.Step(std::chrono::milliseconds(1000));
        bar_->Timer1Timer();
    }
};

using TPlayback = TMediaState::TPlayback;

TEST_F(MediaRequestTest, PlayPauseAndPlayPauseUseTheBarsOwnCommandsFromEachState) {
    StartWith("");
    Ask().play();
    EXPECT_EQ(Playback(), TPlayback::Playing);
    Ask().play();  // playing: nothing
    Tick();
    Tick();
    Ask().pause();
    EXPECT_EQ(Playback(), TPlayback::Paused);
    const std::uint32_t pausedAt = bar_->Engine().PositionInTrack();
    Ask().pause();  // paused: nothing, the pause command would resume
    EXPECT_EQ(Playback(), TPlayback::Paused);
    Ask().play();  // resumes where it paused instead of starting over
    EXPECT_EQ(Playback(), TPlayback::Playing);
    EXPECT_NEAR(bar_->Engine().PositionInTrack(), pausedAt, 20u);
    Ask().playPause();
    EXPECT_EQ(Playback(), TPlayback::Paused);
    Ask().playPause();
    EXPECT_EQ(Playback(), TPlayback::Playing);
    EXPECT_TRUE(media_.SeekedTo().empty()) << "nothing jumped while the disc played on";
    Ask().stop();
    EXPECT_EQ(Playback(), TPlayback::Stopped);
    EXPECT_EQ(media_.SeekedTo(), std::vector<std::int64_t>{0}) << "back to the track's start";
    Ask().playPause();
    EXPECT_EQ(Playback(), TPlayback::Playing);
}

TEST_F(MediaRequestTest, TicksSendNothingAndAJumpIsReported) {
    StartWith("");
    Ask().play();
    const int changes = media_.Changes();
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_EQ(media_.Changes(), changes) << "ticks within one track change nothing shown";
    EXPECT_TRUE(media_.SeekedTo().empty());

    // Previous in the middle of a track restarts it: a jump to its start.
    Ask().previous();
    ASSERT_EQ(media_.SeekedTo().size(), 1u);
    EXPECT_LT(media_.SeekedTo().back(), 100'000);

    // A move asked for is reported once, at the place reached.
    Ask().setPosition(media_.State().trackId, 60'000'000);
    ASSERT_EQ(media_.SeekedTo().size(), 2u);
    EXPECT_NEAR(media_.SeekedTo().back(), 60'000'000, 20'000);
    Ask().setPosition("/org/lintel/Disc/0/Track2", 1'000'000);  // stale
    Ask().seek(-30'000'000);
    ASSERT_EQ(media_.SeekedTo().size(), 3u);
    EXPECT_NEAR(media_.SeekedTo().back(), 30'000'000, 20'000);
    EXPECT_EQ(Ask().position() / 1000, bar_->Engine().PositionInTrack());
}

TEST_F(MediaRequestTest, LoopAndShuffleFollowTheRepeatButtonAndRandomPlay) {
    StartWith("");
    Ask().setRepeat(true);
    EXPECT_TRUE(Panel()->sbtRepeat()->isChecked());
    EXPECT_TRUE(media_.State().repeat);
    Ask().setRepeat(true);  // "Track" is taken as the whole disc: no second toggle
    EXPECT_TRUE(bar_->Engine().RepeatOn());
    Ask().setShuffle(true);
    EXPECT_TRUE(media_.State().shuffle);
    EXPECT_TRUE(bar_->Engine().ProgramMode());
    Ask().setShuffle(false);
    EXPECT_FALSE(media_.State().shuffle || bar_->Engine().ProgramMode());
}

}  // namespace
}  // namespace lintel
