#include <gtest/gtest.h>
#include <signal.h>

#include <QPaintEvent>
#include <QScreen>
#include <QToolButton>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

#include "BarFixture.h"
#include "dialogs/CDprg.h"
#include "platform/Cp932.h"
#include "playback/MediaPlayer.h"
#include "widgets/QtText.h"
#include "widgets/ShadowLabel.h"
#include "widgets/TextGauges.h"

namespace lintel {
namespace {

using test::PumpUntil;

class BarWindowTest : public test::BarFixture {};

// ---- start-up

TEST_F(BarWindowTest, FirstStartImportsCdplayerIniWithItsMessageAndTheNextStartDoesNot) {
    dir_.Write("sys/cdplayer.ini", "[Config]\r\nDrive=V:\r\n\r\n[ABCD]\r\ntitle=Old\r\n");
    Start();
    ASSERT_EQ(answerer_.texts.size(), 1u);
    EXPECT_EQ(answerer_.texts[0],
              Text("タイトルデータを cdplayer.ini から lintel.ini にコピーしました"));
    EXPECT_NE(Ini().find("[ABCD]"), std::string::npos);
    EXPECT_EQ(bar_->Engine().DiscId(), "363E9");  // the copied Drive=V: found the disc

    bar_->close();
    EXPECT_EQ(bar_->FormDestroy(), 0);
    bar_.reset();
    Start();
    EXPECT_EQ(answerer_.texts.size(), 1u) << "the import happens on the first start only";
}

TEST_F(BarWindowTest, DeviceThatCannotOpenIsReportedOnceInThreeLinesAndTheBarComesUp) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=Q:\r\n");
    Start();
    ASSERT_EQ(answerer_.texts.size(), 1u);
    EXPECT_EQ(answerer_.texts[0],
              Text("CDデバイスをオープンできませんでした。\nLintelを終了し、他のＣＤプレーヤーも"
                   "終了してください。\nその後、Lintelを再実行して下さい。"));
    EXPECT_TRUE(bar_->Engine().DeviceUnavailable());
    EXPECT_TRUE(bar_->isVisible());
    EXPECT_TRUE(bar_->Timer1().isActive());
    // The ticks that follow raise nothing more.
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(answerer_.texts.size(), 1u);
}

TEST_F(BarWindowTest, ALoadedDiscFillsLabelsGaugeAndControls) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start();
    EXPECT_TRUE(answerer_.texts.empty());
    EXPECT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist>");
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. Track 1");
    EXPECT_EQ(bar_->gagTrTime()->Text(), "0:00/3:08");
    EXPECT_EQ(bar_->gagTrTime()->MaxValue(), 188066);  // 3:08:05 of track 1 in ms
    EXPECT_TRUE(bar_->pnlOperation()->sbtPlay()->isEnabled());
    EXPECT_TRUE(bar_->pnlOperation()->sbtPause()->isEnabled());
    EXPECT_FALSE(bar_->pnlOperation()->sbtEject()->isHidden());
    EXPECT_TRUE(bar_->pnlOperation()->sbtClose()->isHidden());
    ASSERT_EQ(bar_->TrackMenuCaptions().size(), 2u);
    // One row: the track label follows the disc label, the gauge sits top right.
    EXPECT_EQ(bar_->slbTrack()->x(), bar_->slbCDName()->width() + 16);
    EXPECT_EQ(bar_->gagTrTime()->x(), bar_->width() - 144 - 4);
    // Bottom edge by default; the panel starts in the bar's bottom right corner.
    EXPECT_EQ(bar_->Edge(), TBarEdge::Bottom);
    // The bar is as thick as its labels need; the panel starts in its bottom right corner.
    EXPECT_EQ(bar_->height(), bar_->HorzDockSize());
    EXPECT_EQ(bar_->HorzDockSize(),
              std::max(bar_->slbCDName()->height(), bar_->slbTrack()->height()) + 12);
    EXPECT_EQ(bar_->pnlOperation()->geometry(),
              QRect(bar_->width() - 258, bar_->height() - 18, 258, 18));
}

