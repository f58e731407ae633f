// The bar's look and its mouse rules on the real window: settings from lintel.ini, the
// layouts with real labels, clicks and menus, docking and the tray icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "BarFixture.h"
#include "app/TrackMenus.h"
#include "platform/Cp932.h"
#include "widgets/QtText.h"
#include "widgets/ShadowLabel.h"
#include "widgets/SystemColors.h"
#include "widgets/TextGauges.h"
#include "widgets/TrayIcon.h"

namespace lintel {
namespace {

class BarLookTest : public test::BarFixture {};

// ---- settings

TEST_F(BarLookTest, AnEmptySettingsFileGivesTheDefaultLook) {
    dir_.Write("prog/lintel.ini", "");
    Start();
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
    EXPECT_NE(bar_->Backdrop(), TBarBackdrop::TKind::BarColor) << "mode 0 shows the desktop";
    EXPECT_TRUE(bar_->Engine().DiscLabelPad().empty());
    EXPECT_TRUE(bar_->Engine().TrackLabelPad().empty());
    EXPECT_FALSE(Panel()->isHidden());
}

TEST_F(BarLookTest, SpaceAppendsExactlyOneBlankToEachLabel) {
    StartWith("\r\n[CDName_Font]\r\nSpace=1\r\n\r\n[Track_Font]\r\nSpace=1\r\n");
    EXPECT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist> ");
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. Track 1 ");
    bar_.reset();
    StartWith("\r\n[Track_Font]\r\nSpace=1\r\n");
    EXPECT_EQ(bar_->slbCDName()->Caption(), "<new disk / new artist>");
    EXPECT_EQ(bar_->slbTrack()->Caption(), "1. Track 1 ");
}

// ---- layout with real labels

TEST_F(BarLookTest, EachArrangementPlacesTheRealLabelsAndSetsTheThickness) {
    for (int order = 0; order <= 3; ++order) {
        SCOPED_TRACE(order);
        StartWith("Order=" + std::to_string(order) + "\r\n");
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
    StartWith("Order=4\r\n");
    EXPECT_EQ(bar_->slbCDName()->pos(), QPoint(8, 4));
    EXPECT_EQ(bar_->slbTrack()->pos(), QPoint(184, 4));
    EXPECT_EQ(bar_->height(), 48);
    bar_.reset();
    StartWith("Order=4\r\n\r\n[iPosition]\r\nDocH=30\r\n");
    EXPECT_EQ(bar_->height(), 30);
}

TEST_F(BarLookTest, TheGaugeFollowsTheLabelItIsPlacedBehind) {
    StartWith("\r\n[TimeBar]\r\nPosition=1\r\n");
    QRect disc = bar_->slbCDName()->geometry();
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(disc.right() + 1 + 4, disc.top()));
    bar_.reset();
    StartWith("\r\n[TimeBar]\r\nPosition=2\r\n");
    const QRect track = bar_->slbTrack()->geometry();
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(track.right() + 1 + 4, track.top()));
    bar_.reset();
    // A free gauge goes where the file says and stays there through later layouts.
    StartWith("\r\n[TimeBar]\r\nPosition=3\r\nPosX=300\r\nPosY=20\r\n");
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(300, 20));
    bar_->LayoutBar();
    EXPECT_EQ(bar_->gagTrTime()->pos(), QPoint(300, 20));
}

TEST_F(BarLookTest, AHiddenDiscLabelIsEmptiedAndTheTrackLabelMovesUp) {
    StartWith("\r\n[CDName_Font]\r\nVisible=0\r\n");
    EXPECT_TRUE(bar_->slbCDName()->isHidden());
    EXPECT_EQ(bar_->slbCDName()->Caption(), "");
    EXPECT_EQ(bar_->slbTrack()->x(), bar_->slbCDName()->width() + 16);
    EXPECT_LT(bar_->slbTrack()->x(), 184);
}

// ---- clicks and menus

TEST_F(BarLookTest, AClickOnTheBarItselfShowsTheBoxThenFlipsThePanel) {
    StartWith("");
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

TEST_F(BarLookTest, TheMenusFollowTheBarAndDriveIt) {
    StartWith("");
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
    EXPECT_TRUE(bar_->pnlOperation()->sbtRepeat()->isChecked());
    EXPECT_TRUE(menus.pmnRepeat->isChecked());
    EXPECT_TRUE(menus.pmnRepeatR->isChecked());
    EXPECT_TRUE(menus.pmnCDEdit->isEnabled());
    EXPECT_TRUE(menus.pmnConfig->isEnabled());

    // A right click on the bar opens ppmRight where the pointer is.
    const QPoint where = bar_->mapToGlobal(QPoint(20, 2));
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 2), where);
    QApplication::sendEvent(bar_.get(), &request);
    EXPECT_TRUE(menus.ppmRight()->isVisible());
    menus.ppmRight()->close();
}

// ---- docking

TEST_F(BarLookTest, TheDockedBarReservesItsThicknessAtItsEdge) {
    StartWith("");
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
    CloseBar();
    EXPECT_FALSE(shell_.Registered(id)) << "the bar leaves the service when it ends";
    const std::string ini = test::ReadBytes(dir_.File("prog/lintel.ini"));
    EXPECT_NE(ini.find("Position=0\r\n"), std::string::npos) << ini;

    // TopMost and AutoHide from the file take effect at start: an auto-hide bar
    // reserves nothing.
    StartWith("Position=0\r\nTopMost=1\r\nAutoHide=1\r\n");
    EXPECT_TRUE(bar_->AlwaysOnTop());
    EXPECT_TRUE(bar_->AutoHide());
    EXPECT_EQ(shell_.ZOrder(bar_->BarId()), TZOrder::zoTopMost);
    EXPECT_TRUE(shell_.Reserved(bar_->BarId()).Width() == 0 ||
                shell_.Reserved(bar_->BarId()).Height() == 0);
}

TEST_F(BarLookTest, EveryChangeOfTheBarsStateLaysItOutAgain) {
    StartWith("");
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
    StartWith("AutoHide=1\r\n");
    ASSERT_FALSE(answerer_.texts.empty());
    EXPECT_EQ(answerer_.texts[0], UnifyLineBreaks(FromCp932(TAppBar::kForcedOffAutoHideText)));
    EXPECT_FALSE(bar_->AutoHide());
    EXPECT_EQ(bar_->Edge(), TBarEdge::Bottom);
    EXPECT_GT(shell_.Reserved(bar_->BarId()).Height(), 0) << "an ordinary docked bar";
}

TEST_F(BarLookTest, DraggingTheBarMovesItBetweenTopAndBottomOnly) {
    StartWith("");
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
    StartWith("");
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

}  // namespace
}  // namespace lintel
