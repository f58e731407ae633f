// The X11 desktop-toolbar service on a real (virtual) display with openbox managing it:
// the reservations must reach the window manager's work area, and the auto-hide places
// and full-screen reports must hold between separate clients.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "X11Desktop.h"
#include "shell/DesktopShell.h"
#include "shell/X11AppBarShell.h"
#include "shell/X11DesktopSurface.h"
#include "support/Require.h"
#include "widgets/AppBar.h"

namespace lintel {
namespace {

using test::TheDesktop;
using test::XSession;
using Msg = TAppBarMessage;
using Area = std::vector<uint32_t>;

void Pump() {
    QApplication::processEvents();
}

class X11AppBarShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        LINTEL_REQUIRE(XSession::Available(), "Xvfb or openbox (tools/deps.sh test)");
        ASSERT_TRUE(TheDesktop().shell) << "the virtual display did not come up";
        x = &TheDesktop().x;
        shell = TheDesktop().shell.get();
    }

    std::uintptr_t Send(Msg m, TBarId bar, int edge, TRect r = {}, std::intptr_t param = 0) {
        TAppBarData d;
        d.Wnd = bar;
        d.Edge = edge;
        d.Rect = r;
        d.Param = param;
        d.Callback = [this](TAppBarNotification code, std::intptr_t p) {
            heard.push_back({code, p});
        };
        const std::uintptr_t result = shell->Message(m, d);
        last = d.Rect;
        return result;
    }

    /// A plain window registered as a bar before it is first shown, and unregistered
    /// before it goes, as a bar does.
    struct PlainBar : QWidget {
        explicit PlainBar(TX11AppBarShell* s)
            : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), shell(s) {}
        ~PlainBar() override {
            if (!unregister)
                return;
            TAppBarData d;
            d.Wnd = winId();
            shell->Message(Msg::abmRemove, d);
        }
        TX11AppBarShell* shell;
        bool unregister = true;
    };
    std::unique_ptr<PlainBar> Bar(QRect geometry) {
        auto w = std::make_unique<PlainBar>(shell);
        w->setGeometry(geometry);
        EXPECT_EQ(Send(Msg::abmNew, w->winId(), abeFloat), 1u);
        w->show();
        return w;
    }

    /// An app bar as the program's: 36 pixels thick, docked at the top or the bottom only,
    /// no user sizing, no slides; shown at the bottom edge.
    std::unique_ptr<TAppBar> TopOrBottomBar() {
        auto bar = std::make_unique<TAppBar>(*shell);
        bar->SetFlags(AppBarFlag(abfAllowTop) | AppBarFlag(abfAllowBottom));
        bar->SetVertSizeInc(0);
        bar->SetSlideEffect(false);
        bar->SetHorzDockSize(36);
        bar->SetEdge(abeBottom);
        bar->show();
        return bar;
    }

    bool WorkAreaBecomes(const Area& expected) {
        return XSession::WaitFor([&] { return x->WorkArea() == expected; }, Pump);
    }

    struct Heard {
        TAppBarNotification code;
        std::intptr_t param;
    };
    XSession* x = nullptr;
    TX11AppBarShell* shell = nullptr;
    std::vector<Heard> heard;
    TRect last;
};

