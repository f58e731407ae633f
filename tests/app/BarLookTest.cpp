// The bar's look and its mouse rules on the real window: settings from lintel.ini, the
// layouts with real labels, the background, and the operation panel.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <filesystem>
#include <memory>

#include "AppTest.h"
#include "app/TrackMenus.h"
#include "app/main.h"
#include "platform/Cp932.h"
#include "shell/SimulatedAppBarShell.h"
#include "shell/SimulatedNotifyIconHost.h"
#include "support/StepClock.h"
#include "support/TempDir.h"
#include "widgets/Bevelclk.h"
#include "widgets/QtText.h"
#include "widgets/ShadowLabel.h"
#include "widgets/SystemColors.h"
#include "widgets/TextGauges.h"
#include "widgets/TrayIcon.h"

namespace lintel {
namespace {

using test::BoxAnswerer;
using test::StepClock;
using test::TempDir;

QString Text(const char* utf8) {
    return FromCp932(cp932::Literal(utf8));
}

const char kTwoTracks[] = "track 00:02:00\ntrack 03:10:05\nleadout 05:02:00\n";

class BarLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::App();
        shell_.SetDragFullWindows(false);  // no slides: every move is one step
        std::filesystem::create_directories(dir_.File("prog"));
        std::filesystem::create_directories(dir_.File("sys"));
        dir_.Write("sys/v.disc", kTwoTracks);
        dir_.Write("sys/drives.ini", "[Drives]\nV=v.disc\n");
    }

    /// Starts the bar on drive V: with `extra` lines appended to lintel.ini.
    void Start(const std::string& extra) {
        dir_.Write("prog/lintel.ini", "[Config]\r\nDrive=V:\r\n" + extra);
        StartWithFile();
    }
    void StartWithFile() {
        drives_ =
            std::make_unique<TDriveTable>(dir_.File("sys"), std::vector<std::string>{}, clock_);
        TStartupPaths paths{dir_.File("prog"), dir_.File("prog/lintel.ini"), dir_.File("sys")};
        TBarDesktop desktop;
        desktop.trayHost = &tray_;
        desktop.appBarShell = &shell_;
        bar_ = std::make_unique<TfrmMain>(*drives_, paths, desktop);
        bar_->Startup();
        QApplication::processEvents();
    }

    TIniStore& Settings() { return *bar_->Engine().Settings(); }
    QWidget* Panel() { return bar_->pnlOperation(); }