TEST_F(BarWindowTest, EmptyDriveDisablesTransportButNeverEjectOrExit) {
    dir_.Write("sys/v.disc", "");  // an unreadable disc reads as none
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start();
    EXPECT_EQ(bar_->slbCDName()->Caption(), "No Disc");
    for (QToolButton* b : {bar_->pnlOperation()->sbtPlay(), bar_->pnlOperation()->sbtPause(),
                           bar_->pnlOperation()->sbtStop(), bar_->pnlOperation()->sbtPrev(),
                           bar_->pnlOperation()->sbtNext()})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(bar_->pnlOperation()->sbtEject()->isEnabled());
    EXPECT_TRUE(bar_->pnlOperation()->sbtExit()->isEnabled());

    bar_->SetDoorState(false);
    EXPECT_TRUE(bar_->pnlOperation()->sbtEject()->isHidden());
    EXPECT_FALSE(bar_->pnlOperation()->sbtClose()->isHidden());
    EXPECT_EQ(bar_->pnlOperation()->sbtClose()->geometry(),
              bar_->pnlOperation()->sbtEject()->geometry());
}

TEST_F(BarWindowTest, StoredPanelPlaceIsUsedAndAPlaceOffTheBarIsPulledBack) {
    dir_.Write("prog/lintel.ini", "[iPosition]\r\nOp_X=100\r\nOp_Y=3\r\n");
    Start();
    EXPECT_EQ(bar_->pnlOperation()->pos(), QPoint(100, 3));
    CloseBar();

    dir_.Write("prog/lintel.ini", "[iPosition]\r\nOp_X=5000\r\nOp_Y=-40\r\n");
    Start();
    EXPECT_EQ(bar_->pnlOperation()->pos(), QPoint(bar_->width() - 258, 0));
}

// ---- commands and ticks reach the engine

TEST_F(BarWindowTest, ButtonsAndTicksDriveThePlayer) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start();
    bar_->pnlOperation()->sbtPlay()->click();
    EXPECT_TRUE(bar_->Engine().PlayRequested());
    clock_.Step(std::chrono::milliseconds(5500));
    bar_->Timer1Timer();
    EXPECT_EQ(bar_->gagTrTime()->Text(), "0:05/3:08");

    bar_->pnlOperation()->sbtPause()->click();
    EXPECT_TRUE(bar_->Engine().Paused());
    EXPECT_FALSE(bar_->pnlOperation()->sbtPlay()->isEnabled()) << "only pause stays available";
    bar_->pnlOperation()->sbtPause()->click();
    EXPECT_FALSE(bar_->Engine().Paused());

    bar_->pnlOperation()->sbtRepeat()->click();
    EXPECT_TRUE(bar_->Engine().RepeatOn());
    EXPECT_TRUE(bar_->pnlOperation()->sbtRepeat()->isChecked());

    bar_->pnlOperation()->sbtEject()->click();
    EXPECT_EQ(bar_->slbCDName()->Caption(), "No Disc");
    EXPECT_FALSE(bar_->pnlOperation()->sbtClose()->isHidden());
    bar_->pnlOperation()->sbtClose()->click();
    EXPECT_FALSE(bar_->pnlOperation()->sbtEject()->isHidden());
    bar_->Timer1Timer();  // the stopped tick finds the disc again
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. Track 1");
    EXPECT_TRUE(answerer_.texts.empty());
}

// Built at its first use, the program-play dialog is answered before it as a new one is.
TEST_F(BarWindowTest, TheProgramDialogIsBuiltAtItsFirstUse) {
    Start();
    EXPECT_EQ(bar_->findChild<TfrmPrgSet*>(), nullptr) << "built at start-up";
    TEnginePrgSetHost host(bar_->Engine(), [] { return false; });
    const TfrmPrgSet fresh(host, nullptr);
    EXPECT_EQ(bar_->PlayModeChoice(), fresh.PlayModeChoice());
    EXPECT_EQ(bar_->ProgramRepeatChecked(), fresh.RepeatChecked());
    EXPECT_EQ(bar_->ProgramTrackSelection(), fresh.TrackSelection());
    TfrmPrgSet* dialog = &bar_->frmPrgSet();
    EXPECT_EQ(dialog->parent(), bar_.get());
    EXPECT_EQ(&bar_->frmPrgSet(), dialog) << "kept once built";
}

// ---- the poll timer

// The paint events each widget receives, with the pixels they cover.
class PaintLog : public QObject {
public:
    std::map<QObject*, long long> pixels;
    int events = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++events;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                pixels[watched] += static_cast<long long>(r.width()) * r.height();
        }
        return false;
    }
};

