// The settings dialog opened by the bar's command on the real bar window: what Apply shows,
// what OK stores, what Cancel leaves, and the bar set again from the file afterwards.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
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

}  // namespace
}  // namespace lintel::test
