// Program and random play, repeat, the play list in the menus and the program-play
// command, played on a virtual disc tick by tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "PlayerFixture.h"
#include "playback/lintellib.h"

namespace lintel {
namespace {

using test::PlayerFixture;
using test::TenSecondTracks;

class PlayOrderTest : public PlayerFixture {
protected:
    /// Confirms the program-play dialog with `mode` after it set the play order to
    /// `order`, with the repeat box as given.
    void ChooseProgram(int mode, const TStringList& order, bool repeat) {
        view_.dialogOk = true;
        view_.playMode = mode;
        view_.dialogRepeat = repeat;
        view_.whileDialogOpen = [this, order] { engine_->EditPlayOrder() = order; };
        engine_->sbtPrgSetClick();
    }

    /// Selects the lines of the dialog's track list whose indexes are given.
    void Select(int lines, const std::vector<int>& selected) {
        view_.selection.assign(static_cast<std::size_t>(lines), false);
        for (int i : selected) {
            view_.selection[static_cast<std::size_t>(i)] = true;
        }
    }

    /// The play order as track indexes.
    std::vector<int> Order() {
        std::vector<int> order;
        for (const std::string& entry : engine_->PlayOrder()) {
            order.push_back(std::stoi(entry));
        }
        return order;
    }
};

// ---- program play

TEST_F(PlayOrderTest, ProgramPlaysItsEntriesThenStopsBackAtTrackOne) {
    Start(TenSecondTracks(6));
    ChooseProgram(1, {"2", "5", "2"}, false);
    EXPECT_TRUE(engine_->ProgramMode());
    EXPECT_EQ(engine_->ProgramIndex(), -1);
    EXPECT_EQ(Read(engine_->DiscId(), "order"), "2 5 2 ");
    EXPECT_EQ(view_.menu, (TStringList{"03: Track 3", "06: Track 6", "03: Track 3"}));
    EXPECT_TRUE(view_.timerEnabled);
    EXPECT_FALSE(view_.timerOnDuringDialog);

    engine_->sbtPlayClick();
    EXPECT_EQ(view_.markedTrack, 1);  // the first position of the play list
    EXPECT_EQ(PlayedTracks(40), (std::vector<int>{3, 6, 3}));
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_EQ(engine_->CurrentTrack(), 1);
    EXPECT_EQ(view_.menu.size(), 6u);  // disc order again
}

TEST_F(PlayOrderTest, ProgramWithRepeatStartsOverAtItsFirstEntry) {
    Start(TenSecondTracks(6));
    ChooseProgram(1, {"2", "5", "2"}, true);
    EXPECT_TRUE(view_.repeatState);
    engine_->sbtPlayClick();
    EXPECT_EQ(PlayedTracks(58), (std::vector<int>{3, 6, 3, 3, 6, 3}));
    EXPECT_TRUE(engine_->ProgramMode());
}

TEST_F(PlayOrderTest, AnEntryEndsAtTheStartOfTheNextTrack) {
    Start(TenSecondTracks(3));
    ChooseProgram(1, {"0", "2"}, false);
    engine_->sbtPlayClick();
    engine_->CDcore().SetTimeFormat(MCI_FORMAT_MILLISECONDS);
    EXPECT_EQ(static_cast<std::uint32_t>(engine_->EntryEndPosition()),
              engine_->CDcore().QueryTrackStart(2) - 1);
    engine_->CDcore().SetTimeFormat(MCI_FORMAT_TMSF);
    clock_.Step(std::chrono::milliseconds(10100));
    EXPECT_FALSE(Playing());  // track 2 is not in the program
    Tick();
    EXPECT_EQ(DeviceTrack(), 3);
    EXPECT_EQ(engine_->EntryEndPosition(), 32000);  // the last track plays to its end
}

TEST_F(PlayOrderTest, PreviousOnTheFirstEntryStops) {
    Start(TenSecondTracks(6));
    ChooseProgram(1, {"2", "5", "2"}, false);
    engine_->sbtPlayClick();
    Tick();
    engine_->sbtPrevClick();
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_EQ(engine_->CurrentTrack(), 1);
}

TEST_F(PlayOrderTest, PreviousOnTheLastEntryWithRepeatStopsToo) {
    Start(TenSecondTracks(6));
    ChooseProgram(1, {"2", "5", "2"}, true);
    engine_->sbtPlayClick();
    engine_->sbtNextClick();
    engine_->sbtNextClick();
    ASSERT_EQ(engine_->ProgramIndex(), 2);
    engine_->sbtPrevClick();
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
}

TEST_F(PlayOrderTest, NextAndPreviousStepThroughTheProgram) {
    Start(TenSecondTracks(6));
    ChooseProgram(1, {"4", "1", "5"}, false);
    engine_->sbtPlayClick();
    engine_->sbtNextClick();
    EXPECT_EQ(engine_->CurrentTrack(), 2);
    EXPECT_EQ(DeviceTrack(), 2);
    EXPECT_EQ(view_.trackLabel, "2. Track 2");
    EXPECT_EQ(view_.markedTrack, 2);
    engine_->sbtPrevClick();
    EXPECT_EQ(engine_->CurrentTrack(), 5);
    EXPECT_EQ(view_.markedTrack, 1);
    Tick();
    EXPECT_EQ(engine_->CurrentTrack(), 5);  // the tick never moves an entry's track
}

TEST_F(PlayOrderTest, PauseAndResumeInsideAnEntryKeepItsEnd) {
    Start(TenSecondTracks(4));
    ChooseProgram(1, {"1", "3"}, false);
    engine_->sbtPlayClick();
    const int end = engine_->EntryEndPosition();
    Ticks(4);
    engine_->sbtPauseClick();
    EXPECT_NEAR(engine_->PausePosition(), 12000 + 4000, 30);  // track 2 starts at 12 s
    Ticks(20);
    engine_->sbtPauseClick();
    EXPECT_TRUE(Playing());
    EXPECT_EQ(engine_->EntryEndPosition(), end);
    EXPECT_EQ(DeviceTrack(), 2);
    clock_.Step(std::chrono::milliseconds(6100));
    EXPECT_FALSE(Playing());  // stopped at the entry's end, not in track 3
    Tick();
    EXPECT_EQ(DeviceTrack(), 4);
    EXPECT_EQ(engine_->ProgramIndex(), 1);
}

// Play while an entry plays lets it end there; pause twice while the program waits to
// start plays its first entry, not a range left from earlier play.
TEST_F(PlayOrderTest, PlayAndPauseKeepTheProgramsEntries) {
    Start(TenSecondTracks(6));
    ChooseProgram(1, {"2", "4"}, false);
    engine_->sbtPlayClick();
    Ticks(2);
    engine_->sbtPlayClick();
    EXPECT_EQ(PlayedTracks(40), (std::vector<int>{3, 5}));

    ChooseProgram(1, {"1", "4"}, false);
    engine_->sbtPauseClick();
    engine_->sbtPauseClick();
    EXPECT_TRUE(Playing());
    EXPECT_EQ(engine_->ProgramIndex(), 0);
    EXPECT_EQ(PlayedTracks(40), (std::vector<int>{2, 5}));
}

TEST_F(PlayOrderTest, MenuPickInProgramModePlaysThatPosition) {
    Start(TenSecondTracks(9));
    ChooseProgram(1, {"4", "1", "8"}, false);
    EXPECT_EQ(view_.menu, (TStringList{"05: Track 5", "02: Track 2", "09: Track 9"}));
    engine_->TrackMenuItemClick(2);
    EXPECT_EQ(engine_->ProgramIndex(), 1);
    EXPECT_EQ(engine_->CurrentTrack(), 2);
    EXPECT_EQ(DeviceTrack(), 2);
    EXPECT_EQ(view_.markedTrack, 2);
    EXPECT_EQ(PlayedTracks(25), (std::vector<int>{2, 9}));
}

// Also with repeat on: the stop that ends the empty program is not taken for the end of
// a disc that Play started.
TEST_F(PlayOrderTest, EmptyProgramStopsAtOnce) {
    Start(TenSecondTracks(3));
    ChooseProgram(1, {}, true);
    EXPECT_EQ(Read(engine_->DiscId(), "order"), "");
    engine_->sbtPlayClick();
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_FALSE(engine_->PlayRequested());
    Ticks(3);
    EXPECT_FALSE(Playing());
}

TEST_F(PlayOrderTest, EntriesThatNameNoTrackPlayNothing) {
    Start(TenSecondTracks(3));
    ChooseProgram(1, {"1", "7", "x"}, false);
    EXPECT_EQ(view_.menu, (TStringList{"02: Track 2", "08: ", "x: "}));
    engine_->sbtPlayClick();
    EXPECT_EQ(PlayedTracks(15), (std::vector<int>{2}));
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
    engine_->PlayTrack(3, 2);  // a stale menu item in disc order: track 3 plays
    EXPECT_EQ(DeviceTrack(), 3);
    engine_->PlayTrack(9, 8);
    EXPECT_EQ(DeviceTrack(), 3);  // no track 9: nothing changes
}

// ---- the program-play command

TEST_F(PlayOrderTest, CancelLeavesDiscOrderAndTheStoredProgram) {
    Start(TenSecondTracks(3));
    ChooseProgram(1, {"2", "0"}, false);
    view_.dialogOk = false;
    view_.dialogRepeat = true;
    view_.whileDialogOpen = [this] { engine_->EditPlayOrder() = {"1"}; };
    engine_->sbtPrgSetClick();
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_FALSE(engine_->RepeatOn());
    EXPECT_EQ(Read(engine_->DiscId(), "order"), "2 0 ");
    EXPECT_TRUE(view_.timerEnabled);
    EXPECT_FALSE(view_.panelVisible);
    // The menus show the disc again, not the program that is no longer played.
    EXPECT_EQ(view_.menu, (TStringList{"01: Track 1", "02: Track 2", "03: Track 3"}));
}

// The command stays offered from a play command until the next tick sees the disc
// playing: a program chosen then would not be what plays.
TEST_F(PlayOrderTest, ProgramCannotBeSetWhileTheDiscPlays) {
    Start(TenSecondTracks(3));
    engine_->sbtPlayClick();
    ASSERT_TRUE(view_.programSetEnabled);
    ChooseProgram(1, {"2"}, false);
    EXPECT_EQ(view_.dialogShows, 0);
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_FALSE(view_.programSetEnabled);
}

TEST_F(PlayOrderTest, OkInDiscOrderTakesOnlyTheRepeatBox) {
    Start(TenSecondTracks(3));
    ChooseProgram(0, {"2"}, true);
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_TRUE(engine_->RepeatOn());
    EXPECT_TRUE(view_.repeatState);
    EXPECT_EQ(Read(engine_->DiscId(), "order"), "<none>");
}

TEST_F(PlayOrderTest, LongProgramIsStoredAsWholeEntriesOnly) {
    Start(TenSecondTracks(12));
    ChooseProgram(1, TStringList(100, "10"), false);
    const std::string stored = Read(engine_->DiscId(), "order");
    EXPECT_LE(stored.size() + std::string("order=").size(), TIniStore::kMaxLine);
    EXPECT_EQ(stored.size() % 3, 0u);
    EXPECT_EQ(stored.substr(stored.size() - 3), "10 ");
    EXPECT_EQ(engine_->PlayOrder().size(), 100u);  // the run itself keeps all of them
}

// ---- random play

TEST_F(PlayOrderTest, RandomPlaysEachSelectedTrackOncePerPassAndRedrawsAtTheWrap) {
    Start(TenSecondTracks(10));
    std::mt19937 generator(7);
    int draws = 0;
    engine_->SetRandomDraw([&](int n) {
        ++draws;
        return std::uniform_int_distribution<int>(0, n - 1)(generator);
    });
    Select(10, {0, 3, 4, 7, 9});
    ChooseProgram(2, {}, true);
    EXPECT_TRUE(engine_->RandomOrder());
    EXPECT_EQ(Read(engine_->DiscId(), "order"), "<none>");  // a random order is not stored
    const std::vector<int> first = Order();
    std::vector<int> sorted = first;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 3, 4, 7, 9}));

    engine_->sbtPlayClick();
    std::vector<int> heard = PlayedTracks(58);
    ASSERT_EQ(heard.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(heard[static_cast<std::size_t>(i)], first[static_cast<std::size_t>(i)] + 1);
    }
    // The wrap drew a new order, and the menus show it.
    const std::vector<int> second = Order();
    EXPECT_NE(second, first);
    EXPECT_EQ(heard[5], second[0] + 1);
    sorted = second;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 3, 4, 7, 9}));
    EXPECT_EQ(view_.menu[0], test::TwoDigitCaption(second[0] + 1));
    EXPECT_GE(draws, 10);
}