    void Press(QWidget* w, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonPress, local, w->mapToGlobal(local), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void Release(QWidget* w, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonRelease, local, w->mapToGlobal(local), button,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void Notify(QWidget* w, QEvent::Type type) {
        QEvent e(type);
        QApplication::sendEvent(w, &e);
    }

    QColor PixelOfBar(int x, int y) { return bar_->grab().toImage().pixelColor(x, y); }

    TempDir dir_;
    StepClock clock_;
    BoxAnswerer answerer_;
    TSimulatedNotifyIconHost tray_;
    TSimulatedAppBarShell shell_{1024, 768};
    std::unique_ptr<TDriveTable> drives_;
    std::unique_ptr<TfrmMain> bar_;
};

// ---- settings

TEST_F(BarLookTest, AnEmptySettingsFileGivesTheDefaultLook) {
    dir_.Write("prog/lintel.ini", "");
    StartWithFile();
    for (TShadowLabel* label : {bar_->slbCDName(), bar_->slbTrack()}) {
        EXPECT_EQ(label->font().family(), Text("ＭＳ Ｐゴシック"));
        EXPECT_EQ(label->FontColor(), 0xFFFFFF);
        EXPECT_EQ(label->Shadow().Color(), 0x000000);
        EXPECT_TRUE(label->Shadow().Visible());
        EXPECT_FALSE(label->font().bold());
        EXPECT_FALSE(label->isHidden());
    }
    EXPECT_EQ(bar_->slbCDName()->font().pointSize(), 9);
    EXPECT_EQ(bar_->slbTrack()->font().pointSize(), 24);
    TTextGauge* gauge = bar_->gagTrTime();
    EXPECT_EQ(gauge->size(), QSize(144, 12));
    EXPECT_EQ(gauge->ForeColor(), 0x00FF00);
    EXPECT_EQ(gauge->BackColor(), 0x008000);
    EXPECT_FALSE(gauge->isHidden());
    EXPECT_EQ(bar_->width(), 1024) << "docked, the bar spans the screen";
    EXPECT_EQ(gauge->pos(), QPoint(1024 - 144 - 4, 4));
    // No frame: half the progress fills from the gauge's very first column, the rest is the
    // back colour to the last pixel.
    gauge->SetMaxValue(100);
    gauge->SetProgress(50);
    EXPECT_EQ(PixelOfBar(gauge->x(), gauge->y()), QColor(0, 255, 0));
    EXPECT_EQ(PixelOfBar(gauge->x() + 143, gauge->y() + 11), QColor(0, 128, 0));
    EXPECT_EQ(bar_->Edge(), TBarEdge::Bottom);
    EXPECT_FALSE(bar_->AlwaysOnTop());
    EXPECT_FALSE(bar_->AutoHide());
    EXPECT_NE(bar_->Backdrop(), TfrmMain::TBackdrop::BarColor) << "mode 0 shows the desktop";
    EXPECT_TRUE(bar_->Engine().DiscLabelPad().empty());
    EXPECT_TRUE(bar_->Engine().TrackLabelPad().empty());
    EXPECT_FALSE(Panel()->isHidden());
}

TEST_F(BarLookTest, SpaceAppendsExactlyOneBlankToEachLabel) {
    Start("\r\n[CDName_Font]\r\nSpace=1\r\n\r\n[Track_Font]\r\nSpace=1\r\n");
    EXPECT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist> ");
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. Track 1 ");
    bar_.reset();
    Start("\r\n[Track_Font]\r\nSpace=1\r\n");
    EXPECT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist>");
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. Track 1 ");
}

TEST_F(BarLookTest, ColoursAreStoredBlueGreenRed) {
    // 255 is red in 0x00BBGGRR; a swapped byte order would paint it blue.
    Start("\r\n[Back]\r\nItemIndex=2\r\nColor=255\r\n");
    EXPECT_EQ(bar_->Backdrop(), TfrmMain::TBackdrop::BarColor);
    EXPECT_EQ(PixelOfBar(1, 1), QColor(255, 0, 0));
    EXPECT_EQ(PixelOfBar(bar_->width() - 1, 0), QColor(255, 0, 0));
    bar_.reset();
    Start("\r\n[Back]\r\nItemIndex=2\r\nColor=16711680\r\n");
    EXPECT_EQ(PixelOfBar(1, 1), QColor(0, 0, 255));
    bar_.reset();
    // Mode 1 is the button face whatever colour is stored.
    Start("\r\n[Back]\r\nItemIndex=1\r\nColor=255\r\n");
    EXPECT_EQ(bar_->BarColor(), clBtnFace);
    EXPECT_EQ(PixelOfBar(1, 1), ColorToQColor(clBtnFace));
}

TEST_F(BarLookTest, WithoutADesktopPictureModeZeroFallsBackToTheButtonFace) {
    // The offscreen platform has no root window and no compositing manager.
    Start("\r\n[Back]\r\nItemIndex=0\r\nColor=255\r\n");
    EXPECT_EQ(bar_->Backdrop(), TfrmMain::TBackdrop::ButtonFace);
    EXPECT_EQ(PixelOfBar(1, 1), ColorToQColor(clBtnFace));
    // The mode is read at each paint: the bar colour shows as soon as the file says so.
    Settings().WriteInteger("Back", "ItemIndex", 2);
    EXPECT_EQ(PixelOfBar(1, 1), QColor(255, 0, 0));
}

// ---- layout with real labels

TEST_F(BarLookTest, EachArrangementPlacesTheRealLabelsAndSetsTheThickness) {
    for (int order = 0; order <= 3; ++order) {
        SCOPED_TRACE(order);
        Start("Order=" + std::to_string(order) + "\r\n");
        const QRect disc = bar_->slbCDName()->geometry();
        const QRect track = bar_->slbTrack()->geometry();
        ASSERT_GT(disc.width(), 20);
        ASSERT_GT(track.height(), disc.height()) << "24 points against 9";
        switch (order) {
            case 0:
                EXPECT_EQ(disc.topLeft(), QPoint(4, 4));
                EXPECT_EQ(track.topLeft(), QPoint(disc.width() + 16, 4));
                break;
            case 1:
                EXPECT_EQ(track.topLeft(), QPoint(4, 4));
                EXPECT_EQ(disc.topLeft(), QPoint(track.width() + 16, 4));
                break;
            case 2:
                EXPECT_EQ(disc.topLeft(), QPoint(4, 4));
                EXPECT_EQ(track.topLeft(), QPoint(4, disc.height() + 4));
                break;
            case 3:
                EXPECT_EQ(track.topLeft(), QPoint(4, 4));
                EXPECT_EQ(disc.topLeft(), QPoint(4, track.height() + 4));
                break;
        }
        const int thickness = order <= 1 ? std::max(disc.height(), track.height()) + 12
                                         : disc.height() + track.height() + 12;
        EXPECT_EQ(bar_->HorzDockSize(), thickness);
        EXPECT_EQ(bar_->height(), thickness) << "the edge was applied again";
        // The panel starts in the bottom right corner of the bar as it now is.
        EXPECT_EQ(Panel()->pos(), QPoint(1024 - 258, thickness - 18));
        bar_.reset();
    }
}

TEST_F(BarLookTest, TheFreeArrangementKeepsTheLabelsAndTakesItsThicknessFromTheFile) {
    Start("Order=4\r\n");
    EXPECT_EQ(bar_->slbCDName()->pos(), QPoint(8, 4));
    EXPECT_EQ(bar_->slbTrack()->pos(), QPoint(184, 4));
    EXPECT_EQ(bar_->height(), 48);
    bar_.reset();
    Start("Order=4\r\n\r\n[iPosition]\r\nDocH=30\r\n");
    EXPECT_EQ(bar_->height(), 30);
}

TEST_F(BarLookTest, TheGaugeFollowsTheLabelItIsPlacedBehind) {
    Start("\r\n[TimeBar]\r\nPosition=1\r\n");
    QRect disc = bar_->slbCDName()->geometry();
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(disc.right() + 1 + 4, disc.top()));
    bar_.reset();
    Start("\r\n[TimeBar]\r\nPosition=2\r\n");
    const QRect track = bar_->slbTrack()->geometry();
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(track.right() + 1 + 4, track.top()));
    bar_.reset();
    // A free gauge goes where the file says and stays there through later layouts.
    Start("\r\n[TimeBar]\r\nPosition=3\r\nPosX=300\r\nPosY=20\r\n");
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(300, 20));
    bar_->LayoutBar();
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(300, 20));
}

