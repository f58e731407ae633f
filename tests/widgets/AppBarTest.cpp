// The desktop-toolbar base class against the simulated service on a 1024 x 768 screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <memory>
#include <vector>

#include "WidgetTest.h"
#include "shell/DesktopShell.h"
#include "shell/SimulatedAppBarShell.h"
#include "support/BoxAnswerer.h"
#include "widgets/AppBar.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

using Msg = TAppBarMessage;

/// A bar that records its state changes and messages instead of showing them.
class RecordingBar : public TAppBar {
public:
    explicit RecordingBar(TAppBarShell& shell) : TAppBar(shell) {}
    ~RecordingBar() override = default;

    void OnAppBarStateChange(bool proposed, TAppBarEdge edge) override {
        states.push_back({proposed, edge});
        edgeDuringChange.push_back(Edge());
        TAppBar::OnAppBarStateChange(proposed, edge);
    }

    struct State {
        bool proposed;
        TAppBarEdge edge;
    };
    std::vector<State> states;
    std::vector<TAppBarEdge> edgeDuringChange;
    std::vector<QString> messages;

protected:
    void ShowInformation(const QString& text) override { messages.push_back(text); }
};

class AppBarTest : public ::testing::Test {
protected:
    void SetUp() override { test::App(); }

    /// A new bar, registered with the service as its window is created, whose slides
    /// read a clock that moves 100 ms at every reading, noting where the window stood at
    /// each reading, and note their sleeps instead of sleeping.
    std::unique_ptr<RecordingBar> MakeBar() {
        auto bar = std::make_unique<RecordingBar>(shell);
        bar->BarId();
        RecordingBar* raw = bar.get();
        bar->Slide().SetClock([this, raw] {
            now += 100;
            steps.push_back(raw->WindowRect());
            return now;
        });
        bar->Slide().SetSleep([this](int milliseconds) { sleeps.push_back(milliseconds); });
        return bar;
    }
    /// Shows the bar and waits until it is on the screen, where its moves glide.
    static void PutOnScreen(TAppBar& bar) {
        bar.show();
        ASSERT_TRUE(test::PumpUntil(
            [&] { return bar.windowHandle() != nullptr && bar.windowHandle()->isExposed(); }));
    }

    TSimulatedAppBarShell shell{1024, 768};
    std::int64_t now = 0;
    std::vector<TRect> steps;
    std::vector<int> sleeps;
};

TEST_F(AppBarTest, NewBarHasTheDocumentedSettings) {
    auto bar = MakeBar();
    EXPECT_EQ(bar->Flags(), abfAll);
    EXPECT_EQ(bar->HorzSizeInc(), 1);
    EXPECT_EQ(bar->VertSizeInc(), 1);
    EXPECT_EQ(bar->Edge(), abeFloat);
    EXPECT_FALSE(bar->AutoHide());
    EXPECT_TRUE(bar->AlwaysOnTop());
    EXPECT_TRUE(bar->SlideEffect());
    EXPECT_EQ(bar->SlideTime(), 400);
    EXPECT_EQ(bar->HorzDockSize(), 32);
    EXPECT_EQ(bar->VertDockSize(), 32);
    EXPECT_EQ(bar->MaxWidth(), 1024);
    EXPECT_EQ(bar->MaxHeight(), 768);
    EXPECT_EQ(bar->MaxHorzDockSize(), 384);
    EXPECT_EQ(bar->MaxVertDockSize(), 512);
    EXPECT_EQ(bar->TaskEntry(), TAppBarTaskEntry::abtFloatDependent);
    EXPECT_EQ(bar->ProposedEdge(), abeUnknown);
}