TEST_F(X11AppBarShellTest, DockedBarReservesItsStripMovesItAndFreesItWhenGone) {
    ASSERT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    auto bar = Bar({0, 732, 1024, 36});
    const auto id = static_cast<xcb_window_t>(bar->winId());
    // A dock on every desktop, as the window manager needs to see it before mapping.
    EXPECT_EQ(x->Cardinals(id, x->Atom("_NET_WM_WINDOW_TYPE")),
              Area{x->Atom("_NET_WM_WINDOW_TYPE_DOCK")});
    EXPECT_EQ(x->Cardinals(id, x->Atom("_NET_WM_DESKTOP")), Area{0xFFFFFFFFu});

    Send(Msg::abmSetPos, id, abeBottom, {0, 732, 1024, 768});
    EXPECT_EQ(last, (TRect{0, 732, 1024, 768}));
    EXPECT_EQ(x->Cardinals(id, x->Atom("_NET_WM_STRUT_PARTIAL")),
              (Area{0, 0, 0, 36, 0, 0, 0, 0, 0, 0, 0, 1023}));
    EXPECT_EQ(x->Cardinals(id, x->Atom("_NET_WM_STRUT")), (Area{0, 0, 0, 36}));
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 732}));

    // Its own strip never counts against it: asking again gives the same place.
    Send(Msg::abmQueryPos, id, abeBottom, {0, 0, 1024, 768});
    EXPECT_EQ(last, (TRect{0, 0, 1024, 768}));
    EXPECT_EQ(shell->WorkArea(id), (TRect{0, 0, 1024, 732}));

    bar->setGeometry(0, 0, 1024, 36);
    Send(Msg::abmSetPos, id, abeTop, {0, 0, 1024, 36});
    EXPECT_TRUE(WorkAreaBecomes({0, 36, 1024, 732}));

    // Floating or an empty rectangle gives the strip back; so does leaving.
    Send(Msg::abmSetPos, id, abeFloat, {});
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    Send(Msg::abmSetPos, id, abeTop, {0, 0, 1024, 36});
    EXPECT_TRUE(WorkAreaBecomes({0, 36, 1024, 732}));
    // A window that goes without unregistering (a crash, say) frees its strip too, and
    // the service forgets it.
    bar->unregister = false;
    bar.reset();
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    EXPECT_TRUE(XSession::WaitFor([&] { return Send(Msg::abmNew, id, abeFloat) == 1u; }, Pump));
    Send(Msg::abmRemove, id, abeFloat);
}

TEST_F(X11AppBarShellTest, OtherDocksStripsAreLeftOutAndTheyAreHeardOf) {
    auto bar = Bar({0, 732, 1024, 36});
    const auto id = static_cast<xcb_window_t>(bar->winId());
    Send(Msg::abmSetPos, id, abeBottom, {0, 732, 1024, 768});
    heard.clear();

    // Another program's dock at the top, 30 high.
    xcb_connection_t* c = x->Connection();
    const xcb_window_t other = x->CreateWindow(0, 0, 1024, 30);
    const uint32_t dock[] = {x->Atom("_NET_WM_WINDOW_TYPE_DOCK")};
    x->X().SetProperty(other, x->Atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, dock);
    const uint32_t strut[12] = {0, 0, 30, 0, 0, 0, 0, 0, 0, 1023, 0, 0};
    x->X().SetProperty(other, x->Atom("_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, strut);
    xcb_map_window(c, other);
    xcb_flush(c);
    ASSERT_TRUE(WorkAreaBecomes({0, 30, 1024, 702}));
    EXPECT_TRUE(XSession::WaitFor(
        [&] {
            for (const Heard& h : heard)
                if (h.code == TAppBarNotification::abnPosChanged)
                    return true;
            return false;
        },
        Pump));

    Send(Msg::abmQueryPos, id, abeBottom, {0, 0, 1024, 768});
    EXPECT_EQ(last, (TRect{0, 30, 1024, 768}));
    // The other dock came first, so on its own edge the bar stands below it.
    Send(Msg::abmQueryPos, id, abeTop, {0, 0, 1024, 768});
    EXPECT_EQ(last, (TRect{0, 30, 1024, 768}));

    xcb_destroy_window(c, other);
    xcb_flush(c);
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 732}));
}