TEST_F(BarLookTest, AHiddenDiscLabelIsEmptiedAndTheTrackLabelMovesUp) {
    Start("\r\n[CDName_Font]\r\nVisible=0\r\n");
    EXPECT_TRUE(bar_->slbCDName()->isHidden());
    EXPECT_EQ(bar_->slbCDName()->Caption(), "");
    EXPECT_EQ(bar_->slbTrack()->x(), bar_->slbCDName()->width() + 16);
    EXPECT_LT(bar_->slbTrack()->x(), 184);
}

// ---- the operation panel

TEST_F(BarLookTest, EveryPanelButtonSitsAtItsPlaceWithItsHint) {
    Start("");
    struct Row {
        QToolButton* button;
        int left, width;
        const char* hint;
    };
    const Row rows[] = {
        {bar_->sbtPlay(), 16, 35, "再生"},        {bar_->sbtPause(), 50, 18, "一時停止"},
        {bar_->sbtStop(), 67, 18, "停止"},        {bar_->sbtPrev(), 84, 18, "前曲"},
        {bar_->sbtNext(), 101, 20, "次曲"},       {bar_->sbtEject(), 118, 18, "取り出し"},
        {bar_->sbtClose(), 118, 18, "閉"},        {bar_->sbtPrgSet(), 135, 35, "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ"},
        {bar_->sbtRepeat(), 169, 18, "リピート"}, {bar_->sbtCDEdit(), 185, 18, "ﾀｲﾄﾙ編集"},
        {bar_->sbtConfig(), 202, 18, "設定"},     {bar_->sbtHelp(), 219, 18, "ヘルプ"},
        {bar_->sbtExit(), 236, 18, "終了"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.hint);
        EXPECT_EQ(r.button->parentWidget(), Panel());
        EXPECT_EQ(r.button->geometry(), QRect(r.left, 0, r.width, 18));
        EXPECT_EQ(r.button->toolTip(), Text(r.hint));
        EXPECT_TRUE(r.button->autoRaise());
    }
    EXPECT_EQ(bar_->bvlFrame()->geometry(), QRect(4, 0, 9, 18));
    EXPECT_EQ(bar_->bvlFrame()->toolTip(), Text("ドラッグでパネル移動。バブルクリックで列幅変更"));
    EXPECT_EQ(Panel()->size(), QSize(258, 18));
    EXPECT_TRUE(bar_->sbtPrgSet()->isEnabled()) << "a disc is in";
    EXPECT_FALSE(bar_->sbtCDEdit()->isEnabled());
    EXPECT_FALSE(bar_->sbtConfig()->isEnabled());
    int helpCalls = 0;
    bar_->OnHelp = [&] { ++helpCalls; };
    bar_->sbtHelp()->click();
    EXPECT_EQ(helpCalls, 1);
}

