// The settings dialog opened by the bar's command on the real bar window: what Apply shows,
// what OK stores, what Cancel leaves, and the bar set again from the file afterwards.
#include <gmock/gmock.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/BarFixture.h"
#include "dialogs/config.h"
#include "settings/SettingsKeys.h"
#include "widgets/ClrDropBtn.h"
#include "widgets/QtText.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

namespace lintel::test {
namespace {

class ConfigDialogTest : public BarFixture {
protected:
    /// Runs the bar's settings command; `edit` works on the open dialog, which then
    /// closes with OK or Cancel.
    void RunDialog(const std::function<void(TfrmConfig&)>& edit, bool ok) {
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = dynamic_cast<TfrmConfig*>(QApplication::activeModalWidget());
            // As a user would, only once the dialog is the active window.
            if (dialog == nullptr || seen || !dialog->isActiveWindow())
                return;
            seen = true;
            edit(*dialog);
            (ok ? dialog->btnOK : dialog->btnCancel)->click();
        });
        poll.start();
        bar_->sbtConfigClick();
        EXPECT_TRUE(seen) << "the dialog did not open";
    }

    int Read(TSetting id) { return ReadInteger(Settings(), id); }
    /// Shows page `index`, as a click on its tab does.
    static void pgc(TfrmConfig& d, int index) {
        QTabBar* tabs = d.pgcConfig->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    }
    std::string DiscText() { return bar_->slbCDName()->Caption(); }
};

TEST_F(ConfigDialogTest, CancelAfterApplyPutsTheBarBackAndKeepsOnlyTheShownBackgroundChoice) {
    StartWith("[Back]\r\nItemIndex=5\r\n[Track_Font]\r\nSize=20\r\n");
    const QPoint trackPlace = bar_->slbTrack()->pos();
    RunDialog(
        [&](TfrmConfig& d) {
            EXPECT_EQ(d.rdgBack->ItemIndex(), 2);  // 5 is beyond the last choice
            d.Tr.sedFontSize->setValue(40);
            d.Cn.chbSpace->setChecked(true);
            d.rdgBack->SetItemIndex(1);
            d.rdgOrder->SetItemIndex(kOrderDiscOnTop);
            d.btnReload->click();
            // The preview: bigger track name, the two-blank pad, two rows that the dock's
            // change did not undo, and the choice written for the background's erase.
            EXPECT_EQ(bar_->slbTrack()->font().pointSize(), 40);
            ASSERT_GE(DiscText().size(), 3u);
            EXPECT_EQ(DiscText().substr(DiscText().size() - 2), "  ");
            EXPECT_NE(DiscText().end()[-3], ' ');
            EXPECT_GT(bar_->slbTrack()->y(), bar_->slbCDName()->y());
            EXPECT_EQ(bar_->BarColor(), clBtnFace);
            EXPECT_EQ(Read(TSetting::BackItemIndex), 1);
        },
        false);
    EXPECT_EQ(bar_->slbTrack()->font().pointSize(), 20);
    EXPECT_NE(DiscText().back(), ' ');
    EXPECT_EQ(bar_->slbTrack()->pos(), trackPlace);
    EXPECT_EQ(Read(TSetting::BackItemIndex), 2);  // as the dialog showed it
    EXPECT_EQ(Read(TSetting::TrSize), 20);
    // This machine's test has no mixer: the page says so as the dialog opens.
    ASSERT_FALSE(answerer_.texts.empty());
    EXPECT_EQ(answerer_.texts.back(), QString("No mixer present in the system !"));
}

