// The resume record: written when the bar closes while a disc plays, used once at the
// next start with the same disc, discarded for any other.
#include <gtest/gtest.h>

#include "PlayerFixture.h"
#include "platform/Cp932.h"

namespace lintel {
namespace {

using test::PlayerFixture;
using test::TenSecondTracks;

class ResumeTest : public PlayerFixture {
protected:
    /// Starts with resume on and lets the first tick discard any old record.
    void StartResuming(const std::string& disc) {
        Start(disc, "Resumption=1\r\n");
        Tick();
        id_ = engine_->DiscId();
        ASSERT_NE(id_, "0");
    }

    /// Stores a record for this disc, as an earlier run would have left it.
    void StoreRecord(int nowTrack, bool repeat, bool program, bool random, int prgOrder,
                     const std::string& prgPack) {
        TIniStore& s = *engine_->Settings();
        s.WriteString("Resumption", "titleID", id_);
        s.WriteInteger("Resumption", "NowTrack", nowTrack);
        s.WriteBool("Resumption", "bUseRep", repeat);
        s.WriteBool("Resumption", "bUsePrg", program);
        s.WriteBool("Resumption", "bUseRnd", random);
        s.WriteInteger("Resumption", "PrgOrder", prgOrder);
        s.WriteString("Resumption", "PrgPack", prgPack);
    }

    static std::string Message(const std::string& trackName, const std::string& repeat,
                               const std::string& order) {
        return cp932::Literal("レジューム機能により前回の設定が復活しました") + "\x0A\x0D" +
               cp932::Literal("開始トラック: ") + trackName + "\x0A\x0D" +
               cp932::Literal("リピート = ") + repeat + "\x0A\x0D" +
               cp932::Literal("プログラム順 = ") + order;
    }

    std::string id_;
};

TEST_F(ResumeTest, CloseWhileTrackFourPlaysAndResumeAtTheNextStart) {
    StartResuming(TenSecondTracks(6));
    engine_->sbtRepeatClick();
    engine_->TrackMenuItemClick(4);
    Ticks(3);
    Restart();

    // The record of the closed run.
    EXPECT_EQ(Read("Resumption", "titleID"), id_);
    EXPECT_EQ(Read("Resumption", "NowTrack"), "4");
    EXPECT_EQ(Read("Resumption", "bUseRep"), "1");
    EXPECT_EQ(Read("Resumption", "bUsePrg"), "0");
    EXPECT_EQ(Read("Resumption", "bUseRnd"), "0");
    EXPECT_EQ(Read("Resumption", "PrgOrder"), "-1");
    EXPECT_EQ(Read("Resumption", "PrgPack"), "");
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(view_.messages.empty());

    Tick();
    ASSERT_TRUE(Playing());
    EXPECT_EQ(DeviceTrack(), 4);
    EXPECT_LT(DeviceOffset(), 100u);  // from the start of the track
    EXPECT_EQ(view_.trackLabel, "4. Track 4");
    EXPECT_TRUE(engine_->RepeatOn());
    EXPECT_TRUE(view_.repeatState);
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0], Message("Track 4", "1", ""));
    EXPECT_EQ(Read("Resumption", "titleID"), "#");
    EXPECT_FALSE(view_.panelVisible);

