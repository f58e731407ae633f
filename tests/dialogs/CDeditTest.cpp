// The title editor and the KnownCD import on real widgets, over a store in a scratch folder.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

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
using namespace std::chrono_literals;

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
        // Keys go to the focus widget, which the dialog has once it is active.
        QTimer::singleShot(0, dialog_.get(), [this, steps] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
            steps();
        });
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

// However the list's line moves, the name field follows it, so every name is stored under
// its own track: Tab and the arrow keys keep the focus in the list, Enter moves it to the
// name with the text selected.
TEST_F(CDeditTest, KeyboardChosenTrackGetsItsOwnName) {
    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), d.lsbAllTrack);
        for (int i = 0; i < 4; ++i) QTest::keyClick(d.lsbAllTrack, Qt::Key_Down);
        EXPECT_EQ(d.edtTrack->text(), "Song 4");
        EXPECT_EQ(QApplication::focusWidget(), d.lsbAllTrack);
        QTest::keyClick(d.lsbAllTrack, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), d.edtTrack);
        EXPECT_EQ(d.edtTrack->selectedText(), "Song 4");
        QTest::keyClicks(d.edtTrack, "Five");
        // Type-ahead in the list moves the line too; the field follows it.
        QTest::keyClick(d.edtArtist, Qt::Key_V, Qt::AltModifier);
        ASSERT_EQ(QApplication::focusWidget(), d.lsbAllTrack);
        QTest::keyClicks(d.lsbAllTrack, "08");
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 7);
        EXPECT_EQ(d.edtTrack->text(), "Song 7");
        d.OKBtn->click();
    }));
    EXPECT_EQ(Edited("0"), "Song 0");
    EXPECT_EQ(Edited("4"), "Song 4") << "the typed name went with Alt+V, as with Down";
    EXPECT_EQ(Edited("7"), "Song 7");

    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        QTest::keyClick(d.edtTitle, Qt::Key_V, Qt::AltModifier);
        for (int i = 0; i < 4; ++i) QTest::keyClick(d.lsbAllTrack, Qt::Key_Down);
        QTest::keyClick(d.lsbAllTrack, Qt::Key_Return);
        QTest::keyClicks(d.edtTrack, "Five");
        d.OKBtn->click();
    }));
    EXPECT_EQ(Edited("4"), "Five");
    EXPECT_EQ(Edited("0"), "Song 0");

    // A drag over the lines ends on track 4: its name, not the first one's, is shown.
    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        QWidget* lines = d.lsbAllTrack->viewport();
        auto at = [&d](int row) {
            return d.lsbAllTrack->visualItemRect(d.lsbAllTrack->item(row)).center();
        };
        QTest::mousePress(lines, Qt::LeftButton, {}, at(1));
        QTest::mouseMove(lines, at(2));
        QTest::mouseMove(lines, at(3));
        QTest::mouseRelease(lines, Qt::LeftButton, {}, at(3));
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 3);
        EXPECT_EQ(d.edtTrack->text(), "Song 3");
        d.edtTrack->setFocus();
        QTest::keyClick(d.edtTrack, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(d.edtTrack, "Four");
        d.OKBtn->click();
    }));
    EXPECT_EQ(Edited("3"), "Four");
    EXPECT_EQ(Edited("1"), "Song 1");

    // Arrows, then a click on the button: the shown name is stored, and typing goes on
    // into the next track's name.
    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        QTest::keyClick(d.edtTitle, Qt::Key_V, Qt::AltModifier);
        QTest::keyClick(d.lsbAllTrack, Qt::Key_Down);
        QTest::keyClick(d.lsbAllTrack, Qt::Key_Down);
        QTest::mouseClick(d.btnReturn, Qt::LeftButton);
        EXPECT_EQ(d.lsbAllTrack->currentRow(), 3);
        EXPECT_EQ(QApplication::focusWidget(), d.edtTrack);
        EXPECT_EQ(d.edtTrack->selectedText(), "Song 3");
        QTest::keyClicks(QApplication::focusWidget(), "Drei");
        d.OKBtn->click();
    }));
    EXPECT_EQ(Edited("2"), "Song 2");
    EXPECT_EQ(Edited("3"), "Drei");
}