TEST_F(ConfigDialogTest,
       OkStoresTheShownValuesWithTypedTextAsTheLowerBoundAndAFloatingBarAsNoEdge) {
    StartWith("Order=4\r\n");
    bar_->SetEdge(TBarEdge::Floating);
    RunDialog(
        [&](TfrmConfig& d) {
            EXPECT_EQ(d.rdgOrder->ItemIndex(), kOrderTrackOnTop);  // the free layout is not offered
            EXPECT_EQ(d.rdgPosition->ItemIndex(), -1);
            for (TSpinEdit* size : {d.Cn.sedFontSize, d.sedTbFontSize}) {
                size->selectAll();
                QTest::keyClicks(size, "abc");
            }
            d.Cn.chbSpace->setChecked(true);
            d.Cn.dcbFG->SetColor(0x0000FF);
        },
        true);
    EXPECT_EQ(Read(TSetting::ConfigPosition), -1);
    EXPECT_EQ(bar_->Edge(), TBarEdge::Floating);
    EXPECT_EQ(Read(TSetting::ConfigOrder), kOrderTrackOnTop);
    EXPECT_EQ(Read(TSetting::CnSize), 1);
    EXPECT_EQ(Read(TSetting::TbFontSize), 0);
    EXPECT_EQ(bar_->slbCDName()->FontColor(), 0x0000FF);
    // Stored, the pad is one blank.
    ASSERT_GE(DiscText().size(), 2u);
    EXPECT_EQ(DiscText().back(), ' ');
    EXPECT_NE(DiscText().end()[-2], ' ');
    // The colour buttons' custom colours went to one file, each under its own entry.
    const std::string colors = ReadBytes(dir_.File("sys/li_clr.ini"));
    EXPECT_NE(colors.find("dcbCnFG.grbCnFontColor=$00FFFFFF,"), std::string::npos) << colors;
    EXPECT_NE(colors.find("dcbBkColor.tbsBk="), std::string::npos) << colors;
}

// The font lists follow the keyboard: Alt+F moves into the page's list, and each line
// chosen with the arrow keys goes into the name box, which OK stores.
TEST_F(ConfigDialogTest, FontListsTakeTheKeyboard) {
    StartWith("");
    QString chosen[3];
    RunDialog(
        [&](TfrmConfig& d) {
            QListWidget* lists[] = {d.Cn.lsbFontName, d.Tr.lsbFontName, d.lsbTbFontName};
            QLineEdit* edits[] = {d.Cn.edtFontName, d.Tr.edtFontName, d.edtTbFontName};
            for (int page = 0; page < 3; ++page) {
                ASSERT_GE(lists[page]->count(), 3);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
                ASSERT_EQ(QApplication::focusWidget(), lists[page]);
                QTest::keyClick(lists[page], Qt::Key_Down);
                QTest::keyClick(lists[page], Qt::Key_Down);
                chosen[page] = lists[page]->currentItem()->text();
                EXPECT_EQ(edits[page]->text(), chosen[page]);
                QTest::keyClick(lists[page], Qt::Key_Tab, Qt::ControlModifier);  // next page
            }
        },
        true);
    EXPECT_EQ(FromCp932(ReadString(Settings(), TSetting::CnName)), chosen[0]);
    EXPECT_EQ(FromCp932(ReadString(Settings(), TSetting::TrName)), chosen[1]);
    EXPECT_EQ(FromCp932(ReadString(Settings(), TSetting::TbFontName)), chosen[2]);
}

// Cancel puts back the stored background choice even when the dialog was left for
// another window after Apply and became active again.
TEST_F(ConfigDialogTest, CancelAfterApplyAndAnotherWindowRestoresTheBackground) {
    StartWith("[Back]\r\nItemIndex=0\r\n");
    RunDialog(
        [&](TfrmConfig& d) {
            pgc(d, 3);
            QTest::mouseClick(d.rdgBack->Button(2), Qt::LeftButton, {}, QPoint(4, 8));
            QTest::mouseClick(d.btnReload, Qt::LeftButton);
            EXPECT_EQ(Read(TSetting::BackItemIndex), 2);
            QWidget other;
            other.show();
            other.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        },
        false);
    EXPECT_EQ(Read(TSetting::BackItemIndex), 0);
}

// A font name with characters code page 932 lacks is not stored: OK names them and the
// stored name stays; the dialog's other values are stored.
TEST_F(ConfigDialogTest, FontNameThatCannotBeStoredKeepsTheStoredOne) {
    StartWith("[Track_Font]\r\nName=Kept\r\n");
    RunDialog(
        [&](TfrmConfig& d) {
            d.Tr.edtFontName->selectAll();
            QTest::keyClicks(d.Tr.edtFontName, "Snow");
            // A key whose text QTest cannot spell: the snowman.
            QKeyEvent snowman(QEvent::KeyPress, 0, Qt::NoModifier,
                              QString::fromUtf8("\xE2\x98\x83"));
            QApplication::sendEvent(d.Tr.edtFontName, &snowman);
            EXPECT_EQ(d.Tr.edtFontName->text(), QString::fromUtf8("Snow\xE2\x98\x83"));
            d.Tr.sedFontSize->setValue(30);
        },
        true);
    EXPECT_EQ(ReadString(Settings(), TSetting::TrName), "Kept");
    EXPECT_EQ(Read(TSetting::TrSize), 30);
    EXPECT_THAT(answerer_.texts, testing::Contains(Text("次の文字はフォント名に保存できません。") +
                                                   "\n\n" + QString::fromUtf8("\xE2\x98\x83")));
}