TEST_F(AppBarTest, DockedBarReservesItsStripAndLeavesTheTaskbar) {
    auto bar = MakeBar();
    bar->SetHorzDockSize(36);
    bar->SetEdge(abeBottom);
    const TRect strip{0, 732, 1024, 768};
    EXPECT_EQ(bar->WindowRect(), strip);
    EXPECT_EQ(shell.Reserved(bar->BarId()), strip);
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 0, 1024, 732}));
    EXPECT_FALSE(shell.TaskbarButton(bar->BarId()));
    EXPECT_EQ(shell.ZOrder(bar->BarId()), TZOrder::zoTopMost);
    EXPECT_EQ(bar->WindowStyle() & (wsCaption | wsSysMenu), 0u);
    ASSERT_FALSE(bar->states.empty());
    EXPECT_FALSE(bar->states.back().proposed);
    EXPECT_EQ(bar->states.back().edge, abeBottom);

    // Switched to the top, the reservation moves with it.
    bar->SetEdge(abeTop);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 36}));
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 36, 1024, 768}));

    // Floating, it reserves nothing, gets a caption and a taskbar button.
    bar->SetFloatRect({100, 100, 300, 150});
    bar->SetEdge(abeFloat);
    EXPECT_EQ(bar->WindowRect(), (TRect{100, 100, 300, 150}));
    EXPECT_TRUE(shell.Reserved(bar->BarId()).Empty());
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 0, 1024, 768}));
    EXPECT_TRUE(shell.TaskbarButton(bar->BarId()));
    EXPECT_EQ(bar->WindowStyle() & (wsCaption | wsSysMenu), wsCaption | wsSysMenu);
}

TEST_F(AppBarTest, BarsOnOneEdgeStackAndCloseUpWhenOneLeaves) {
    auto lower = MakeBar();
    lower->SetHorzDockSize(36);
    lower->SetEdge(abeBottom);
    auto upper = MakeBar();
    upper->SetHorzDockSize(30);
    upper->SetEdge(abeBottom);
    EXPECT_EQ(upper->WindowRect(), (TRect{0, 702, 1024, 732}));
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 0, 1024, 702}));
    // Re-applying the edge answers each notification without the bars creeping inward.
    EXPECT_LT(shell.DeliverNotifications(), 10);
    EXPECT_EQ(upper->WindowRect(), (TRect{0, 702, 1024, 732}));
    EXPECT_EQ(lower->WindowRect(), (TRect{0, 732, 1024, 768}));

    lower.reset();
    EXPECT_GT(shell.DeliverNotifications(), 0);
    EXPECT_EQ(upper->WindowRect(), (TRect{0, 738, 1024, 768}));
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 0, 1024, 738}));
}

TEST_F(AppBarTest, AutoHideTopBarHidesToMinus38AndShowsAtZero) {
    auto bar = MakeBar();
    bar->SetHorzDockSize(40);
    bar->SetAutoHide(true);
    shell.ClearCalls();
    bar->SetEdge(abeTop);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, -38, 1024, 2}));
    EXPECT_FALSE(bar->HiddenBarShown());
    EXPECT_TRUE(bar->WatchingPointer());
    // An auto-hide bar reserves nothing and never asks where it may stand.
    EXPECT_TRUE(shell.Reserved(bar->BarId()).Empty());
    EXPECT_EQ(shell.Count(Msg::abmQueryPos, bar->BarId()), 0);
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 0, 1024, 768}));
    TAppBarData probe;
    probe.Edge = abeTop;
    EXPECT_EQ(shell.Message(Msg::abmGetAutoHideBar, probe), bar->BarId());

    bar->RevealAutoHidden(true);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 40}));
    EXPECT_TRUE(bar->HiddenBarShown());

    // The pointer near the bar keeps it shown; far away, the next tick hides it.
    shell.SetCursorPos({500, 47});
    bar->AutoHideTimerTick();
    EXPECT_EQ(bar->WindowRect().Top, 0);
    shell.SetCursorPos({500, 48});
    bar->AutoHideTimerTick();
    EXPECT_EQ(bar->WindowRect(), (TRect{0, -38, 1024, 2}));
    EXPECT_FALSE(bar->HiddenBarShown());

    // A bar that does not hide leaves the pointer alone.
    bar->SetAutoHide(false);
    bar->ReapplyEdge();
    EXPECT_FALSE(bar->WatchingPointer());
}

