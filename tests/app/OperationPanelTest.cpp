// The operation panel on the real bar window: its buttons, the labels and the gauge that
// toggle it, the pointer that shows it in panel mode 0, and its drag.
#include <gtest/gtest.h>

#include <QCursor>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include "BarFixture.h"
#include "app/TrackMenus.h"
#include "widgets/Bevelclk.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

class OperationPanelTest : public test::BarFixture {};

TEST_F(OperationPanelTest, EveryPanelButtonSitsAtItsPlaceWithItsHint) {
    StartWith("");
    struct Row {
        QToolButton* button;
        int left, width;
        const char* hint;
    };
    const Row rows[] = {
        {bar_->pnlOperation()->sbtPlay(), 16, 35, "再生"},
        {bar_->pnlOperation()->sbtPause(), 50, 18, "一時停止"},
        {bar_->pnlOperation()->sbtStop(), 67, 18, "停止"},
        {bar_->pnlOperation()->sbtPrev(), 84, 18, "前曲"},
        {bar_->pnlOperation()->sbtNext(), 101, 20, "次曲"},
        {bar_->pnlOperation()->sbtEject(), 118, 18, "取り出し"},
        {bar_->pnlOperation()->sbtClose(), 118, 18, "閉"},
        {bar_->pnlOperation()->sbtPrgSet(), 135, 35, "ﾌﾟﾛｸﾞﾗﾑﾌﾟﾚｲ"},
        {bar_->pnlOperation()->sbtRepeat(), 169, 18, "リピート"},
        {bar_->pnlOperation()->sbtCDEdit(), 185, 18, "ﾀｲﾄﾙ編集"},
        {bar_->pnlOperation()->sbtConfig(), 202, 18, "設定"},
        {bar_->pnlOperation()->sbtHelp(), 219, 18, "ヘルプ"},
        {bar_->pnlOperation()->sbtExit(), 236, 18, "終了"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.hint);
        EXPECT_EQ(r.button->parentWidget(), Panel());
        EXPECT_EQ(r.button->geometry(), QRect(r.left, 0, r.width, 18));
        EXPECT_EQ(r.button->toolTip(), Text(r.hint));
        EXPECT_TRUE(r.button->autoRaise());
    }
    EXPECT_EQ(Panel()->bvlFrame()->geometry(), QRect(4, 0, 9, 18));
    EXPECT_EQ(Panel()->bvlFrame()->toolTip(),
              Text("ドラッグでパネル移動。バブルクリックで列幅変更"));
    EXPECT_EQ(Panel()->size(), QSize(258, 18));
    EXPECT_TRUE(bar_->pnlOperation()->sbtPrgSet()->isEnabled()) << "a disc is in";
    EXPECT_TRUE(bar_->pnlOperation()->sbtCDEdit()->isEnabled()) << "titles of the disc in";
    EXPECT_TRUE(bar_->pnlOperation()->sbtConfig()->isEnabled());
    int helpCalls = 0;
    bar_->OnHelp = [&] { ++helpCalls; };
    bar_->pnlOperation()->sbtHelp()->click();
    EXPECT_EQ(helpCalls, 1);
}

TEST_F(OperationPanelTest, LabelsAndGaugeToggleThePanelWithItsCheckMarkInAnyMode) {
    StartWith("VisiOpeType=0\r\n");
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

TEST_F(OperationPanelTest, ThePanelShowsWhileThePointerIsAnywhereOverTheBar) {
    StartWith("VisiOpeType=0\r\n");
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
    Notify(bar_->pnlOperation()->sbtStop(), QEvent::Leave);
    Notify(Panel(), QEvent::Leave);
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_FALSE(Panel()->isHidden());
    // ...but once the pointer went from the panel onto the bar, leaving hides it.
    QApplication::processEvents();
    Notify(bar_.get(), QEvent::Leave);
    EXPECT_TRUE(Panel()->isHidden());
}

TEST_F(OperationPanelTest, InTheOtherPanelModeEnterAndLeaveChangeNothing) {
    StartWith("VisiOpeType=1\r\n");
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

TEST_F(OperationPanelTest, DraggingTheGripMovesThePanelInsideTheBarAndStoresItsPlace) {
    StartWith("");
    const QPoint start = Panel()->pos();
    TBevelclk* grip = Panel()->bvlFrame();
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
    CloseBar();
    Start();
    EXPECT_EQ(Panel()->pos(), stored);
}

// A right press on the panel starts a drag and opens the bar's menu, whose popup takes the
// release. The next drag of the grip starts from its own press, not from the stale one.
TEST_F(OperationPanelTest, AMenuOpenedOnThePanelEndsItsDrag) {
    StartWith("");
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

    const QPoint grip = Panel()->bvlFrame()->mapTo(bar_.get(), QPoint(3, 3));
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(window, grip - QPoint(1, 0));
    EXPECT_EQ(Panel()->pos(), start - QPoint(1, 0));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, grip - QPoint(1, 0));
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_X", -1), start.x() - 1);
    EXPECT_EQ(Settings().ReadInteger("iPosition", "Op_Y", -1), start.y());
}

}  // namespace
}  // namespace lintel