// Fields the user did not change keep their stored bytes: a character with two code page
// 932 forms keeps its form, and bytes that decode to nothing neither raise the question
// nor get lost.
TEST_F(CDeditTest, OkKeepsTheBytesOfUntouchedFields) {
    const std::string twoForms =
        "A\xED\x40"
        "B";  // the NEC-selected form; FA5C is the other
    const std::string undecodable =
        "X\xFD"
        "Y";
    lines_ = {"EntryType=1", "title=" + twoForms, "artist=" + undecodable,
              "numtracks=2", "0=" + twoForms,     "1=" + undecodable};
    tracks_ = 2;
    test::BoxAnswerer answerer;
    answerer.onBox = [](QMessageBox& box) {
        box.button(QMessageBox::Yes)->click();
        return true;
    };
    ASSERT_TRUE(Run([this] {
        TfrmCDEdit& d = *dialog_;
        QTest::keyClick(d.edtTitle, Qt::Key_Return);  // Enter stores the title as shown
        QTest::keyClick(d.edtArtist, Qt::Key_Return);
        QTest::keyClick(d.edtTrack, Qt::Key_Return);
        d.OKBtn->click();
    }));
    EXPECT_TRUE(answerer.texts.empty()) << "no question about text the user did not touch";
    EXPECT_EQ(Edited("title"), twoForms);
    EXPECT_EQ(Edited("artist"), undecodable);
    EXPECT_EQ(Edited("0"), twoForms);
    EXPECT_EQ(Edited("1"), undecodable);
}

// A folder whose name code page 932 cannot hold would be stored as another folder: the
// user is told at OK and the stored folder stays.
TEST_F(CDeditTest, KnownCdFolderThatCannotBeStoredKeepsTheStoredOne) {
    test::TempDir catalogue;
    const std::string snowman = catalogue.File("\xE2\x98\x83");
    std::filesystem::create_directory(snowman);
    store_.WriteString("KnownCD", "MyZosho", "/old");
    test::BoxAnswerer answerer;
    dialog_->RunKnownCdDialog = [&](TfrmKCDcfg& d) {
        d.PickFolder = [&](QWidget*, const QString&) { return QFile::decodeName(snowman.c_str()); };
        QTimer::singleShot(0, &d, [&d] {
            // Once the dialog has shown the stored folder.
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            QApplication::processEvents();
            QTest::mouseClick(d.bbtFolderSelect, Qt::LeftButton);
            QTest::mouseClick(d.OKBtn, Qt::LeftButton);
        });
        return d.exec() == QDialog::Accepted;
    };
    QTest::mouseClick(dialog_->btnKCDConfig, Qt::LeftButton);
    EXPECT_EQ(store_.ReadString("KnownCD", "MyZosho", ""), "/old");
    EXPECT_THAT(answerer.texts, Contains(Jp("このフォルダ名は保存できません。")));
}

// Files of another program's folder that are no plain files: a FIFO named as a track file
// would block the opening for ever, a link to an endless device would be read until
// memory runs out. Both are named as unreadable at once; the readable disc is listed.
TEST_F(CDeditTest, KnownCdFilesThatAreNoPlainFilesAreNamedNotRead) {
    test::TempDir catalogue;
    WriteKnownCdDisc(catalogue, "A", "Ten", 10);
    WriteKnownCdDisc(catalogue, "F", "Fifo", 1);
    WriteKnownCdDisc(catalogue, "Z", "Zero", 1);
    std::filesystem::remove(catalogue.File("F.KCD"));
    std::filesystem::remove(catalogue.File("Z.KCD"));
    ASSERT_EQ(mkfifo(catalogue.File("F.KCD").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", catalogue.File("Z.KCD"));
    store_.WriteString("KnownCD", "MyZosho", catalogue.Path().string());
    // Should the FIFO be waited on, a writer that comes and goes ends the wait.
    std::atomic<bool> listed = false;
    std::thread unblock([&] {
        for (int i = 0; i < 300 && !listed; ++i) std::this_thread::sleep_for(10ms);
        if (!listed)
            close(open(catalogue.File("F.KCD").c_str(), O_WRONLY | O_NONBLOCK));
    });
    test::BoxAnswerer answerer;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration took{};
    int discs = -1;
    dialog_->RunKnownCdDialog = [&](TfrmKCDcfg& d) {
        QTimer::singleShot(0, &d, [&] {
            test::PumpUntil([&] { return !answerer.texts.empty(); });
            took = std::chrono::steady_clock::now() - start;
            discs = d.lsvCDData->topLevelItemCount();
            d.reject();
        });
        return d.exec() == QDialog::Accepted;
    };
    QTest::mouseClick(dialog_->btnKCDConfig, Qt::LeftButton);
    listed = true;
    unblock.join();
    EXPECT_LT(took, 2s);
    EXPECT_EQ(discs, 1);
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_THAT(answerer.texts[0].toStdString(), HasSubstr("F.KCD"));
    EXPECT_THAT(answerer.texts[0].toStdString(), HasSubstr("Z.KCD"));
}

}  // namespace
}  // namespace lintel