TEST_F(X11AppBarShellTest, AutoHidePlaceIsSharedBetweenClientsAndFreedByADeadWindow) {
    auto bar = Bar({0, 0, 1024, 36});
    const auto id = static_cast<xcb_window_t>(bar->winId());
    // Another client's window holds the top edge.
    xcb_connection_t* c = x->Connection();
    const xcb_window_t other = x->CreateWindow(0, 0, 10, 10);
    const uint32_t holders[4] = {0, other, 0, 0};
    x->X().SetProperty(x->Root(), x->Atom(TX11AppBarShell::kAutoHideProperty), XCB_ATOM_WINDOW,
                       holders);
    x->Sync();
    EXPECT_EQ(Send(Msg::abmGetAutoHideBar, id, abeTop), other);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, id, abeTop, {}, 1), 0u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, id, abeTop, {}, 0), 0u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, id, abeBottom, {}, 1), 1u);

    // The other program crashes: its window is gone, and the edge is free.
    xcb_destroy_window(c, other);
    x->Sync();
    EXPECT_EQ(Send(Msg::abmGetAutoHideBar, id, abeTop), 0u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, id, abeTop, {}, 1), 1u);
    EXPECT_EQ(Send(Msg::abmGetAutoHideBar, id, abeTop), id);
    // What this client wrote, the other client reads.
    const Area seen = x->Cardinals(x->Root(), x->Atom(TX11AppBarShell::kAutoHideProperty));
    EXPECT_EQ(seen, (Area{0, uint32_t{id}, 0, uint32_t{id}}));
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, id, abeTop, {}, 0), 1u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, id, abeBottom, {}, 0), 1u);
}

TEST_F(X11AppBarShellTest, FullScreenActiveWindowIsReported) {
    auto bar = Bar({0, 732, 1024, 36});
    heard.clear();
    xcb_connection_t* c = x->Connection();
    const xcb_window_t app = x->CreateWindow(100, 100, 300, 200);
    const uint32_t full[] = {x->Atom("_NET_WM_STATE_FULLSCREEN")};
    x->X().SetProperty(app, x->Atom("_NET_WM_STATE"), XCB_ATOM_ATOM, full);
    xcb_map_window(c, app);
    xcb_flush(c);
    const auto reported = [&](std::intptr_t open) {
        return XSession::WaitFor(
            [&] {
                for (const Heard& h : heard)
                    if (h.code == TAppBarNotification::abnFullScreenApp && h.param == open)
                        return true;
                return false;
            },
            Pump);
    };
    EXPECT_TRUE(reported(1));

    // Leaving full screen through the window manager ends the report.
    x->X().RequestWmState(app, TWmStateAction::Remove, full[0]);
    xcb_flush(c);
    EXPECT_TRUE(reported(0));
    xcb_destroy_window(c, app);
    xcb_flush(c);
}

TEST_F(X11AppBarShellTest, StackingAndTaskbarStatesReachTheWindowManager) {
    auto bar = Bar({0, 732, 1024, 36});
    const auto id = static_cast<xcb_window_t>(bar->winId());
    const auto has = [&](const char* state) {
        const xcb_atom_t atom = x->Atom(state);
        for (uint32_t s : x->Cardinals(id, x->Atom("_NET_WM_STATE")))
            if (s == atom)
                return true;
        return false;
    };
    shell->SetZOrder(id, TZOrder::zoTopMost);
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return has("_NET_WM_STATE_ABOVE") && !has("_NET_WM_STATE_BELOW"); }, Pump));
    shell->SetZOrder(id, TZOrder::zoBottom);
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return !has("_NET_WM_STATE_ABOVE") && has("_NET_WM_STATE_BELOW"); }, Pump));
    shell->ShowTaskbarButton(id, false);
    EXPECT_TRUE(XSession::WaitFor([&] { return has("_NET_WM_STATE_SKIP_TASKBAR"); }, Pump));
    shell->ShowTaskbarButton(id, true);
    EXPECT_TRUE(XSession::WaitFor([&] { return !has("_NET_WM_STATE_SKIP_TASKBAR"); }, Pump));
}