TEST_F(BarLookTest, LabelsAndGaugeToggleThePanelWithItsCheckMarkInAnyMode) {
    Start("VisiOpeType=0\r\n");
    Press(bar_->gagTrTime(), QPoint(2, 2));
    EXPECT_TRUE(Panel()->isHidden());
    EXPECT_FALSE(bar_->OpePanelChecked());
    Press(bar_->slbTrack(), QPoint(2, 2), Qt::RightButton);
    EXPECT_FALSE(Panel()->isHidden());
    EXPECT_TRUE(bar_->OpePanelChecked());
    Press(bar_->slbCDName(), QPoint(2, 2), Qt::MiddleButton);
    EXPECT_TRUE(Panel()->isHidden());
    bar_->pmnOpePanelClick();
    EXPECT_FALSE(Panel()->isHidden());
    EXPECT_TRUE(answerer_.texts.empty()) << "a press on a control is no click on the bar";

    bar_->HideOperationPanel();
    EXPECT_TRUE(Panel()->isHidden());
    EXPECT_FALSE(bar_->OpePanelChecked());
}

TEST_F(BarLookTest, AClickOnTheBarItselfShowsTheBoxThenFlipsThePanel) {
    Start("");
    ASSERT_FALSE(Panel()->isHidden());
    Press(bar_.get(), QPoint(1, 1));
    Release(bar_.get(), QPoint(1, 1));
    ASSERT_EQ(answerer_.texts.size(), 1u);
    EXPECT_EQ(answerer_.texts[0], Text("ココロ"));
    EXPECT_TRUE(Panel()->isHidden());
    EXPECT_TRUE(bar_->OpePanelChecked()) << "the menu's check mark is not changed";
    Press(bar_.get(), QPoint(1, 1));
    Release(bar_.get(), QPoint(1, 1));
    EXPECT_FALSE(Panel()->isHidden());
    // A press that ends off the bar is no click.
    Press(bar_.get(), QPoint(1, 1));
    Release(bar_.get(), QPoint(-5, 1));
    EXPECT_EQ(answerer_.texts.size(), 2u);
}