TEST_F(BarWindowTest, APlayingTickRepaintsOnlyTheGaugePixelsThatChanged) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start();
    bar_->pnlOperation()->sbtPlay()->click();
    QApplication::processEvents();
    TTextGauge* gauge = bar_->gagTrTime();
    const long long gaugeArea = static_cast<long long>(gauge->width()) * gauge->height();

    PaintLog log;
    qApp->installEventFilter(&log);
    for (int tick = 0; tick < 8; ++tick) {  // within track 1, across whole percents
        clock_.Step(std::chrono::milliseconds(1000));
        bar_->Timer1Timer();
        QApplication::processEvents();
    }
    qApp->removeEventFilter(&log);
    ASSERT_EQ(gauge->Text(), "0:08/3:08");

    EXPECT_LE(log.events, 8) << "at most one paint a tick";
    EXPECT_EQ(log.pixels.size(), 1u) << "only the gauge paints: not the bar, its labels or panel";
    EXPECT_GT(log.pixels[gauge], 0);
    EXPECT_LT(log.pixels[gauge], 8 * gaugeArea / 4) << "a tick repaints a few digits and columns";

    // Painted piecemeal, the window shows exactly the gauge's whole picture.
    const QImage window = bar_->screen()->grabWindow(bar_->winId()).toImage();
    EXPECT_EQ(window.copy(gauge->geometry()).convertToFormat(QImage::Format_RGB32),
              gauge->Picture().convertToFormat(QImage::Format_RGB32));
}

TEST_F(BarWindowTest, TimerWaitsForStartupAndZeroStopsIt) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\nTimerInt=500\r\n");
    Create();
    EXPECT_FALSE(bar_->Timer1().isActive()) << "no tick before start-up is complete";
    bar_->Startup();
    ASSERT_TRUE(bar_->Timer1().isActive());
    EXPECT_EQ(bar_->Timer1().interval(), 500);

    // Zero stops it through the engine, which owns that rule; the window does as told.
    bar_->Engine().SetTimerInterval(0);
    EXPECT_FALSE(bar_->Timer1().isActive());
    bar_->Engine().SetTimerInterval(2000);
    EXPECT_TRUE(bar_->Timer1().isActive());
    EXPECT_EQ(bar_->Timer1().interval(), 2000);
    bar_->SetTimerEnabled(false);
    EXPECT_FALSE(bar_->Timer1().isActive());
    bar_->SetTimerInterval(1000);
    EXPECT_FALSE(bar_->Timer1().isActive()) << "a new interval does not switch it on";
    bar_->SetTimerEnabled(true);
    EXPECT_TRUE(bar_->Timer1().isActive());
}

// ---- the dispatch point

TEST_F(BarWindowTest, AnErrorOfACommandIsShownWithItsTextAndTheProgramGoesOn) {
    Start();
    answerer_.texts.clear();
    bar_->Dispatch([] { throw TMCIError(cp932::Literal("MCI ﾃﾞﾊﾞｲｽがありません")); });
    ASSERT_EQ(answerer_.texts.size(), 1u);
    EXPECT_EQ(answerer_.texts[0], Text("MCI ﾃﾞﾊﾞｲｽがありません"));

    // Line breaks of every kind become one break each.
    bar_->Dispatch([] { throw std::runtime_error("a\r\nb\rc\n\rd"); });
    EXPECT_EQ(answerer_.texts.back(), QStringLiteral("a\nb\nc\nd"));

    // Something that is not a std::exception is caught too.
    bar_->Dispatch([] { throw 42; });
    EXPECT_EQ(answerer_.texts.size(), 3u);
    EXPECT_FALSE(bar_->Closed());
}

TEST_F(BarWindowTest, ErrorsWhileAnErrorBoxIsOpenDoNotPileUpBoxes) {
    Start();
    answerer_.texts.clear();
    int nested = 0;
    answerer_.onBox = [&](QMessageBox& box) {
        if (answerer_.texts.size() == 1) {
            // A tick fails while the first box is still open.
            bar_->Dispatch([&] {
                ++nested;
                throw std::runtime_error("again");
            });
        }
        box.accept();
        return true;
    };
    bar_->Dispatch([] { throw std::runtime_error("first"); });
    EXPECT_EQ(nested, 1);
    ASSERT_EQ(answerer_.texts.size(), 1u);
    EXPECT_EQ(answerer_.texts[0], QStringLiteral("first"));
    // With the box closed, the next error gets its box again.
    bar_->Dispatch([] { throw std::runtime_error("later"); });
    EXPECT_EQ(answerer_.texts.size(), 2u);
}

// ---- closing

TEST_F(BarWindowTest, ExitClosesTheBarAndWritesTheFileBack) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\nPosition=0\r\n");
    Start();
    EXPECT_EQ(bar_->Edge(), TBarEdge::Top);
    bar_->SetEdge(TBarEdge::Bottom);
    bar_->pnlOperation()->sbtExit()->click();
    ASSERT_TRUE(PumpUntil([&] { return bar_->Closed(); }));
    EXPECT_FALSE(bar_->ClosedBySignal());
    EXPECT_FALSE(bar_->Timer1().isActive());
    EXPECT_EQ(bar_->FormDestroy(), 0);
    const std::string ini = Ini();
    EXPECT_NE(ini.find("Position=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[363E9]\r\n"), std::string::npos) << ini;
}

