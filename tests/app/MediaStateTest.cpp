// What the desktop's media controls show of the player: the engine on its recording view
// and a virtual disc, its state handed to the MPRIS adaptors as the bar hands it over.
#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <QStringList>

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