TEST_F(BarLookTest, ThePanelShowsWhileThePointerIsAnywhereOverTheBar) {
    Start("VisiOpeType=0\r\n");
    const QPoint inside = bar_->mapToGlobal(QPoint(100, 2));
    const QPoint outside = bar_->mapToGlobal(QPoint(100, -50));

    // Leaving a label for the bar's own surface: still over the bar.
    QCursor::setPos(inside);
    Notify(bar_->slbCDName(), QEvent::Leave);
    EXPECT_FALSE(Panel()->isHidden());
    // Leaving the bar from its surface hides the panel; entering shows it again.
    QCursor::setPos(outside);
    Notify(bar_->slbCDName(), QEvent::Leave);
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_TRUE(Panel()->isHidden());
    EXPECT_TRUE(bar_->OpePanelChecked()) << "enter and leave never touch the check mark";
    QCursor::setPos(inside);
    Notify(bar_.get(), QEvent::Enter);
    EXPECT_FALSE(Panel()->isHidden());

    // Leaving the bar straight from a panel button leaves the panel visible.
    QCursor::setPos(outside);
    Notify(bar_->sbtStop(), QEvent::Leave);
    Notify(Panel(), QEvent::Leave);
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_FALSE(Panel()->isHidden());
    // ...but once the pointer went from the panel onto the bar, leaving hides it.
    QApplication::processEvents();
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_TRUE(Panel()->isHidden());
}

TEST_F(BarLookTest, InTheOtherPanelModeEnterAndLeaveChangeNothing) {
    Start("VisiOpeType=1\r\n");
    bar_->pmnOpePanelClick();
    ASSERT_TRUE(Panel()->isHidden());
    Notify(bar_.get(), QEvent::Enter);
    EXPECT_TRUE(Panel()->isHidden());
    bar_->pmnOpePanelClick();
    QCursor::setPos(bar_->mapToGlobal(QPoint(100, -50)));
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_FALSE(Panel()->isHidden());
    // The mode is read at every notification.
    Settings().WriteInteger("Config", "VisiOpeType", 0);
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_TRUE(Panel()->isHidden());
}

TEST_F(BarLookTest, TheMenusFollowTheBarAndDriveIt) {
    Start("");
    TTrackMenus& menus = bar_->Menus();
    EXPECT_EQ(menus.TrackCount(), 2);
    EXPECT_TRUE(menus.pmnOpePanel->isChecked());
    Press(bar_->slbTrack(), QPoint(2, 2));
    EXPECT_FALSE(menus.pmnOpePanel->isChecked());
    menus.pmnOpePanel->trigger();
    EXPECT_TRUE(menus.pmnOpePanel->isChecked());
    EXPECT_FALSE(Panel()->isHidden());
    bar_->HideOperationPanel();
    EXPECT_FALSE(menus.pmnOpePanel->isChecked());

    menus.pmnRepeat->trigger();
    EXPECT_TRUE(bar_->Engine().RepeatOn());
    EXPECT_TRUE(bar_->sbtRepeat()->isChecked());
    EXPECT_TRUE(menus.pmnRepeat->isChecked());
    EXPECT_TRUE(menus.pmnRepeatR->isChecked());
    EXPECT_FALSE(menus.pmnCDEdit->isEnabled());
    EXPECT_FALSE(menus.pmnConfig->isEnabled());

    // A right click on the bar opens ppmRight where the pointer is.
    const QPoint where = bar_->mapToGlobal(QPoint(20, 2));
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 2), where);
    QApplication::sendEvent(bar_.get(), &request);
    EXPECT_TRUE(menus.ppmRight()->isVisible());
    menus.ppmRight()->close();
}

// ---- docking

TEST_F(BarLookTest, TheDockedBarReservesItsThicknessAtItsEdge) {
    Start("");
    const TBarId id = bar_->BarId();
    const int h = bar_->HorzDockSize();
    EXPECT_EQ(bar_->Edge(), TBarEdge::Bottom);
    EXPECT_EQ(bar_->geometry(), QRect(0, 768 - h, 1024, h));
    EXPECT_EQ(shell_.Reserved(id), (TRect{0, 768 - h, 1024, 768}));
    EXPECT_FALSE(shell_.TaskbarButton(id)) << "a docked bar has no task bar button";
    EXPECT_EQ(shell_.ZOrder(id), TZOrder::zoNoTopMost) << "TopMost is off by default";

    bar_->SetEdge(TBarEdge::Top);
    EXPECT_EQ(bar_->geometry(), QRect(0, 0, 1024, h));
    EXPECT_EQ(shell_.Reserved(id), (TRect{0, 0, 1024, h}));
    bar_->close();
    bar_->FormDestroy();
    bar_.reset();
    EXPECT_FALSE(shell_.Registered(id)) << "the bar leaves the service when it ends";
    const std::string ini = test::ReadBytes(dir_.File("prog/lintel.ini"));
    EXPECT_NE(ini.find("Position=0\r\n"), std::string::npos) << ini;

    // TopMost and AutoHide from the file take effect at start: an auto-hide bar
    // reserves nothing.
    Start("Position=0\r\nTopMost=1\r\nAutoHide=1\r\n");
    EXPECT_TRUE(bar_->AlwaysOnTop());
    EXPECT_TRUE(bar_->AutoHide());
    EXPECT_EQ(shell_.ZOrder(bar_->BarId()), TZOrder::zoTopMost);
    EXPECT_TRUE(shell_.Reserved(bar_->BarId()).Width() == 0 ||
                shell_.Reserved(bar_->BarId()).Height() == 0);
}

