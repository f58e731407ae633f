#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "RecordingOpener.h"
#include "dialogs/CDprg.h"
#include "dialogs/Help.h"
#include "platform/Cp932.h"
#include "platform/Drives.h"
#include "playback/BarEngine.h"
#include "playback/RecordingView.h"
#include "support/BoxAnswerer.h"
#include "support/StepClock.h"
#include "support/TempDir.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

// The bar as the dialog sees it, over a real store in a scratch folder.
class FakeHost : public TPrgSetHost {
public:
    explicit FakeHost(const std::string& file) : store(file) {}
    TStringList& PlayOrder() override { return order; }
    const TStringList& TitleLines() const override { return lines; }
    std::string DiscId() const override { return discId; }
    TIniStore* Settings() override { return &store; }
    int TrackCount() override { return tracks; }
    bool RepeatDown() const override { return repeat; }

    TIniStore store;
    TStringList order;
    TStringList lines{"EntryType=1", "artist=Band", "title=Album", "0=One", "1=Two", "2=Three"};
    std::string discId = "ABC";
    int tracks = 3;
    bool repeat = false;
};

using test::RecordingOpener;

class PrgSetTest : public ::testing::Test {
protected:
    void SetUp() override { test::App(); }

    QStringList ProgramLines() const {
        QStringList lines;
        for (int i = 0; i < dialog_.lsbPrg->count(); ++i) {
            lines << dialog_.lsbPrg->item(i)->text();
        }
        return lines;
    }
    void SelectProgramLine(int i) {
        dialog_.lsbPrg->clearSelection();
        dialog_.lsbPrg->item(i)->setSelected(true);
    }

    bool appReady_ = (test::App(), true);  // before any widget
    test::TempDir dir_;
    FakeHost host_{dir_.File("lintel.ini")};
    RecordingOpener opener_;
    THelp help_{opener_, QString::fromStdString(dir_.File("help"))};
    TfrmPrgSet dialog_{host_, &help_};
};

// Activation: the repeat box, the heading, the track lines and the stored program.
TEST_F(PrgSetTest, ActivationShowsTheDiscAndItsStoredProgram) {
    EXPECT_EQ(dialog_.PlayModeChoice(), 0);
    host_.repeat = true;
    host_.store.WriteString("ABC", "order", "2 0 2 ");
    dialog_.FormActivate();
    EXPECT_TRUE(dialog_.chbRepeat->isChecked());
    EXPECT_EQ(dialog_.lblTrack->text(), QStringLiteral("<Band/Album>") + Text("(&V)"));
    ASSERT_EQ(dialog_.lsbAllTrack->count(), 3);
    EXPECT_EQ(dialog_.lsbAllTrack->item(2)->text(), QStringLiteral("03: Three"));
    EXPECT_EQ(ProgramLines(), QStringList({"03: Three", "01: One", "03: Three"}));
    EXPECT_EQ(host_.order, (TStringList{"2", "0", "2"}));
    // Disc order: neither list can be used.
    EXPECT_FALSE(dialog_.lsbAllTrack->isEnabled());
    EXPECT_FALSE(dialog_.lsbPrg->isEnabled());
    EXPECT_FALSE(dialog_.btnIncAll->isEnabled());
    EXPECT_TRUE(dialog_.btnUp->isEnabled());

    // A record without values: numbers only, and the bare heading.
    host_.lines.clear();
    host_.repeat = false;
    dialog_.FormActivate();
    EXPECT_FALSE(dialog_.chbRepeat->isChecked());
    EXPECT_EQ(dialog_.lblTrack->text(), QStringLiteral("</>") + Text("(&V)"));
    EXPECT_EQ(dialog_.lsbAllTrack->item(0)->text(), QStringLiteral("01: "));
}

// Stored entries that name no track of this disc are left out of both lists alike.
TEST_F(PrgSetTest, StoredEntriesThatAreNoTrackAreSkipped) {
    host_.store.WriteString("ABC", "order", "2 x 7  -1 1 '0' 01 ");
    host_.order = {"9", "9"};
    dialog_.FormActivate();
    EXPECT_EQ(host_.order, (TStringList{"2", "1", "1"}));
    EXPECT_EQ(ProgramLines(), QStringList({"03: Three", "02: Two", "02: Two"}));
    // No stored program: an empty one, and nothing to remove.
    host_.discId = "OTHER";
    dialog_.SetPlayModeChoice(1);
    dialog_.FormActivate();
    EXPECT_TRUE(host_.order.empty());
    EXPECT_EQ(dialog_.lsbPrg->count(), 0);
    EXPECT_FALSE(dialog_.btnExclude->isEnabled());
    EXPECT_FALSE(dialog_.btnExcAll->isEnabled());
    EXPECT_TRUE(dialog_.btnInclude->isEnabled());
}