TEST_F(PlayOrderTest, RandomOrderRedrawsTakenAndUnselectedTracks) {
    Start(TenSecondTracks(3));
    std::vector<int> script{0, 2, 2, 0, 1};
    std::size_t next = 0;
    engine_->SetRandomDraw([&](int n) {
        EXPECT_EQ(n, 3);
        return script.at(next++);
    });
    Select(3, {1, 2});
    engine_->BuildRandomOrder();
    EXPECT_EQ(engine_->PlayOrder(), (TStringList{"2", "1"}));
    EXPECT_EQ(next, script.size());

    Select(3, {});
    engine_->BuildRandomOrder();
    EXPECT_TRUE(engine_->PlayOrder().empty());
}

TEST_F(PlayOrderTest, DefaultDrawsAreUniform) {
    Start(TenSecondTracks(3));
    Select(3, {0, 1, 2});
    int firsts[3] = {0, 0, 0};
    for (int i = 0; i < 3000; ++i) {
        engine_->BuildRandomOrder();
        ASSERT_EQ(engine_->PlayOrder().size(), 3u);
        ++firsts[std::stoi(engine_->PlayOrder()[0])];
    }
    for (int count : firsts) {
        EXPECT_GT(count, 800);  // 1000 expected; 800 lies almost eight deviations away
        EXPECT_LT(count, 1200);
    }
}

TEST_F(PlayOrderTest, RandomWithNothingSelectedStops) {
    Start(TenSecondTracks(3));
    Select(3, {});
    ChooseProgram(2, {}, true);
    engine_->sbtPlayClick();
    EXPECT_FALSE(Playing());
    EXPECT_FALSE(engine_->ProgramMode());
}

// ---- text form

TEST_F(PlayOrderTest, TextFormOfThePlayOrder) {
    Start(TenSecondTracks(3));
    EXPECT_EQ(engine_->PackPlayOrder(), "");
    TStringList split{"stale"};
    SplitQuoted("", ' ', '\'', split);
    EXPECT_TRUE(split.empty());

    engine_->EditPlayOrder() = {"3", "0", "7"};
    EXPECT_EQ(engine_->PackPlayOrder(), "3 0 7 ");
    SplitQuoted(engine_->PackPlayOrder(), ' ', '\'', split);
    EXPECT_EQ(split, (TStringList{"3", "0", "7"}));
}

}  // namespace
}  // namespace lintel