    // Used once: played through to the end, the disc returns to track 1 and stays.
    EXPECT_EQ(PlayedTracks(40), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(engine_->CurrentTrack(), 1);
    EXPECT_EQ(view_.messages.size(), 1u);
}

// The message box runs its own loop in which ticks go on; one that finds the device
// stopped (a play that did not start) must not restore the record a second time.
TEST_F(ResumeTest, TicksWhileTheMessageIsShownDoNotRestoreAgain) {
    StartResuming(TenSecondTracks(6));
    StoreRecord(3, false, false, false, -1, "");
    Restart();
    int nested = 0;
    view_.whileMessageShown = [&] {
        if (++nested > 3) {
            return;  // the failure shows as a fourth message, not as a crash
        }
        engine_->CDcore().StopPlay();
        Tick();
    };
    Tick();
    EXPECT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(Read("Resumption", "titleID"), "#");
}

TEST_F(ResumeTest, AnotherDiscDiscardsTheRecordSilently) {
    StartResuming(TenSecondTracks(6));
    engine_->TrackMenuItemClick(4);
    PutDisc(TenSecondTracks(5));
    Restart();
    ASSERT_NE(engine_->DiscId(), id_);
    Tick();
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(Read("Resumption", "titleID"), "#");
}

// An empty drive reports its tray open, and an open tray is no stopped tick: the record
// waits, unused, for the next disc.
TEST_F(ResumeTest, EmptyDriveNeitherUsesNorDropsTheRecord) {
    StartResuming(TenSecondTracks(6));
    engine_->TrackMenuItemClick(2);
    PutDisc("");
    Restart();
    EXPECT_EQ(engine_->DiscId(), "0");
    Ticks(3);
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(Read("Resumption", "titleID"), id_);

    engine_->CDcore().OpenDoor();
    PutDisc(TenSecondTracks(5));
    engine_->sbtCloseClick();
    Tick();
    EXPECT_NE(engine_->DiscId(), "0");
    EXPECT_FALSE(Playing());
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(Read("Resumption", "titleID"), "#");
}

TEST_F(ResumeTest, StoppedOrPausedAtCloseLeavesTheRecordAsItWas) {
    StartResuming(TenSecondTracks(6));
    StoreRecord(2, false, false, false, -1, "");
    engine_->TrackMenuItemClick(5);
    engine_->sbtPauseClick();
    Restart();
    EXPECT_EQ(Read("Resumption", "NowTrack"), "2");
    Tick();
    EXPECT_EQ(DeviceTrack(), 2);
}

TEST_F(ResumeTest, ProgramResumesAtItsEntry) {
    StartResuming(TenSecondTracks(6));
    StoreRecord(3, false, true, false, 1, "2 5 2 ");
    Restart();
    Tick();
    EXPECT_TRUE(engine_->ProgramMode());
    EXPECT_EQ(engine_->PlayOrder(), (TStringList{"2", "5", "2"}));
    EXPECT_EQ(engine_->ProgramIndex(), 1);
    EXPECT_EQ(DeviceTrack(), 6);
    EXPECT_EQ(view_.menu, (TStringList{"03: Track 3", "06: Track 6", "03: Track 3"}));
    EXPECT_EQ(view_.markedTrack, 2);
    ASSERT_EQ(view_.messages.size(), 1u);
    EXPECT_EQ(view_.messages[0], Message("Track 6", "0", "2 5 2 "));
    EXPECT_EQ(PlayedTracks(25), (std::vector<int>{6, 3}));
}

TEST_F(ResumeTest, ClosingDuringAProgramWritesItsEntryAndOrder) {
    StartResuming(TenSecondTracks(6));
    engine_->EditPlayOrder() = {"4", "0"};
    view_.dialogOk = true;
    view_.playMode = 1;
    engine_->sbtPrgSetClick();
    engine_->sbtPlayClick();
    engine_->sbtNextClick();
    Restart();
    EXPECT_EQ(Read("Resumption", "bUsePrg"), "1");
    EXPECT_EQ(Read("Resumption", "PrgOrder"), "1");
    EXPECT_EQ(Read("Resumption", "PrgPack"), "4 0 ");
    EXPECT_EQ(Read("Resumption", "NowTrack"), "1");
}

TEST_F(ResumeTest, ResumedRandomPlayWithoutASelectionStopsAtTheWrap) {
    StartResuming(TenSecondTracks(4));
    StoreRecord(1, true, true, true, 1, "3 0 ");
    Restart();
    Tick();
    EXPECT_TRUE(engine_->RandomOrder());
    EXPECT_EQ(DeviceTrack(), 1);
    Ticks(12);  // the dialog was never shown: nothing is selected, the new order is empty
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_TRUE(engine_->PlayOrder().empty());
}

// Records no run of the program writes: each is dropped as used, nothing plays.
TEST_F(ResumeTest, RecordsThatNameNoTrackAreIgnored) {
    struct Case {
        int nowTrack;
        bool program;
        int prgOrder;
        std::string pack;
    };
    const Case cases[] = {
        {42, false, 0, ""},       // a track the disc does not have
        {0, false, 0, ""},        // no track at all
        {1, true, 7, "2 5 2 "},   // an entry past the program
        {1, true, -1, "2 5 2 "},  // before the first entry
        {1, true, 0, "9 "},       // an entry past the disc
        {1, true, 0, "'x' "},     // not a number
        {1, true, 0, ""},         // an empty program
    };
    StartResuming(TenSecondTracks(6));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nowTrack * 100 + c.prgOrder);
        engine_->sbtStopClick();
        StoreRecord(c.nowTrack, true, c.program, false, c.prgOrder, c.pack);
        view_.messages.clear();
        Tick();
        EXPECT_FALSE(Playing());
        EXPECT_TRUE(view_.messages.empty());
        EXPECT_EQ(Read("Resumption", "titleID"), "#");
        EXPECT_FALSE(engine_->RepeatOn());
    }
}

TEST_F(ResumeTest, RecordNamingNoDiscIsNeverUsed) {
    Start(test::Sample("data.disc"), "Resumption=1\r\n");
    ASSERT_EQ(view_.discLabel, "Not Audio CD");
    ASSERT_EQ(engine_->DiscId(), "0");
    engine_->Settings()->WriteString("Resumption", "titleID", "0");
    engine_->Settings()->WriteInteger("Resumption", "NowTrack", 1);
    Tick();
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(Read("Resumption", "titleID"), "#");
}

}  // namespace
}  // namespace lintel