TEST_F(BarLookTest, EveryChangeOfTheBarsStateLaysItOutAgain) {
    Start("");
    ASSERT_EQ(bar_->slbTrack()->y(), 4);
    // The file changes behind the bar's back; the next edge change picks it up.
    Settings().WriteInteger("Config", "Order", 2);
    bar_->SetEdge(TBarEdge::Top);
    EXPECT_EQ(bar_->slbTrack()->pos(), QPoint(4, bar_->slbCDName()->height() + 4));
    EXPECT_EQ(bar_->HorzDockSize(), bar_->slbCDName()->height() + bar_->slbTrack()->height() + 12);
}

TEST_F(BarLookTest, ASecondAutoHideBarOnTheEdgeIsRefusedWithTheMessage) {
    TAppBar other(shell_);
    other.SetAutoHide(true);
    other.SetEdge(abeBottom);
    ASSERT_TRUE(other.AutoHide());
    Start("AutoHide=1\r\n");
    ASSERT_FALSE(answerer_.texts.empty());
    EXPECT_EQ(answerer_.texts[0], UnifyLineBreaks(FromCp932(TAppBar::kForcedOffAutoHideText)));
    EXPECT_FALSE(bar_->AutoHide());
    EXPECT_EQ(bar_->Edge(), TBarEdge::Bottom);
    EXPECT_GT(shell_.Reserved(bar_->BarId()).Height(), 0) << "an ordinary docked bar";
}