TEST_F(AppBarTest, AutoHideBarsHideIntoEveryEdge) {
    auto bar = MakeBar();
    bar->SetAutoHide(true);
    bar->SetHorzDockSize(20);
    bar->SetVertDockSize(50);
    bar->SetEdge(abeLeft);
    EXPECT_EQ(bar->WindowRect(), (TRect{-48, 0, 2, 768}));
    bar->SetEdge(abeRight);
    EXPECT_EQ(bar->WindowRect(), (TRect{1022, 0, 1072, 768}));
    bar->SetEdge(abeBottom);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 766, 1024, 786}));
    bar->RevealAutoHidden(true);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 748, 1024, 768}));
    // Giving auto-hide up re-docks as an ordinary bar and frees the edge.
    bar->SetAutoHide(false);
    bar->ReapplyEdge();
    EXPECT_EQ(shell.Reserved(bar->BarId()), (TRect{0, 748, 1024, 768}));
    TAppBarData probe;
    probe.Edge = abeBottom;
    EXPECT_EQ(shell.Message(Msg::abmGetAutoHideBar, probe), 0u);
}

TEST_F(AppBarTest, SecondAutoHideBarOnAnEdgeIsRefusedWithTheMessage) {
    auto first = MakeBar();
    first->SetAutoHide(true);
    first->SetEdge(abeBottom);
    EXPECT_TRUE(first->AutoHide());

    auto second = MakeBar();
    second->SetHorzDockSize(36);
    second->SetAutoHide(true);
    second->SetEdge(abeBottom);
    EXPECT_FALSE(second->AutoHide());
    ASSERT_EQ(second->messages.size(), 1u);
    EXPECT_EQ(second->messages[0], FromCp932(TAppBar::kForcedOffAutoHideText));
    EXPECT_EQ(std::string(TAppBar::kForcedOffAutoHideText),
              "There is already an auto hidden window on this edge.\n\r"
              "Only one auto hidden window is allowed on each edge.");
    // It docks as an ordinary bar on the same edge.
    EXPECT_EQ(second->WindowRect(), (TRect{0, 732, 1024, 768}));
    EXPECT_EQ(shell.Reserved(second->BarId()), (TRect{0, 732, 1024, 768}));
    EXPECT_TRUE(first->messages.empty());

    // Once the first bar is gone, the edge is free again.
    first.reset();
    auto third = MakeBar();
    third->SetAutoHide(true);
    third->SetEdge(abeBottom);
    EXPECT_TRUE(third->AutoHide());
    EXPECT_TRUE(third->messages.empty());
}

TEST_F(AppBarTest, FullScreenApplicationSendsATopMostBarToTheBottomAndBack) {
    auto bar = MakeBar();
    bar->SetEdge(abeBottom);
    const TBarId id = bar->BarId();
    EXPECT_EQ(shell.ZOrder(id), TZOrder::zoTopMost);

    shell.SetFullScreenApp(true);
    shell.DeliverNotifications();
    EXPECT_TRUE(bar->FullScreenAppActive());
    EXPECT_EQ(shell.ZOrder(id), TZOrder::zoBottom);

    shell.SetFullScreenApp(false);
    shell.DeliverNotifications();
    EXPECT_FALSE(bar->FullScreenAppActive());
    EXPECT_EQ(shell.ZOrder(id), TZOrder::zoTopMost);

    // A bar that is not kept on top stays among the other windows throughout.
    bar->SetAlwaysOnTop(false);
    bar->ReapplyEdge();
    shell.SetFullScreenApp(true);
    shell.DeliverNotifications();
    EXPECT_EQ(shell.ZOrder(id), TZOrder::zoNoTopMost);
}

