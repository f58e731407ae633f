#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <string>
#include <vector>

#include "app/TrackMenus.h"
#include "platform/Cp932.h"
#include "support/BoxAnswerer.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

TStringList Captions(int n) {
    TStringList captions;
    for (int i = 1; i <= n; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2d: Song %d", i, i);
        captions.push_back(text);
    }
    return captions;
}

class TrackMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        handlers_.sbtPlayClick = [this] { calls_.push_back("play"); };
        auto record = [this](const char* name) { return [this, name] { calls_.push_back(name); }; };
        TBarCommands& h = handlers_;
        for (auto* handler :
             {&h.sbtPauseClick, &h.sbtStopClick, &h.sbtPrevClick, &h.sbtNextClick, &h.sbtEjectClick,
              &h.sbtCloseClick, &h.sbtPrgSetClick, &h.pmnOpePanelClick, &h.sbtHelpClick,
              &h.pmnAboutClick, &h.sbtExitClick}) {
            *handler = record("other");
        }
        h.sbtRepeatClick = record("repeat");
        // No title editor and no settings dialog yet.
        handlers_.TrackMenuItemClick = [this](int tag) { tags_.push_back(tag); };
        menus_ = std::make_unique<TTrackMenus>(&owner_, handlers_);
    }

    QList<QAction*> Left() { return menus_->ppmLeft()->actions(); }
    QList<QAction*> Operation() { return menus_->pmnOperation()->actions(); }

    /// The checked items at the top of `items` (the first `count`), by index.
    static std::vector<int> Checked(const QList<QAction*>& items, int count) {
        std::vector<int> checked;
        for (int i = 0; i < count; ++i) {
            if (items[i]->isChecked()) {
                checked.push_back(i);
            }
        }
        return checked;
    }

    bool appReady_ = (test::App(), true);  // before any widget
    QWidget owner_;
    TBarCommands handlers_;
    std::unique_ptr<TTrackMenus> menus_;
    std::vector<std::string> calls_;
    std::vector<int> tags_;
};

// The fixed items of both menus, in order, with their captions; separators count.
TEST_F(TrackMenusTest, FixedItemsAndCaptions) {
    const QList<QAction*> left = Left();
    ASSERT_EQ(left.size(), TTrackMenus::kLeftFixedItems);
    const char* leftTexts[] = {"再生(&P)", "一時停止(&T)", "停止(&S)",       "前曲(&R)",
                               "次曲(&F)", nullptr,        "取り出し(&E)",   "閉(&C)",
                               nullptr,    "リピート(&M)", "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ(&R)"};
    for (int i = 0; i < 11; ++i) {
        if (leftTexts[i] == nullptr) {
            EXPECT_TRUE(left[i]->isSeparator()) << i;
        } else {
            EXPECT_EQ(left[i]->text(), Text(leftTexts[i])) << i;
        }
    }
    const QList<QAction*> operation = Operation();
    ASSERT_EQ(operation.size(), TTrackMenus::kOperationFixedItems);
    EXPECT_EQ(operation[0]->text(), Text("再生(&P)"));
    EXPECT_TRUE(operation[5]->isSeparator());
    EXPECT_EQ(operation[7]->text(), Text("閉(&C)"));

    QStringList right;
    for (QAction* item : menus_->ppmRight()->actions()) {
        if (!item->isSeparator()) {
            right << item->text();
        }
    }
    EXPECT_EQ(right,
              QStringList({Text("操作(&P)"), Text("リピート(&M)"), Text("プログラムプレイ(&R)"),
                           Text("操作パネル(&V)"), Text("操作パネルへ移動(&F)"),
                           Text("タイトル編集(&E)"), Text("タイトルを検索(&L)"), Text("設定(&C)"),
                           Text("ヘルプ(&H)"), Text("ﾊﾞｰｼﾞｮﾝ情報(&A)"), Text("終了(&X)")}));
    EXPECT_EQ(menus_->ppmRight()->actions()[0]->menu(), menus_->pmnOperation());
    EXPECT_TRUE(menus_->OpePanelChecked());  // the panel starts shown
}

// 12 tracks: 12 plain items at the top of both menus, then the column's separator.
TEST_F(TrackMenusTest, TwelveTracksGiveTwelveItems) {
    TStringList captions = Captions(12);
    captions[6] = "07: ";  // a track without a name
    menus_->BuildTrackMenus(captions);
    for (const QList<QAction*>& items : {Left(), Operation()}) {
        ASSERT_GE(items.size(), 13);
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(items[i]->text(), QString::fromStdString(captions[i])) << i;
            EXPECT_EQ(items[i]->data().toInt(), i + 1);
            EXPECT_TRUE(items[i]->isCheckable());
            EXPECT_EQ(items[i]->menu(), nullptr);
        }
        EXPECT_TRUE(items[12]->isSeparator());
    }
    EXPECT_EQ(Left().size(), 24);
    EXPECT_EQ(Operation().size(), 21);
    EXPECT_EQ(Left()[13]->text(), Text("再生(&P)"));
    EXPECT_EQ(menus_->TrackCount(), 12);
}