TEST_F(BarWindowTest, CloseSavesFreePositionsOnlyInTheFreeArrangements) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start();
    bar_->close();
    EXPECT_EQ(bar_->FormDestroy(), 0);
    EXPECT_EQ(Ini().find("Tb_X"), std::string::npos);
    EXPECT_EQ(Ini().find("DocH"), std::string::npos);
    bar_.reset();

    dir_.Write("prog/lintel.ini",
               "[Config]\r\nDrive=V:\r\nOrder=4\r\n\r\n[TimeBar]\r\nPosition=3\r\n");
    Start();
    const QPoint gauge = bar_->gagTrTime()->pos();
    const QPoint disc = bar_->slbCDName()->pos();
    const QPoint track = bar_->slbTrack()->pos();
    bar_->close();
    EXPECT_EQ(bar_->FormDestroy(), 0);
    const std::string ini = Ini();
    auto has = [&](const std::string& line) { return ini.find(line + "\r\n") != ini.npos; };
    EXPECT_TRUE(has("Tb_X=" + std::to_string(gauge.x()))) << ini;
    EXPECT_TRUE(has("Tb_Y=" + std::to_string(gauge.y()))) << ini;
    EXPECT_TRUE(has("DocH=48")) << ini;  // the free arrangement's thickness by default
    EXPECT_TRUE(has("Cn_X=" + std::to_string(disc.x()))) << ini;
    EXPECT_TRUE(has("Cn_Y=" + std::to_string(disc.y()))) << ini;
    EXPECT_TRUE(has("Tr_X=" + std::to_string(track.x()))) << ini;
    EXPECT_TRUE(has("Tr_Y=" + std::to_string(track.y()))) << ini;
}

TEST_F(BarWindowTest, AFailedWriteBackIsShownWhenTheUserClosed) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    // The settings file's folder does not exist, so the write at the end must fail.
    Start(dir_.File("gone/lintel.ini"));
    answerer_.texts.clear();
    bar_->pnlOperation()->sbtExit()->click();
    ASSERT_TRUE(PumpUntil([&] { return bar_->Closed(); }));
    EXPECT_EQ(bar_->FormDestroy(), 1);
    ASSERT_EQ(answerer_.texts.size(), 1u);
    EXPECT_TRUE(answerer_.texts[0].contains(QStringLiteral("lintel.ini")));
}

// ---- signals

TEST_F(BarWindowTest, ASignalClosesAnOpenMessageBoxFirst) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start();
    answerer_.texts.clear();
    answerer_.onBox = [](QMessageBox&) {
        raise(SIGHUP);  // the box stays open: the signal must close it
        return false;
    };
    bar_->ShowMessage("hello");
    // ShowMessage came back, so the box is gone; the close follows once the loop unwound.
    ASSERT_EQ(answerer_.texts.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return bar_->Closed(); }));
    EXPECT_TRUE(bar_->ClosedBySignal());

    // After the signal, messages go to standard error instead of boxes.
    bar_->ShowMessage("late");
    EXPECT_EQ(answerer_.texts.size(), 1u);
}

TEST_F(BarWindowTest, AFailedWriteBackAfterASignalGoesToStandardError) {
    dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n");
    Start(dir_.File("gone/lintel.ini"));
    answerer_.texts.clear();
    raise(SIGINT);
    ASSERT_TRUE(PumpUntil([&] { return bar_->Closed(); }));
    testing::internal::CaptureStderr();
    EXPECT_EQ(bar_->FormDestroy(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(answerer_.texts.empty());
    EXPECT_NE(err.find("lintel.ini"), std::string::npos) << err;
}

// A signal that arrives before the settings store exists ends the program of that
// signal, and the file the import copied is left exactly as copied.
TEST_F(BarWindowTest, ASignalBeforeTheStoreExistsEndsTheProgramWritingNothing) {
    // Forked without a new program, so the child sees this test's folders.
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::string cdplayer = "[Config]\r\nDrive=V:\r\n";
    dir_.Write("sys/cdplayer.ini", cdplayer);
    EXPECT_EXIT(
        {
            answerer_.onBox = [](QMessageBox&) {
                raise(SIGTERM);  // during the import message, before the store
                return false;
            };
            Create();
            std::_Exit(3);  // not reached when the signal ends the program
        },
        testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(Ini(), cdplayer);
}

}  // namespace
}  // namespace lintel