TEST_F(AppBarTest, SlideFollowsElapsedTimeAndEndsExactlyOnTarget) {
    auto bar = MakeBar();
    bar->SetFloatRect({100, 100, 300, 150});
    bar->SetSlideEffect(false);
    bar->SetEdge(abeFloat);
    bar->SetSlideEffect(true);
    bar->SetHorzDockSize(36);
    PutOnScreen(*bar);
    steps.clear();
    bar->SetEdge(abeBottom);
    // The clock is read at the start and after each step; steps are drawn for t = 0,
    // 100, 200 and 300 ms, and the reading at 400 ms ends the loop. Each reading sees the
    // step drawn before it, and the slide sleeps a display frame after each step.
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(sleeps, std::vector<int>(4, TSlide::kStepMilliseconds));
    EXPECT_EQ(steps[0], (TRect{100, 100, 300, 150}));
    EXPECT_EQ(steps[1], (TRect{100, 100, 300, 150}));
    // t = 100: x = 100 - 100 * 100 / 400, y = 100 + 632 * 100 / 400, w = 200 + 824 / 4,
    // h = 50 - 1400 / 400 truncated toward zero.
    EXPECT_EQ(steps[2], (TRect{75, 258, 75 + 406, 258 + 47}));
    EXPECT_EQ(steps[4], (TRect{25, 574, 25 + 818, 574 + 40}));
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 732, 1024, 768}));
}

TEST_F(AppBarTest, NoSlideWhenNothingMovesOrSlidesAreOff) {
    // Before the bar is on the screen nothing of a glide could be seen: one step.
    auto hidden = MakeBar();
    hidden->SetFloatRect({100, 100, 300, 150});
    hidden->SetEdge(abeFloat);
    steps.clear();
    hidden->SetEdge(abeTop);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(hidden->WindowRect(), (TRect{0, 0, 1024, 32}));
    hidden.reset();

    auto bar = MakeBar();
    bar->SetEdge(abeBottom);
    PutOnScreen(*bar);
    steps.clear();
    shell.ClearCalls();
    // The same edge again registers and orders the bar again but does not slide.
    bar->SetEdge(abeBottom);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(shell.Count(Msg::abmSetPos, bar->BarId()), 1);
    EXPECT_EQ(shell.Count(Msg::abmActivate, bar->BarId()), 1);

    // Slide time 0, the effect off, or contents not shown while moving: one step.
    bar->SetSlideTime(0);
    bar->SetEdge(abeTop);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 32}));
    bar->SetSlideTime(400);
    bar->SetSlideEffect(false);
    bar->SetEdge(abeBottom);
    EXPECT_TRUE(steps.empty());
    bar->SetSlideEffect(true);
    shell.SetDragFullWindows(false);
    bar->SetEdge(abeTop);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 32}));
}

TEST_F(AppBarTest, EdgeFromPointSplitsTheScreenAlongItsDiagonals) {
    auto bar = MakeBar();
    const TAppBarFlags edges = abfAll & ~AppBarFlag(abfAllowFloat);
    EXPECT_EQ(bar->EdgeFromPoint(edges, {512, 0}), abeTop);
    EXPECT_EQ(bar->EdgeFromPoint(edges, {0, 384}), abeLeft);
    EXPECT_EQ(bar->EdgeFromPoint(edges, {1023, 384}), abeRight);
    EXPECT_EQ(bar->EdgeFromPoint(edges, {512, 767}), abeBottom);
    // Exactly on a diagonal the answer is left or right.
    EXPECT_EQ(bar->EdgeFromPoint(edges, {0, 0}), abeLeft);
    EXPECT_EQ(bar->EdgeFromPoint(edges, {1024, 768}), abeRight);
    EXPECT_EQ(bar->EdgeFromPoint(edges, {1, 0}), abeTop);

    // Only top and bottom allowed: the side sectors keep the bar where it is.
    const TAppBarFlags topBottom = AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom);
    bar->SetEdge(abeBottom);
    EXPECT_EQ(bar->EdgeFromPoint(topBottom, {0, 384}), abeBottom);
    EXPECT_EQ(bar->EdgeFromPoint(topBottom, {512, 3}), abeTop);

    // With floating allowed, the middle of the work area floats, and so does a sector
    // whose edge is not allowed.
    const TAppBarFlags topFloat = AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowFloat);
    EXPECT_EQ(bar->EdgeFromPoint(topFloat, {512, 300}), abeFloat);
    EXPECT_EQ(bar->EdgeFromPoint(topFloat, {512, 1}), abeTop);
    EXPECT_EQ(bar->EdgeFromPoint(topFloat, {0, 384}), abeFloat);
    EXPECT_EQ(bar->EdgeFromPoint(AppBarFlag(abfAllowFloat), {512, 1}), abeFloat);
}

