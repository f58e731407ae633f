// The title editor and the KnownCD import on real widgets, over a store in a scratch folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <string>

#include "dialogs/CDedit.h"
#include "dialogs/KCDcfg.h"
#include "platform/Cp932.h"
#include "support/BoxAnswerer.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "titles/TitleRecords.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

QString Jp(const char* utf8) {
    return FromCp932(cp932::Literal(utf8));
}

TStringList TenTracks() {
    TStringList lines{"EntryType=1", "artist=Band", "title=Album", "numtracks=10"};
    for (int i = 0; i < 10; ++i) lines.push_back(std::to_string(i) + "=Song " + std::to_string(i));
    return lines;
}

// A KnownCD text field: the length byte, the text, padding to 64 bytes.
std::string Field(const std::string& text) {
    std::string field(1, static_cast<char>(text.size()));
    field += text;
    field.resize(65, '\0');
    return field;
}

void WriteKnownCdDisc(const test::TempDir& dir, const std::string& name, const std::string& title,
                      int tracks) {
    dir.Write(name + ".KIX", std::string(6, 'x') + Field(title) + std::string(11, 'x') +
                                 Field("Known Band") + "rest");
    std::string records(12, 'h');
    for (int i = 0; i < tracks; ++i) {
        records += Field("K" + std::to_string(i)) + Field(i == 1 ? "" : "live");
        records += std::string(14, 'z');
    }
    dir.Write(name + ".KCD", records);
}

class CDeditTest : public ::testing::Test {
protected:
    void SetUp() override {
        lines_ = TenTracks();
        tracks_ = 10;
        dialog_ = std::make_unique<TfrmCDEdit>(&store_, nullptr);
        dialog_->Load(lines_, tracks_);
    }

    // Shows the dialog and runs `steps` in its modal loop; returns whether it closed with OK.
    bool Run(const std::function<void()>& steps) {
        dialog_ = std::make_unique<TfrmCDEdit>(&store_, nullptr);
        QTimer::singleShot(0, dialog_.get(), steps);
        return dialog_->ShowModal(lines_, tracks_);
    }
    QString Line(int i) const { return dialog_->lsbAllTrack->item(i)->text(); }
    std::string Edited(const char* key) const { return TitleLineValue(dialog_->EditLines(), key); }

    bool appReady_ = (test::App(), true);
    test::TempDir dir_;
    TIniStore store_{dir_.File("lintel.ini")};
    std::unique_ptr<TfrmCDEdit> dialog_;
    TStringList lines_;
    int tracks_ = 0;
};

// Enter stores the typed name, shows it in the list at once and lands on the next track
// with its name selected; after the last track it wraps to the first.
TEST_F(CDeditTest, EnterStoresTheTrackAndMovesOn) {
    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        EXPECT_EQ(d.edtTitle->text(), "Album");
        EXPECT_EQ(d.lsbAllTrack->count(), 10);
        EXPECT_EQ(Line(0), "01: Song 0");
        QTest::mouseClick(d.lsbAllTrack->viewport(), Qt::LeftButton, {},
                          d.lsbAllTrack->visualItemRect(d.lsbAllTrack->item(4)).center());
        EXPECT_EQ(d.edtTrack->text(), "Song 4");
        d.edtTrack->selectAll();
        QTest::keyClicks(d.edtTrack, "New");
        QTest::keyClick(d.edtTrack, Qt::Key_Return);
        EXPECT_EQ(Line(4), "05: New");
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 5);
        EXPECT_EQ(d.edtTrack->selectedText(), "Song 5");
        // The last track wraps to the first; Enter never closed the dialog.
        d.lsbAllTrack->setCurrentRow(9);
        d.lsbAllTrackClick();
        QTest::keyClick(d.edtTrack, Qt::Key_Return);
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 0);
        EXPECT_TRUE(d.isVisible());
        d.OKBtn->click();
    }));
    EXPECT_EQ(Edited("4"), "New");
    EXPECT_EQ(Edited("EntryType"), "1");
    EXPECT_EQ(Edited("numtracks"), "10");
}

// Up and Down drop the typed name; OK takes the three fields as they stand; an emptied
// artist leaves the copy without "artist"; Cancel hands nothing back.
TEST_F(CDeditTest, ArrowsDropTypedTextAndOkTakesTheFields) {
    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        d.edtTrack->setFocus();
        d.edtTrack->setText("Dropped");
        QTest::keyClick(d.edtTrack, Qt::Key_Down);
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 1);
        QTest::keyClick(d.edtTrack, Qt::Key_Up);
        QTest::keyClick(d.edtTrack, Qt::Key_Up);  // the first line stays
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 0);
        EXPECT_EQ(Line(0), "01: Song 0");
        d.edtTrack->setText("Kept");
        d.edtArtist->clear();
        d.edtTitle->setText("Blue");
        d.OKBtn->click();
    }));
    EXPECT_EQ(Edited("0"), "Kept");
    EXPECT_EQ(Edited("title"), "Blue");
    EXPECT_THAT(dialog_->EditLines(), Not(Contains(testing::StartsWith("artist="))));

    EXPECT_FALSE(Run([this] {
        dialog_->edtTitle->setText("Other");
        QTest::keyClick(dialog_->edtTitle, Qt::Key_Escape);
    }));
}