// 20 entries stay flat; 21 and 23 come in groups of ten with the positions as captions.
TEST_F(TrackMenusTest, BeyondTwentyEntriesTheItemsComeInGroups) {
    menus_->BuildTrackMenus(Captions(20));
    EXPECT_EQ(Left().size(), 20 + 1 + 11);
    EXPECT_EQ(Left()[19]->menu(), nullptr);

    menus_->BuildTrackMenus(Captions(21));
    EXPECT_EQ(Left().size(), 3 + 1 + 11);
    EXPECT_EQ(Left()[2]->text(), QStringLiteral("No.21 to 21"));

    menus_->BuildTrackMenus(Captions(23));
    for (const QList<QAction*>& items : {Left(), Operation()}) {
        ASSERT_GE(items.size(), 4);
        EXPECT_EQ(items[0]->text(), QStringLiteral("No.1 to 10"));
        EXPECT_EQ(items[1]->text(), QStringLiteral("No.11 to 20"));
        EXPECT_EQ(items[2]->text(), QStringLiteral("No.21 to 23"));
        EXPECT_TRUE(items[3]->isSeparator());
        ASSERT_NE(items[2]->menu(), nullptr);
        const QList<QAction*> last = items[2]->menu()->actions();
        ASSERT_EQ(last.size(), 3);
        EXPECT_EQ(last[0]->text(), QStringLiteral("21: Song 21"));
        EXPECT_EQ(last[2]->data().toInt(), 23);
        EXPECT_EQ(items[0]->menu()->actions().size(), 10);
    }
    EXPECT_EQ(Operation().size(), 3 + 1 + 8);
}

// Playing entry 15 of 23 marks 'No.11 to 20' and its fifth item in both menus, and only
// those; a later mark moves every mark.
TEST_F(TrackMenusTest, MarkingAGroupedEntryMarksItsGroupAndItem) {
    menus_->BuildTrackMenus(Captions(23));
    menus_->MarkCurrentTrack(15);
    for (const QList<QAction*>& items : {Left(), Operation()}) {
        EXPECT_EQ(Checked(items, 3), std::vector<int>{1});
        EXPECT_EQ(Checked(items[1]->menu()->actions(), 10), std::vector<int>{4});
        EXPECT_TRUE(Checked(items[0]->menu()->actions(), 10).empty());
    }
    menus_->MarkCurrentTrack(22);
    for (const QList<QAction*>& items : {Left(), Operation()}) {
        EXPECT_EQ(Checked(items, 3), std::vector<int>{2});
        EXPECT_TRUE(Checked(items[1]->menu()->actions(), 10).empty());
        EXPECT_EQ(Checked(items[2]->menu()->actions(), 3), std::vector<int>{1});
    }
    // No entry playing: grouped, the old marks go and nothing is marked.
    menus_->MarkCurrentTrack(0);
    EXPECT_TRUE(Checked(Left(), 3).empty());
    EXPECT_TRUE(Checked(Left()[2]->menu()->actions(), 3).empty());
}

TEST_F(TrackMenusTest, MarkingAFlatEntryMovesTheOneMark) {
    menus_->BuildTrackMenus(Captions(12));
    EXPECT_TRUE(Checked(Left(), 12).empty());
    menus_->MarkCurrentTrack(3);
    menus_->MarkCurrentTrack(5);
    EXPECT_EQ(Checked(Left(), 12), std::vector<int>{4});
    EXPECT_EQ(Checked(Operation(), 12), std::vector<int>{4});
    // A position outside the items marks nothing new.
    menus_->MarkCurrentTrack(13);
    EXPECT_EQ(Checked(Left(), 12), std::vector<int>{4});
}

// A rebuild replaces the items; Clear leaves the fixed items only.
TEST_F(TrackMenusTest, RebuildingTwiceLeavesOneSet) {
    menus_->BuildTrackMenus(Captions(12));
    menus_->BuildTrackMenus(Captions(12));
    EXPECT_EQ(Left().size(), 12 + 1 + 11);
    EXPECT_EQ(Operation().size(), 12 + 1 + 8);
    menus_->BuildTrackMenus(Captions(23));
    menus_->BuildTrackMenus(Captions(23));
    EXPECT_EQ(Left().size(), 3 + 1 + 11);
    menus_->ClearTrackMenus();
    EXPECT_EQ(Left().size(), 11);
    EXPECT_EQ(Operation().size(), 8);
    EXPECT_EQ(Left()[0]->text(), Text("再生(&P)"));
    EXPECT_EQ(menus_->TrackCount(), 0);
    // An empty play list adds no separator either.
    menus_->BuildTrackMenus({});
    EXPECT_EQ(Left().size(), 11);
}