TEST_F(X11AppBarShellTest, AppBarDocksAtTheBottomAndFollowsToTheTop) {
    ASSERT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    auto bar = TopOrBottomBar();
    const auto id = static_cast<xcb_window_t>(bar->winId());
    EXPECT_EQ(x->Cardinals(id, x->Atom("_NET_WM_WINDOW_TYPE")),
              Area{x->Atom("_NET_WM_WINDOW_TYPE_DOCK")});
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 732}));
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return bar->isVisible() && bar->geometry() == QRect(0, 732, 1024, 36); }, Pump));
    // Kept on top, out of the task bar, on every desktop.
    const auto states = [&] { return x->Cardinals(id, x->Atom("_NET_WM_STATE")); };
    const auto has = [&](const char* state) {
        const Area now = states();
        return std::find(now.begin(), now.end(), x->Atom(state)) != now.end();
    };
    EXPECT_TRUE(has("_NET_WM_STATE_ABOVE"));
    EXPECT_TRUE(has("_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_FALSE(has("_NET_WM_STATE_BELOW"));
    EXPECT_EQ(x->Cardinals(id, x->Atom("_NET_WM_DESKTOP")), Area{0xFFFFFFFFu});
    // An ordinary window over the bar's place stays below it...
    xcb_connection_t* c = x->Connection();
    const xcb_window_t other = x->CreateWindow(0, 600, 400, 168);
    xcb_map_window(c, other);
    x->Sync();
    const auto above = [&](xcb_window_t upper, xcb_window_t lower) {
        const Area order = x->Cardinals(x->Root(), x->Atom("_NET_CLIENT_LIST_STACKING"));
        const auto u = std::find(order.begin(), order.end(), upper);
        const auto l = std::find(order.begin(), order.end(), lower);
        return u != order.end() && l != order.end() && u > l;
    };
    EXPECT_TRUE(XSession::WaitFor([&] { return above(id, other); }, Pump));
    // ...until the bar is no longer kept on top: then a raised window covers it.
    bar->SetAlwaysOnTop(false);
    bar->ReapplyEdge();
    EXPECT_TRUE(XSession::WaitFor(
        [&] { return has("_NET_WM_STATE_BELOW") && !has("_NET_WM_STATE_ABOVE"); }, Pump));
    const uint32_t raise = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, other, XCB_CONFIG_WINDOW_STACK_MODE, &raise);
    x->Sync();
    EXPECT_TRUE(XSession::WaitFor([&] { return above(other, id); }, Pump));
    xcb_destroy_window(c, other);
    x->Sync();
    bar->SetEdge(abeTop);
    EXPECT_TRUE(WorkAreaBecomes({0, 36, 1024, 732}));
    // Re-applying the edge again and again does not creep inward.
    for (int i = 0; i < 3; ++i) bar->ReapplyEdge();
    Pump();
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 36}));
    EXPECT_TRUE(WorkAreaBecomes({0, 36, 1024, 732}));
    bar.reset();
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
}