// Program mode: include, include all, exclude and move, the lists always in step.
TEST_F(PrgSetTest, EditingTheProgramKeepsListAndOrderInStep) {
    host_.tracks = 2;
    dialog_.SetPlayModeChoice(1);
    dialog_.FormActivate();
    EXPECT_EQ(dialog_.lsbAllTrack->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(dialog_.lsbPrg->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(dialog_.lsbPrg->isEnabled());

    dialog_.btnIncAllClick();
    dialog_.btnIncAllClick();
    EXPECT_EQ(host_.order, (TStringList{"0", "1", "0", "1"}));
    EXPECT_EQ(ProgramLines(), QStringList({"01: One", "02: Two", "01: One", "02: Two"}));

    dialog_.lsbAllTrack->item(1)->setSelected(true);
    dialog_.btnIncludeClick();
    EXPECT_EQ(host_.order.back(), "1");
    EXPECT_EQ(dialog_.lsbPrg->count(), 5);

    // Removing the selected line removes the same position of the order.
    SelectProgramLine(1);
    dialog_.btnExcludeClick();
    EXPECT_EQ(host_.order, (TStringList{"0", "0", "1", "1"}));
    EXPECT_EQ(ProgramLines(), QStringList({"01: One", "01: One", "02: Two", "02: Two"}));
    dialog_.lsbPrg->clearSelection();
    dialog_.btnExcludeClick();
    EXPECT_EQ(dialog_.lsbPrg->count(), 4);

    // Up and down move the line and its entry; at the ends, or unselected, nothing.
    SelectProgramLine(2);
    dialog_.btnUpClick();
    EXPECT_EQ(host_.order, (TStringList{"0", "1", "0", "1"}));
    EXPECT_TRUE(dialog_.lsbPrg->item(1)->isSelected());
    dialog_.btnUpClick();
    dialog_.btnUpClick();
    EXPECT_EQ(host_.order, (TStringList{"1", "0", "0", "1"}));
    EXPECT_TRUE(dialog_.lsbPrg->item(0)->isSelected());
    SelectProgramLine(3);
    dialog_.btnDownClick();
    EXPECT_EQ(host_.order, (TStringList{"1", "0", "0", "1"}));
    SelectProgramLine(1);
    dialog_.btnDownClick();
    EXPECT_EQ(host_.order, (TStringList{"1", "0", "0", "1"}));  // 0 and 0 swapped
    EXPECT_TRUE(dialog_.lsbPrg->item(2)->isSelected());
    dialog_.btnDownClick();
    EXPECT_EQ(host_.order, (TStringList{"1", "0", "1", "0"}));
    EXPECT_EQ(ProgramLines(), QStringList({"02: Two", "01: One", "02: Two", "01: One"}));
    dialog_.lsbPrg->clearSelection();
    dialog_.btnDownClick();
    dialog_.btnUpClick();
    EXPECT_EQ(host_.order, (TStringList{"1", "0", "1", "0"}));

    dialog_.btnExcAllClick();
    EXPECT_TRUE(host_.order.empty());
    EXPECT_EQ(dialog_.lsbPrg->count(), 0);
    EXPECT_FALSE(dialog_.btnExcAll->isEnabled());
}

// Random mode: every track selected, a click toggles one, and include does nothing.
TEST_F(PrgSetTest, RandomModeSelectsEveryTrack) {
    dialog_.FormActivate();
    dialog_.rdgHowPlayItems[2]->click();
    EXPECT_EQ(dialog_.PlayModeChoice(), 2);
    EXPECT_EQ(dialog_.TrackSelection(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(dialog_.lsbAllTrack->selectionMode(), QAbstractItemView::MultiSelection);
    EXPECT_TRUE(dialog_.lsbAllTrack->isEnabled());
    EXPECT_FALSE(dialog_.lsbPrg->isEnabled());
    EXPECT_FALSE(dialog_.btnInclude->isEnabled());
    EXPECT_EQ(dialog_.lblPrg->text(), Text("↑選択されている曲がランダムに使用されます"));

    dialog_.lsbAllTrack->item(1)->setSelected(false);
    dialog_.btnIncludeClick();  // as a double click would
    EXPECT_EQ(dialog_.lsbPrg->count(), 0);
    EXPECT_EQ(dialog_.TrackSelection(), (std::vector<bool>{true, false, true}));

    // Back to a program: one line at a time again, none chosen yet.
    dialog_.rdgHowPlayItems[1]->click();
    EXPECT_EQ(dialog_.lblPrg->text(), Text("再生の順序(&P)"));
    EXPECT_EQ(dialog_.TrackSelection(), (std::vector<bool>{false, false, false}));
}

// OK and Cancel close the modal dialog with their answers; the choice is kept.
TEST_F(PrgSetTest, OkAndCancelCloseTheDialog) {
    QTimer::singleShot(0, [this] {
        dialog_.rdgHowPlayItems[1]->click();
        dialog_.chbRepeat->setChecked(true);
        dialog_.OKBtn->click();
    });
    EXPECT_TRUE(dialog_.ShowModal());
    EXPECT_EQ(dialog_.PlayModeChoice(), 1);
    EXPECT_TRUE(dialog_.RepeatChecked());
    EXPECT_FALSE(dialog_.isVisible());

    QTimer::singleShot(0, [this] { dialog_.CancelBtn->click(); });
    EXPECT_FALSE(dialog_.ShowModal());
    EXPECT_EQ(dialog_.PlayModeChoice(), 1);

    dialog_.SetPlayModeChoice(0);  // the disc went away
    EXPECT_TRUE(dialog_.rdgHowPlayItems[0]->isChecked());
    EXPECT_FALSE(dialog_.lsbAllTrack->isEnabled());
}

// The help button opens the program-play page; a page that is missing is reported.
TEST_F(PrgSetTest, HelpButtonOpensTheProgramPlayPage) {
    std::filesystem::create_directories(dir_.File("help/ja"));
    dir_.Write("help/ja/program.html", "<html></html>");
    dialog_.HelpBtn->click();
    ASSERT_EQ(opener_.opened.size(), 1u);
    EXPECT_EQ(opener_.opened[0],
              QUrl::fromLocalFile(QString::fromStdString(dir_.File("help/ja/program.html"))));
    EXPECT_TRUE(dialog_.LastHelpError().empty());

    std::filesystem::remove(dir_.File("help/ja/program.html"));
    test::BoxAnswerer boxes;
    dialog_.HelpBtn->click();
    EXPECT_EQ(opener_.opened.size(), 1u);
    EXPECT_FALSE(dialog_.LastHelpError().empty());
    ASSERT_EQ(boxes.texts.size(), 1u);
}

// ---- the dialog behind the real engine ---------------------------------------------------

// A bar view that shows the real dialog where the engine asks for it.
class DialogView : public test::RecordingView {
public:
    TfrmPrgSet* dialog = nullptr;
    std::function<void()> whileShown;
    bool ShowProgramDialog() override {
        QTimer::singleShot(0, [this] { whileShown(); });
        return dialog->ShowModal();
    }
    int PlayModeChoice() const override { return dialog->PlayModeChoice(); }
    bool ProgramRepeatChecked() const override { return dialog->RepeatChecked(); }
    std::vector<bool> ProgramTrackSelection() const override { return dialog->TrackSelection(); }
    void ResetPlayModeChoice() override { dialog->SetPlayModeChoice(0); }
};

class EnginePrgSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        std::filesystem::create_directories(dir_.File("prog"));
        std::filesystem::create_directories(dir_.File("sys"));
        std::string disc;
        for (int t = 0; t < 12; ++t) {
            disc += "length 00:10:00\n";
        }
        dir_.Write("sys/v.disc", disc);
        dir_.Write("sys/drives.ini", "[Drives]\nV=v.disc\n");
        dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\nTimerInt=1000\r\n");
        drives_ =
            std::make_unique<TDriveTable>(dir_.File("sys"), std::vector<std::string>{}, clock_);
        Start();
    }
    void Start() {
        engine_ = std::make_unique<TBarEngine>(view_, *drives_);
        engine_->FormCreate({dir_.File("prog"), dir_.File("prog/lintel.ini"), dir_.File("sys")});
        host_ = std::make_unique<TEnginePrgSetHost>(*engine_, [this] { return view_.repeatState; });
        dialog_ = std::make_unique<TfrmPrgSet>(*host_, nullptr);
        view_.dialog = dialog_.get();
    }
    void Restart() {
        engine_->FormClose();
        (void)engine_->FormDestroy();
        dialog_.reset();
        engine_.reset();
        Start();
    }
    std::string StoredOrder() {
        return engine_->Settings()->ReadString(engine_->DiscId(), "order", "<none>");
    }

    test::TempDir dir_;
    test::StepClock clock_;
    DialogView view_;
    std::unique_ptr<TDriveTable> drives_;
    std::unique_ptr<TBarEngine> engine_;
    std::unique_ptr<TEnginePrgSetHost> host_;
    std::unique_ptr<TfrmPrgSet> dialog_;
};

// OK in program mode stores the program; it comes back at the next run and opening.
TEST_F(EnginePrgSetTest, OkStoresTheProgramAndItComesBack) {
    ASSERT_NE(engine_->DiscId(), "0");
    view_.whileShown = [this] {
        dialog_->rdgHowPlayItems[1]->click();
        for (int track : {4, 1, 8}) {
            dialog_->lsbAllTrack->setCurrentRow(track);
            dialog_->btnIncludeClick();
        }
        dialog_->OKBtn->click();
    };
    engine_->sbtPrgSetClick();
    EXPECT_TRUE(engine_->ProgramMode());
    EXPECT_EQ(engine_->PlayOrder(), (TStringList{"4", "1", "8"}));
    EXPECT_EQ(StoredOrder(), "4 1 8 ");
    ASSERT_EQ(view_.menu.size(), 3u);
    EXPECT_EQ(view_.menu[0].substr(0, 4), "05: ");

    Restart();
    view_.whileShown = [this] { dialog_->CancelBtn->click(); };
    engine_->sbtPrgSetClick();
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_EQ(dialog_->lsbPrg->count(), 3);
    EXPECT_EQ(dialog_->lsbPrg->item(1)->text().left(4), QStringLiteral("02: "));
    EXPECT_EQ(engine_->PlayOrder(), (TStringList{"4", "1", "8"}));
}

// Cancel changes neither the stored program nor the repeat state.
TEST_F(EnginePrgSetTest, CancelKeepsStoredProgramAndRepeat) {
    engine_->Settings()->WriteString(engine_->DiscId(), "order", "0 1 ");
    view_.whileShown = [this] {
        dialog_->rdgHowPlayItems[1]->click();
        dialog_->btnExcAllClick();
        dialog_->chbRepeat->setChecked(true);
        dialog_->CancelBtn->click();
    };
    engine_->sbtPrgSetClick();
    EXPECT_FALSE(engine_->ProgramMode());
    EXPECT_FALSE(engine_->RepeatOn());
    EXPECT_EQ(StoredOrder(), "0 1 ");
    EXPECT_TRUE(view_.timerEnabled);  // the timer runs again afterwards
}

// A program longer than one stored line keeps whole entries only, and reads back whole.
TEST_F(EnginePrgSetTest, ALongProgramIsStoredAsWholeEntries) {
    view_.whileShown = [this] {
        dialog_->rdgHowPlayItems[1]->click();
        for (int i = 0; i < 10; ++i) {
            dialog_->btnIncAllClick();  // 120 entries, 270 bytes packed
        }
        dialog_->OKBtn->click();
    };
    engine_->sbtPrgSetClick();
    EXPECT_EQ(engine_->PlayOrder().size(), 120u);
    const std::string stored = StoredOrder();
    EXPECT_LE(std::string("order=").size() + stored.size(), TIniStore::kMaxLine);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.back(), ' ');

    view_.whileShown = [this] { dialog_->CancelBtn->click(); };
    engine_->sbtPrgSetClick();
    const TStringList& order = engine_->PlayOrder();
    EXPECT_EQ(static_cast<int>(order.size()), dialog_->lsbPrg->count());
    EXPECT_GT(order.size(), 100u);
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i], std::to_string(i % 12)) << i;
    }
}

// Random over the selected tracks: OK hands the selection to the engine's draw.
TEST_F(EnginePrgSetTest, RandomPlaysTheSelectedTracks) {
    view_.whileShown = [this] {
        dialog_->rdgHowPlayItems[2]->click();
        for (int i = 0; i < 12; ++i) {
            dialog_->lsbAllTrack->item(i)->setSelected(i % 3 == 0);
        }
        dialog_->OKBtn->click();
    };
    engine_->sbtPrgSetClick();
    EXPECT_TRUE(engine_->RandomOrder());
    TStringList order = engine_->PlayOrder();
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, (TStringList{"0", "3", "6", "9"}));
    EXPECT_EQ(StoredOrder(), "<none>");  // a random order is not stored
}

}  // namespace
}  // namespace lintel