// A chosen track item hands its tag on; the mark moves only when the owner marks.
TEST_F(TrackMenusTest, ChoosingATrackItemHandsItsTagOn) {
    menus_->BuildTrackMenus(Captions(23));
    menus_->MarkCurrentTrack(2);
    Left()[1]->menu()->actions()[4]->trigger();
    EXPECT_EQ(tags_, std::vector<int>{15});
    EXPECT_EQ(Checked(Left(), 3), std::vector<int>{0});
    EXPECT_TRUE(Checked(Left()[1]->menu()->actions(), 10).empty());
    EXPECT_EQ(Checked(Left()[0]->menu()->actions(), 10), std::vector<int>{1});

    // The handler may rebuild the menus while the chosen item is still being handled.
    handlers_.TrackMenuItemClick = nullptr;
    int rebuilt = 0;
    TBarCommands h = handlers_;
    h.TrackMenuItemClick = [&](int) {
        menus_->BuildTrackMenus(Captions(4));
        ++rebuilt;
    };
    menus_ = std::make_unique<TTrackMenus>(&owner_, h);
    menus_->BuildTrackMenus(Captions(4));
    Left()[2]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(rebuilt, 1);
    EXPECT_EQ(Left().size(), 4 + 1 + 11);
}

// Both menus' items reach the command's one handler; check marks follow the owner, not
// the click; a track name's ampersand is shown, not taken as an accelerator.
TEST_F(TrackMenusTest, CommandsReachTheirHandlersAndMarksFollowTheOwner) {
    menus_->pmnPlayR->trigger();
    menus_->pmnPlay->trigger();
    menus_->pmnRepeatR->trigger();
    EXPECT_EQ(calls_, (std::vector<std::string>{"play", "play", "repeat"}));
    EXPECT_FALSE(menus_->pmnRepeatR->isChecked());
    menus_->SetRepeatState(true);
    EXPECT_TRUE(menus_->pmnRepeat->isChecked());
    EXPECT_TRUE(menus_->pmnRepeatR->isChecked());
    menus_->pmnOpePanel->trigger();
    EXPECT_TRUE(menus_->OpePanelChecked());

    menus_->BuildTrackMenus({"01: Rock & Roll"});
    EXPECT_EQ(Left()[0]->text(), QStringLiteral("01: Rock && Roll"));
}

// Enabling by groups; commands without a handler stay disabled whatever is enabled.
TEST_F(TrackMenusTest, EnablingFollowsTheGroupsAndTheTray) {
    menus_->EnableTransport(TTransportGroup::Disabled, TPauseAndEdit::Enabled);
    EXPECT_FALSE(menus_->pmnPlay->isEnabled());
    EXPECT_FALSE(menus_->pmnPrgSetR->isEnabled());
    EXPECT_FALSE(menus_->pmnRepeatR->isEnabled());
    EXPECT_TRUE(menus_->pmnPauseR->isEnabled());
    EXPECT_TRUE(menus_->pmnEject->isEnabled());  // not a transport item
    EXPECT_TRUE(menus_->pmnHelp->isEnabled());

    menus_->EnableTransport(TTransportGroup::Enabled, TPauseAndEdit::Enabled);
    EXPECT_TRUE(menus_->pmnStopR->isEnabled());
    EXPECT_FALSE(menus_->pmnCDEdit->isEnabled());  // no handler
    EXPECT_FALSE(menus_->pmnConfig->isEnabled());

    menus_->EnableProgramSet(false);
    EXPECT_FALSE(menus_->pmnPrgSet->isEnabled());
    EXPECT_FALSE(menus_->pmnPrgSetR->isEnabled());
    EXPECT_TRUE(menus_->pmnPlay->isEnabled());

    menus_->SetDoorState(false);
    EXPECT_FALSE(menus_->pmnEject->isEnabled());
    EXPECT_FALSE(menus_->pmnEjectR->isEnabled());
    EXPECT_TRUE(menus_->pmnClose->isEnabled());
    EXPECT_TRUE(menus_->pmnCloseR->isEnabled());
    menus_->SetDoorState(true);
    EXPECT_TRUE(menus_->pmnEjectR->isEnabled());
    EXPECT_FALSE(menus_->pmnCloseR->isEnabled());
}

}  // namespace
}  // namespace lintel