// Typed Japanese is stored as code page 932; a character without a form is named at OK,
// and the record is handed back without it only once the user agrees.
TEST_F(CDeditTest, UnstorableCharactersAreNamedBeforeOkStoresWithoutThem) {
    int questions = 0;
    ASSERT_TRUE(Run([&] {
        TfrmCDEdit& d = *dialog_;
        d.edtTitle->setText(Jp("夜明け") + QString::fromUtf8(" caf\xC3\xA9 \xE2\x98\x83"));
        auto answer = [&](QMessageBox::StandardButton button) {
            QTimer::singleShot(0, &d, [&d, &questions, button] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                ++questions;
                box->button(button)->click();
            });
        };
        answer(QMessageBox::No);
        d.OKBtn->click();
        EXPECT_TRUE(d.isVisible()) << "No goes back to the dialog";
        EXPECT_THAT(d.LastQuestion().toStdString(),
                    HasSubstr(QString::fromUtf8("\xC3\xA9 \xE2\x98\x83").toStdString()));
        answer(QMessageBox::Yes);
        d.OKBtn->click();
    }));
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(Edited("title"), cp932::Literal("夜明け") + " caf ");
}

// The KnownCD dialog lists the discs it can read and names the files it cannot.
TEST_F(CDeditTest, KnownCdListsReadableDiscsAndNamesTheBrokenOnes) {
    test::TempDir catalogue;
    WriteKnownCdDisc(catalogue, "A", "Ten", 10);
    WriteKnownCdDisc(catalogue, "B", "Two", 2);
    catalogue.Write("Lone.KIX", std::string(200, 'x'));
    catalogue.Write("lower.kix", std::string(200, 'x'));
    store_.WriteString("KnownCD", "MyZosho", catalogue.Path().string());
    TfrmKCDcfg dialog(&store_, nullptr);
    QTimer::singleShot(0, &dialog, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    dialog.FormShow();
    ASSERT_EQ(dialog.lsvCDData->topLevelItemCount(), 2);
    QTreeWidgetItem* a = dialog.lsvCDData->topLevelItem(0);
    EXPECT_EQ(a->text(0), "A.KIX");
    EXPECT_EQ(a->text(1), "Ten");
    EXPECT_EQ(a->text(2), "Known Band");
    EXPECT_EQ(a->text(3), "10");
    EXPECT_THAT(dialog.LastReadErrors().toStdString(), HasSubstr("Lone.KCD"));
    EXPECT_FALSE(dialog.SelectedDisc());

    // A stored folder that is gone opens the dialog with an empty list, no message.
    store_.WriteString("KnownCD", "MyZosho", catalogue.File("gone"));
    TfrmKCDcfg stale(&store_, nullptr);
    stale.FormShow();
    EXPECT_EQ(stale.lsvCDData->topLevelItemCount(), 0);
    EXPECT_EQ(stale.edtDataFolder->text().toStdString(), catalogue.File("gone"));
    EXPECT_TRUE(stale.LastReadErrors().isEmpty());
}

// OK in the KnownCD dialog stores the folder; a chosen disc of the same track count
// replaces the names (with remarks if asked), one of another count imports nothing.
TEST_F(CDeditTest, KnownCdImportReplacesTheNamesOfADiscOfTheSameLength) {
    test::TempDir catalogue;
    WriteKnownCdDisc(catalogue, "A", "", 10);
    WriteKnownCdDisc(catalogue, "B", "Two", 2);
    const std::string folder = catalogue.Path().string();
    auto choose = [&](int row, bool remarks) {
        dialog_->RunKnownCdDialog = [=](TfrmKCDcfg& d) {
            d.edtDataFolder->setText(QString::fromStdString(folder));
            d.ListKnownCDFolder();
            if (row >= 0)
                d.lsvCDData->topLevelItem(row)->setSelected(true);
            d.chbRemark->setChecked(remarks);
            return true;
        };
    };
    // OK without a disc chosen only stores the folder.
    choose(-1, false);
    dialog_->btnKCDConfigClick();
    EXPECT_EQ(store_.ReadString("KnownCD", "MyZosho", ""), folder);
    EXPECT_EQ(dialog_->EditLines(), lines_);

    // Two tracks against the disc's ten: the message, and nothing changes.
    choose(1, false);
    QTimer::singleShot(0, dialog_.get(), [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), Jp("記録されている曲数が異なるため読み込めません"));
        box->accept();
    });
    dialog_->btnKCDConfigClick();
    EXPECT_EQ(dialog_->EditLines(), lines_);

    choose(0, true);
    dialog_->btnKCDConfigClick();
    const TStringList& edited = dialog_->EditLines();
    EXPECT_EQ(TitleLineValue(edited, "title"), "") << "a length byte of 0 removes the title";
    EXPECT_THAT(edited, Not(Contains(testing::StartsWith("title="))));
    EXPECT_EQ(TitleLineValue(edited, "artist"), "Known Band");
    EXPECT_EQ(TitleLineValue(edited, "0"), "K0 / live");
    EXPECT_EQ(TitleLineValue(edited, "1"), "K1 / ");
    EXPECT_EQ(TitleLineValue(edited, "9"), "K9 / live");
    EXPECT_EQ(TitleLineValue(edited, "EntryType"), "1");
    EXPECT_EQ(TitleLineValue(edited, "numtracks"), "10");
    EXPECT_EQ(dialog_->lsbAllTrack->item(0)->text(), "01: K0 / live");
    EXPECT_EQ(dialog_->edtArtist->text(), "Known Band");
}

}  // namespace
}  // namespace lintel
