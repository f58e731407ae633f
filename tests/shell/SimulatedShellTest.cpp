// The in-memory desktop-toolbar service the bar tests run against: if it modelled the
// desktop wrongly, those tests would prove nothing.
#include <gtest/gtest.h>

#include <vector>

#include "shell/SimulatedAppBarShell.h"
#include "shell/SimulatedNotifyIconHost.h"

namespace lintel {
namespace {

using Msg = TAppBarMessage;

struct Heard {
    TBarId bar;
    TAppBarNotification code;
    std::intptr_t param;
};

class SimulatedShellTest : public ::testing::Test {
protected:
    std::uintptr_t Send(Msg m, TBarId bar, int edge, TRect r = {}, std::intptr_t param = 0) {
        TAppBarData d;
        d.Wnd = bar;
        d.Edge = edge;
        d.Rect = r;
        d.Param = param;
        d.Callback = [this, bar](TAppBarNotification code, std::intptr_t p) {
            heard.push_back({bar, code, p});
        };
        const std::uintptr_t result = shell.Message(m, d);
        last = d.Rect;
        return result;
    }

    TSimulatedAppBarShell shell{800, 600};
    std::vector<Heard> heard;
    TRect last;
};

TEST_F(SimulatedShellTest, RegistrationIsOncePerWindow) {
    EXPECT_EQ(Send(Msg::abmNew, 7, abeFloat), 1u);
    EXPECT_EQ(Send(Msg::abmNew, 7, abeFloat), 0u);
    EXPECT_EQ(Send(Msg::abmNew, 0, abeFloat), 0u);
    EXPECT_TRUE(shell.Registered(7));
    Send(Msg::abmRemove, 7, abeFloat);
    EXPECT_FALSE(shell.Registered(7));
}

TEST_F(SimulatedShellTest, StripsOnEveryEdgeShapeTheWorkAreaAndTheQueries) {
    for (TBarId b : {1, 2, 3, 4}) Send(Msg::abmNew, b, abeFloat);
    Send(Msg::abmSetPos, 1, abeTop, {0, 0, 800, 20});
    Send(Msg::abmSetPos, 2, abeBottom, {0, 570, 800, 600});
    Send(Msg::abmSetPos, 3, abeLeft, {0, 20, 40, 570});
    Send(Msg::abmSetPos, 4, abeRight, {750, 20, 800, 570});
    EXPECT_EQ(shell.WorkArea(0), (TRect{40, 20, 750, 570}));
    // A bar asking about its own edge sees every strip but its own.
    Send(Msg::abmQueryPos, 1, abeTop, {0, 0, 800, 600});
    EXPECT_EQ(last, (TRect{40, 0, 750, 570}));
    // A floating bar, or one sending an empty rectangle, gives its strip back.
    Send(Msg::abmSetPos, 2, abeFloat, {});
    Send(Msg::abmSetPos, 4, abeRight, {});
    EXPECT_EQ(shell.WorkArea(0), (TRect{40, 20, 800, 600}));
}

TEST_F(SimulatedShellTest, BarsOnOneEdgeLineUpInRegistrationOrder) {
    Send(Msg::abmNew, 1, abeFloat);
    Send(Msg::abmNew, 2, abeFloat);
    Send(Msg::abmSetPos, 2, abeBottom, {0, 570, 800, 600});
    Send(Msg::abmSetPos, 1, abeBottom, {0, 580, 800, 600});
    // The earlier bar keeps the edge; the later one is asked to stand above it.
    Send(Msg::abmQueryPos, 1, abeBottom, {0, 0, 800, 600});
    EXPECT_EQ(last, (TRect{0, 0, 800, 600}));
    Send(Msg::abmQueryPos, 2, abeBottom, {0, 0, 800, 600});
    EXPECT_EQ(last, (TRect{0, 0, 800, 580}));
}

TEST_F(SimulatedShellTest, OneAutoHideBarPerEdgeAndOnlyItsHolderReleasesIt) {
    Send(Msg::abmNew, 1, abeFloat);
    Send(Msg::abmNew, 2, abeFloat);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 1, abeTop, {}, 1), 1u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 1, abeTop, {}, 1), 1u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 2, abeTop, {}, 1), 0u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 2, abeTop, {}, 0), 0u);
    EXPECT_EQ(Send(Msg::abmGetAutoHideBar, 2, abeTop), 1u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 2, abeBottom, {}, 1), 1u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 1, abeUnknown, {}, 1), 0u);
    // Leaving the service frees the edge.
    Send(Msg::abmRemove, 1, abeFloat);
    EXPECT_EQ(Send(Msg::abmGetAutoHideBar, 2, abeTop), 0u);
    EXPECT_EQ(Send(Msg::abmSetAutoHideBar, 2, abeTop, {}, 1), 1u);
}

TEST_F(SimulatedShellTest, NotificationsWaitForDeliveryAndSkipDepartedBars) {
    Send(Msg::abmNew, 1, abeFloat);
    Send(Msg::abmNew, 2, abeFloat);
    Send(Msg::abmNew, 3, abeFloat);
    Send(Msg::abmSetPos, 1, abeTop, {0, 0, 800, 20});
    EXPECT_TRUE(heard.empty());
    // The same strip again is no change.
    Send(Msg::abmSetPos, 1, abeTop, {0, 0, 800, 20});
    Send(Msg::abmRemove, 3, abeFloat);
    shell.SetFullScreenApp(true);
    EXPECT_EQ(shell.DeliverNotifications(), 3);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].bar, 2u);
    EXPECT_EQ(heard[0].code, TAppBarNotification::abnPosChanged);
    EXPECT_EQ(heard[1].bar, 1u);
    EXPECT_EQ(heard[1].code, TAppBarNotification::abnFullScreenApp);
    EXPECT_EQ(heard[1].param, 1);
    EXPECT_EQ(heard[2].bar, 2u);
    EXPECT_EQ(shell.DeliverNotifications(), 0);
}

TEST(SimulatedNotifyIconHostTest, KeepsIconsByIdentifierAndRefusesWhatDoesNotFit) {
    TSimulatedNotifyIconHost host;
    TNotifyIconData d;
    d.Id = 4;
    EXPECT_FALSE(host.NotifyIcon(TNotifyIconMessage::nimModify, d));
    EXPECT_TRUE(host.NotifyIcon(TNotifyIconMessage::nimAdd, d));
    EXPECT_FALSE(host.NotifyIcon(TNotifyIconMessage::nimAdd, d));
    d.Tip = QStringLiteral("x");
    EXPECT_TRUE(host.NotifyIcon(TNotifyIconMessage::nimModify, d));
    EXPECT_EQ(host.Shown(4).Tip, QStringLiteral("x"));
    EXPECT_TRUE(host.NotifyIcon(TNotifyIconMessage::nimDelete, d));
    EXPECT_FALSE(host.NotifyIcon(TNotifyIconMessage::nimDelete, d));
    EXPECT_FALSE(host.Shows(4));
    std::vector<std::pair<int, unsigned>> got;
    host.SetCallback([&](int id, unsigned m) { got.emplace_back(id, m); });
    host.Mouse(4, wmLButtonDown);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], std::make_pair(4, unsigned{wmLButtonDown}));
}

}  // namespace
}  // namespace lintel