TEST_F(AppBarTest, CtrlProposesFloatingOnlyWhenFloatingIsAllowed) {
    auto bar = MakeBar();
    shell.SetControlKeyDown(true);
    bar->SetFlags(AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom));
    EXPECT_EQ(bar->EdgeForCursor({512, 1}), abeTop);
    bar->SetFlags(abfAll);
    EXPECT_EQ(bar->EdgeForCursor({512, 1}), abeFloat);
    shell.SetControlKeyDown(false);
    EXPECT_EQ(bar->EdgeForCursor({512, 1}), abeTop);
}

TEST_F(AppBarTest, EdgeReadsTheProposedEdgeWhileAMoveRuns) {
    auto bar = MakeBar();
    bar->SetFlags(AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom));
    bar->SetVertSizeInc(0);
    bar->SetHorzDockSize(36);
    bar->SetEdge(abeBottom);
    bar->states.clear();

    bar->EnterSizeMove();
    EXPECT_EQ(bar->ProposedEdge(), abeBottom);
    TRect p = bar->WindowRect();
    bar->Moving({512, 10}, p);
    EXPECT_EQ(bar->Edge(), abeTop);
    EXPECT_EQ(p, (TRect{0, 0, 1024, 36}));
    ASSERT_EQ(bar->states.size(), 1u);
    EXPECT_TRUE(bar->states[0].proposed);
    EXPECT_EQ(bar->states[0].edge, abeTop);
    // The service still has the bar at the bottom until the move ends.
    EXPECT_EQ(shell.Reserved(bar->BarId()), (TRect{0, 732, 1024, 768}));

    // The left sector is not allowed: the stored edge, bottom, is proposed.
    TRect q = p;
    bar->Moving({0, 384}, q);
    EXPECT_EQ(bar->Edge(), abeBottom);
    bar->Moving({512, 10}, p);
    bar->ExitSizeMove();
    EXPECT_EQ(bar->ProposedEdge(), abeUnknown);
    EXPECT_EQ(bar->Edge(), abeTop);
    EXPECT_EQ(shell.Reserved(bar->BarId()), (TRect{0, 0, 1024, 36}));
    EXPECT_FALSE(bar->states.back().proposed);
    EXPECT_EQ(bar->edgeDuringChange.back(), abeTop);
}

TEST_F(AppBarTest, DraggingOffAnEdgeFloatsUnderThePointer) {
    auto bar = MakeBar();
    bar->SetFloatRect({10, 10, 210, 60});
    bar->SetEdge(abeTop);
    bar->EnterSizeMove();
    TRect p = bar->WindowRect();
    bar->Moving({500, 400}, p);
    EXPECT_EQ(bar->Edge(), abeFloat);
    EXPECT_EQ(p, (TRect{400, 400, 600, 450}));
    // Already floating, the window keeps the rectangle the move proposes.
    TRect p2{420, 410, 620, 460};
    bar->Moving({520, 410}, p2);
    EXPECT_EQ(p2, (TRect{420, 410, 620, 460}));
    bar->ExitSizeMove();
    // The window still has the docked size, as wide as the work area: the float size
    // stays, placed where the window stands.
    EXPECT_EQ(bar->Edge(), abeFloat);
    EXPECT_EQ(bar->FloatRect(), (TRect{0, 0, 200, 50}));
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 200, 50}));

    // Moved while floating, the float rectangle follows the window.
    bar->EnterSizeMove();
    bar->setGeometry(300, 300, 150, 40);
    bar->ExitSizeMove();
    EXPECT_EQ(bar->FloatRect(), (TRect{300, 300, 450, 340}));
}

