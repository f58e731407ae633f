// The services the program picks for the desktop it runs on, here one without X11.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "shell/DesktopShell.h"
#include "shell/QtNotifyIconHost.h"
#include "shell/SimulatedAppBarShell.h"
#include "shell/SimulatedDesktopSurface.h"
#include "support/QtApp.h"

namespace lintel {
namespace {

// Away from X11 the bar docks by its own rules on the primary screen, with no picture and
// no compositing manager behind it; the notification area is Qt's.
TEST(DesktopShellTest, WithoutX11EveryServiceIsSimulatedButTheNotificationArea) {
    test::App();
    const TDesktopShell desktop = MakeDesktopShell();
    const auto* appBars = dynamic_cast<const TSimulatedAppBarShell*>(desktop.appBars.get());
    ASSERT_NE(appBars, nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(appBars->ScreenRect(0), (TRect{0, 0, screen.width(), screen.height()}));
    EXPECT_TRUE(appBars->DragFullWindows()) << "the bar slides as on a real desktop";
    ASSERT_NE(dynamic_cast<const TSimulatedDesktopSurface*>(desktop.surface.get()), nullptr);
    EXPECT_FALSE(desktop.surface->CompositingActive());
    EXPECT_EQ(desktop.surface->DesktopPicture(QRect(0, 0, 8, 8)), std::nullopt);
    EXPECT_NE(dynamic_cast<const TQtNotifyIconHost*>(desktop.notifyIcons.get()), nullptr);
}

}  // namespace
}  // namespace lintel