TEST_F(BarLookTest, DraggingTheBarMovesItBetweenTopAndBottomOnly) {
    Start("");
    const QPoint press = bar_->mapToGlobal(QPoint(2, 2));
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButton button,
                    Qt::MouseButtons held) {
        QMouseEvent e(type, bar_->mapFromGlobal(global), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(bar_.get(), &e);
    };
    send(QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(512, 10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(bar_->Edge(), TBarEdge::Top) << "the edge the move would give";
    // The left sector keeps the edge the move has.
    send(QEvent::MouseMove, QPoint(5, 384), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(bar_->Edge(), TBarEdge::Bottom);
    send(QEvent::MouseMove, QPoint(600, 20), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(600, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(bar_->Edge(), TBarEdge::Top);
    EXPECT_EQ(bar_->y(), 0);
    EXPECT_TRUE(answerer_.texts.empty()) << "a move is no click";
}

// ---- the tray icon

TEST_F(BarLookTest, TheTrayIconIsLintelAndOpensTheTwoMenus) {
    Start("");
    TTrayIcon* icon = bar_->TrayIcon();
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(tray_.Shows(icon->Id()));
    EXPECT_EQ(tray_.Shown(icon->Id()).Tip, QStringLiteral("Lintel"));
    EXPECT_FALSE(tray_.Shown(icon->Id()).Icon.isNull());
    tray_.SetCursorPos(QPoint(700, 590));
    tray_.Mouse(icon->Id(), wmLButtonDown);
    EXPECT_TRUE(bar_->Menus().ppmLeft()->isVisible());
    bar_->Menus().ppmLeft()->close();
    tray_.Mouse(icon->Id(), wmRButtonDown);
    EXPECT_TRUE(bar_->Menus().ppmRight()->isVisible());
    bar_->Menus().ppmRight()->close();
    // The icon leaves the area with the bar.
    const int id = icon->Id();
    bar_.reset();
    EXPECT_FALSE(tray_.Shows(id));
}

TEST_F(BarLookTest, DraggingTheGripMovesThePanelInsideTheBarAndStoresItsPlace) {
    Start("");
    const QPoint start = Panel()->pos();
    TBevelclk* grip = bar_->bvlFrame();
    // Pointer places on the screen; the grip travels with the panel under them.
    const QPoint press = grip->mapToGlobal(QPoint(3, 3));
    auto drag = [&](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held,
                    QWidget* w) {
        QMouseEvent e(type, w->mapFromGlobal(global), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    drag(QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton, grip);
    drag(QEvent::MouseMove, press - QPoint(200, 0), Qt::NoButton, Qt::LeftButton, grip);
    EXPECT_EQ(Panel()->pos(), start - QPoint(200, 0));
    // Far off the bar, the panel stops at its edges.
    drag(QEvent::MouseMove, press - QPoint(2000, 500), Qt::NoButton, Qt::LeftButton, grip);
    EXPECT_EQ(Panel()->pos(), QPoint(0, 0));
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_X", -12345), -12345)
        << "stored at the end only";
    drag(QEvent::MouseMove, press - QPoint(300, 5), Qt::NoButton, Qt::LeftButton, grip);
    drag(QEvent::MouseButtonRelease, press - QPoint(300, 5), Qt::LeftButton, Qt::NoButton, grip);
    const QPoint end = Panel()->pos();
    EXPECT_EQ(end, QPoint(start.x() - 300, start.y() - 5));
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_X", -1), end.x());
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_Y", -1), end.y());
    // After the release the pointer no longer drags.
    drag(QEvent::MouseMove, press, Qt::NoButton, Qt::NoButton, grip);
    EXPECT_EQ(Panel()->pos(), end);

    // The panel's own surface drags with any button too; the next start uses the place.
    const QPoint onPanel = Panel()->mapToGlobal(QPoint(250, 5));
    drag(QEvent::MouseButtonPress, onPanel, Qt::RightButton, Qt::RightButton, Panel());
    drag(QEvent::MouseMove, onPanel - QPoint(10, 0), Qt::NoButton, Qt::RightButton, Panel());
    drag(QEvent::MouseButtonRelease, onPanel - QPoint(10, 0), Qt::RightButton, Qt::NoButton,
         Panel());
    const QPoint stored = Panel()->pos();
    EXPECT_EQ(stored, end - QPoint(10, 0));
    bar_->close();
    bar_->FormDestroy();
    bar_.reset();
    StartWithFile();
    EXPECT_EQ(Panel()->pos(), stored);
}

// A right press on the panel starts a drag and opens the bar's menu, whose popup takes the
// release. The next drag of the grip starts from its own press, not from the stale one.
TEST_F(BarLookTest, AMenuOpenedOnThePanelEndsItsDrag) {
    Start("");
    QWindow* window = bar_->windowHandle();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return window->isExposed(); }));
    const QPoint start = Panel()->pos();
    const QPoint onPanel = Panel()->mapTo(bar_.get(), QPoint(250, 5));
    QMenu* menu = bar_->Menus().ppmRight();
    QTest::mousePress(window, Qt::RightButton, Qt::NoModifier, onPanel);
    ASSERT_TRUE(test::PumpUntil([&] { return menu->isVisible(); }));
    QTest::mouseRelease(window, Qt::RightButton, Qt::NoModifier, onPanel);
    QTest::keyClick(menu, Qt::Key_Escape);
    ASSERT_TRUE(test::PumpUntil([&] { return !menu->isVisible(); }));
    EXPECT_EQ(Panel()->pos(), start);

    const QPoint grip = bar_->bvlFrame()->mapTo(bar_.get(), QPoint(3, 3));
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(window, grip - QPoint(1, 0));
    EXPECT_EQ(Panel()->pos(), start - QPoint(1, 0));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, grip - QPoint(1, 0));
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_X", -1), start.x() - 1);
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_Y", -1), start.y());
}

}  // namespace
}  // namespace lintel