TEST_F(AppBarTest, PressOnAnEmptyPartOfTheBarRunsTheMove) {
    auto bar = MakeBar();
    bar->SetFlags(AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom));
    bar->SetVertSizeInc(0);
    bar->SetHorzDockSize(36);
    bar->SetEdge(abeBottom);
    auto* button = new QPushButton(bar.get());
    button->setGeometry(900, 2, 60, 30);
    bar->show();

    const auto send = [&](QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held) {
        QMouseEvent event(type, local, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(bar.get(), &event);
    };
    // On the button: no move.
    send(QEvent::MouseButtonPress, {910, 10}, {910, 742}, Qt::LeftButton);
    EXPECT_FALSE(bar->InSizeMove());
    send(QEvent::MouseButtonRelease, {910, 10}, {910, 742}, Qt::NoButton);

    send(QEvent::MouseButtonPress, {100, 10}, {100, 742}, Qt::LeftButton);
    ASSERT_TRUE(bar->InSizeMove());
    send(QEvent::MouseMove, {100, -700}, {100, 42}, Qt::LeftButton);
    EXPECT_EQ(bar->Edge(), abeTop);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 36}));
    send(QEvent::MouseButtonRelease, {100, 20}, {100, 20}, Qt::NoButton);
    EXPECT_FALSE(bar->InSizeMove());
    EXPECT_EQ(bar->Edge(), abeTop);
    EXPECT_EQ(shell.Reserved(bar->BarId()), (TRect{0, 0, 1024, 36}));

    // A disabled control does not stop the move.
    button->setEnabled(false);
    send(QEvent::MouseButtonPress, {910, 10}, {910, 10}, Qt::LeftButton);
    EXPECT_TRUE(bar->InSizeMove());
    send(QEvent::MouseButtonRelease, {910, 10}, {910, 10}, Qt::NoButton);
    EXPECT_EQ(bar->Edge(), abeTop);
}

TEST_F(AppBarTest, HitTestTurnsEmptyClientIntoCaptionAndLimitsSizing) {
    auto bar = MakeBar();
    const TRect client{0, 0, 1024, 36};
    // Floating, by the size steps.
    EXPECT_EQ(bar->HitTest(htClient, {5, 5}, client, true, false), htCaption);
    EXPECT_EQ(bar->HitTest(htClient, {5, 5}, client, true, true), htClient);
    EXPECT_EQ(bar->HitTest(htClient, {5, 5}, client, false, false), htClient);
    EXPECT_EQ(bar->HitTest(htTopLeft, {5, 5}, client, false, false), htTopLeft);
    bar->SetHorzSizeInc(0);
    EXPECT_EQ(bar->HitTest(htLeft, {5, 5}, client, false, false), htBorder);
    EXPECT_EQ(bar->HitTest(htTop, {5, 5}, client, false, false), htTop);
    EXPECT_EQ(bar->HitTest(htBottomRight, {5, 5}, client, false, false), htBottom);
    bar->SetHorzSizeInc(1);
    bar->SetVertSizeInc(0);
    EXPECT_EQ(bar->HitTest(htTopRight, {5, 5}, client, false, false), htRight);
    bar->SetHorzSizeInc(0);
    EXPECT_EQ(bar->HitTest(htTopRight, {5, 5}, client, false, false), htBorder);

    // Docked at the top, only the bottom side sizes, and only with a height step.
    bar->SetHorzSizeInc(1);
    bar->SetVertSizeInc(1);
    bar->SetEdge(abeTop);
    EXPECT_EQ(bar->HitTest(htBottomLeft, {5, 40}, client, false, false), htBottom);
    EXPECT_EQ(bar->HitTest(htLeft, {5, 20}, client, false, false), htBorder);
    EXPECT_EQ(bar->HitTest(htCaption, {5, 20}, client, false, false), htCaption);
    bar->SetVertSizeInc(0);
    EXPECT_EQ(bar->HitTest(htBottom, {5, 40}, client, false, false), htBorder);
}