TEST_F(X11AppBarShellTest, MaximisedWindowFitsAboveTheBarAndAutoHideReservesNothing) {
    ASSERT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    auto bar = std::make_unique<TAppBar>(*shell);
    bar->SetSlideEffect(false);
    bar->SetHorzDockSize(36);
    bar->SetEdge(abeBottom);
    bar->show();
    ASSERT_TRUE(WorkAreaBecomes({0, 0, 1024, 732}));

    // Another program's window, maximised by the window manager.
    xcb_connection_t* c = x->Connection();
    const xcb_window_t other = x->CreateWindow(50, 50, 300, 200);
    const uint32_t maximised[2] = {x->Atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                                   x->Atom("_NET_WM_STATE_MAXIMIZED_HORZ")};
    x->X().SetProperty(other, x->Atom("_NET_WM_STATE"), XCB_ATOM_ATOM, maximised);
    xcb_map_window(c, other);
    x->Sync();
    const auto bottomOf = [&] {
        TX11Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, other), nullptr));
        const auto origin = x->X().Origin(other);
        return g && origin ? origin->second + g->height : -1;
    };
    // It fills the screen down to the bar and no further.
    EXPECT_TRUE(XSession::WaitFor([&] { return bottomOf() > 700 && bottomOf() <= 732; }, Pump))
        << "bottom of the maximised window: " << bottomOf();

    // An auto-hide bar at the top gives every pixel back and hides but two of its own.
    bar->SetAutoHide(true);
    bar->SetEdge(abeTop);
    EXPECT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    EXPECT_EQ(bar->WindowRect(), (TRect{0, -34, 1024, 2}));
    // The window manager lets the dock stand mostly off the screen.
    const auto barTop = [&] {
        const auto origin = x->X().Origin(static_cast<xcb_window_t>(bar->winId()));
        return origin ? origin->second : 9999;
    };
    EXPECT_TRUE(XSession::WaitFor([&] { return barTop() == -34; }, Pump))
        << "the hidden bar stands at " << barTop();
    EXPECT_EQ(Send(Msg::abmGetAutoHideBar, bar->BarId(), abeTop), bar->BarId());
    xcb_destroy_window(c, other);
    x->Sync();
    bar.reset();
    const Area holders = x->Cardinals(x->Root(), x->Atom(TX11AppBarShell::kAutoHideProperty));
    EXPECT_EQ(holders, (Area{0, 0, 0, 0}));
}

TEST_F(X11AppBarShellTest, OnAnX11DisplayTheDesktopServicesAreTheX11Ones) {
    const TDesktopShell desktop = MakeDesktopShell();
    EXPECT_NE(dynamic_cast<TX11AppBarShell*>(desktop.appBars.get()), nullptr);
    EXPECT_NE(dynamic_cast<TX11DesktopSurface*>(desktop.surface.get()), nullptr);
    EXPECT_NE(desktop.notifyIcons, nullptr);
    EXPECT_EQ(desktop.appBars->ScreenRect(0), (TRect{0, 0, 1024, 768}));
}

TEST_F(X11AppBarShellTest, DraggingTheBarWithThePointerMovesItToTheOtherEdge) {
    LINTEL_REQUIRE(access("/usr/bin/xdotool", X_OK) == 0, "xdotool (tools/deps.sh test)");
    ASSERT_TRUE(WorkAreaBecomes({0, 0, 1024, 768}));
    auto bar = TopOrBottomBar();
    ASSERT_TRUE(WorkAreaBecomes({0, 0, 1024, 732}));
    const auto xdotool = [&](const std::string& args) {
        const std::string command = "DISPLAY=" + qEnvironmentVariable("DISPLAY").toStdString() +
                                    " /usr/bin/xdotool " + args;
        return std::system(command.c_str()) == 0;
    };
    // Press on the bar, then carry the pointer up to the top edge; the bar follows the
    // pointer's edge while the button is held, and the service hears of it on release.
    ASSERT_TRUE(xdotool("mousemove 500 750 mousedown 1"));
    ASSERT_TRUE(XSession::WaitFor([&] { return bar->InSizeMove(); }, Pump));
    ASSERT_TRUE(xdotool("mousemove 500 400 mousemove 500 20"));
    EXPECT_TRUE(XSession::WaitFor([&] { return bar->Edge() == abeTop; }, Pump));
    EXPECT_TRUE(bar->InSizeMove());
    EXPECT_EQ(x->WorkArea(), (Area{0, 0, 1024, 732}));
    ASSERT_TRUE(xdotool("mouseup 1"));
    EXPECT_TRUE(XSession::WaitFor([&] { return !bar->InSizeMove(); }, Pump));
    EXPECT_EQ(bar->Edge(), abeTop);
    EXPECT_TRUE(WorkAreaBecomes({0, 36, 1024, 732}));
    EXPECT_EQ(bar->WindowRect(), (TRect{0, 0, 1024, 36}));
}

}  // namespace
}  // namespace lintel