// The enabling rules, driven by clicks: a hidden label's page and the gauge's page
// (with the gauge's place on the arrangement page) go inert; the border colour follows
// its own box.
TEST_F(ConfigDialogTest, VisibleBoxesEnableTheirPages) {
    StartWith("");
    RunDialog(
        [&](TfrmConfig& d) {
            for (TLabelPage* p : {&d.Cn, &d.Tr}) {
                pgc(d, p == &d.Cn ? 0 : 1);
                ASSERT_TRUE(p->chbVisible->isChecked());
                QTest::mouseClick(p->chbUseBack, Qt::LeftButton, {}, QPoint(4, 8));
                EXPECT_FALSE(p->dcbBG->isEnabled());
                EXPECT_TRUE(p->dcbFG->isEnabled());
                QTest::mouseClick(p->chbVisible, Qt::LeftButton, {}, QPoint(4, 8));
                for (QWidget* w : std::initializer_list<QWidget*>{
                         p->chbSpace, p->chbUseBack, p->edtFontName, p->lsbFontName, p->dcbFG,
                         p->dcbBG, p->sedFontSize, p->chbBold, p->chbItalic})
                    EXPECT_FALSE(w->isEnabled());
                QTest::mouseClick(p->chbVisible, Qt::LeftButton, {}, QPoint(4, 8));
                EXPECT_TRUE(p->lsbFontName->isEnabled());
            }
            pgc(d, 2);
            QTest::mouseClick(d.chbTbVisible, Qt::LeftButton, {}, QPoint(4, 8));
            for (QWidget* w : std::initializer_list<QWidget*>{
                     d.edtTbFontName, d.lsbTbFontName, d.sedTbFontSize, d.chbTbBold, d.chbTbItalic,
                     d.rdgTbPos, d.dcbTbFG, d.dcbTbBG, d.sedTbWidth, d.sedTbHeight})
                EXPECT_FALSE(w->isEnabled());
            QTest::mouseClick(d.chbTbVisible, Qt::LeftButton, {}, QPoint(4, 8));
            EXPECT_TRUE(d.rdgTbPos->isEnabled());
        },
        false);
}

// Without a system folder the custom colours last for the session: one line on standard
// error says so, and nothing is written anywhere.
TEST_F(ConfigDialogTest, WithoutSystemFolderCustomColoursLastTheSession) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    drives_ = std::make_unique<TDriveTable>(dir_.File("sys"), std::vector<std::string>{}, clock_);
    bar_ = std::make_unique<TfrmMain>(
        *drives_, TStartupPaths{dir_.File("prog"), dir_.File("prog/lintel.ini"), ""},
        TBarDesktop{shell_, surface_, &tray_});
    bar_->Startup();
    const bool rootFileBefore = std::filesystem::exists("/li_clr.ini");
    TColorArrayClass custom = DefaultCustomColors();
    custom.Set(3, 2, 0x123456);
    TColorArrayClass seen;
    testing::internal::CaptureStderr();
    RunDialog([&](TfrmConfig& d) { d.Cn.dcbFG->SetCustomColors(custom); }, true);
    RunDialog([&](TfrmConfig& d) { seen = d.Cn.dcbFG->CustomColors(); }, false);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen, custom);
    std::size_t ours = 0;
    for (std::size_t at = err.find("lintel:"); at != std::string::npos;
         at = err.find("lintel:", at + 1))
        ++ours;
    EXPECT_EQ(ours, 1u) << err;
    EXPECT_EQ(std::filesystem::exists("/li_clr.ini"), rootFileBefore);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("prog/li_clr.ini")));
}

}  // namespace
}  // namespace lintel::test