TEST_F(AppBarTest, SizingRoundsToStepsAndLimitsFollowTheEdge) {
    auto bar = MakeBar();
    bar->SetHorzSizeInc(10);
    bar->SetVertSizeInc(0);
    bar->SetMinWidth(3);
    TRect p{100, 100, 204, 157};
    bar->Sizing(wmszTopLeft, p);
    // 3 + ((101 + 5) / 10) * 10 = 103 wide; the height step 0 keeps 57.
    EXPECT_EQ(p, (TRect{101, 100, 204, 157}));
    p = {100, 100, 204, 157};
    bar->Sizing(wmszRight, p);
    EXPECT_EQ(p, (TRect{100, 100, 203, 157}));

    TMinMaxInfo info = bar->GetMinMaxInfo();
    EXPECT_EQ(info.MinTrackSize, QSize(3, 0));
    EXPECT_EQ(info.MaxTrackSize, QSize(1024, 768));
    bar->SetMinHorzDockSize(20);
    bar->SetEdge(abeTop);
    info = bar->GetMinMaxInfo();
    EXPECT_EQ(info.MinTrackSize, QSize(0, 20));
    EXPECT_EQ(info.MaxTrackSize, QSize(1024, 384));
    bar->SetEdge(abeRight);
    info = bar->GetMinMaxInfo();
    EXPECT_EQ(info.MaxTrackSize, QSize(512, 768));
}

TEST_F(AppBarTest, StyleChangesOnlyWhenSomethingChanges) {
    auto bar = MakeBar();
    bar->SetEdge(abeTop);
    EXPECT_FALSE(bar->ChangeWindowStyle(wsCaption, 0));
    EXPECT_TRUE(bar->ChangeWindowStyle(0, wsCaption));
    EXPECT_FALSE(bar->ChangeWindowStyle(0, wsCaption));
    EXPECT_TRUE(bar->ChangeWindowStyle(wsCaption, 0));
    // A proposed floating edge changes the style only when contents show while moving.
    shell.SetDragFullWindows(false);
    bar->OnAppBarStateChange(true, abeFloat);
    EXPECT_EQ(bar->WindowStyle(), 0u);
    shell.SetDragFullWindows(true);
    bar->OnAppBarStateChange(true, abeFloat);
    EXPECT_EQ(bar->WindowStyle(), wsCaption | wsSysMenu);
}

TEST_F(AppBarTest, DestroyedBarLeavesTheServiceAndFreesItsEdge) {
    auto bar = MakeBar();
    bar->SetAutoHide(true);
    bar->SetEdge(abeTop);
    const TBarId id = bar->BarId();
    auto other = MakeBar();
    other->SetEdge(abeBottom);
    ASSERT_TRUE(shell.Registered(id));
    bar.reset();
    EXPECT_FALSE(shell.Registered(id));
    TAppBarData probe;
    probe.Edge = abeTop;
    EXPECT_EQ(shell.Message(Msg::abmGetAutoHideBar, probe), 0u);
    other.reset();
    EXPECT_EQ(shell.WorkArea(0), (TRect{0, 0, 1024, 768}));
}

TEST_F(AppBarTest, FirstPassOfTheEventLoopRecordsTheWindowSizeAsThickness) {
    auto bar = MakeBar();
    bar->SetEdge(abeBottom);
    bar->setGeometry(0, 728, 1024, 40);
    QApplication::processEvents();
    EXPECT_EQ(bar->HorzDockSize(), 40);
    EXPECT_EQ(bar->ProposedEdge(), abeUnknown);
    EXPECT_EQ(bar->Edge(), abeBottom);
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 728, 1024, 768}));
}

TEST_F(AppBarTest, WithoutAnX11DesktopTheBarKeepsItsRulesOnThePrimaryScreen) {
    const std::unique_ptr<TAppBarShell> own = MakeDesktopShell().appBars;
    ASSERT_NE(dynamic_cast<TSimulatedAppBarShell*>(own.get()), nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(own->ScreenRect(0), (TRect{0, 0, screen.width(), screen.height()}));
    RecordingBar bar(*own);
    bar.SetSlideEffect(false);
    bar.SetEdge(abeBottom);
    EXPECT_EQ(bar.WindowRect(), (TRect{0, screen.height() - 32, screen.width(), screen.height()}));
}

}  // namespace
}  // namespace lintel
