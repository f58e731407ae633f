// The tray icon in a real notification area: trayer on Xvfb with openbox, clicked with
// xdotool as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <memory>
#include <string>

#include "XSession.h"
#include "shell/QtNotifyIconHost.h"
#include "support/Require.h"
#include "widgets/TrayIcon.h"

namespace lintel {
namespace {

using test::XSession;

bool TrayerAvailable() {
    return XSession::Available() && access("/usr/bin/trayer", X_OK) == 0 &&
           access("/usr/bin/xdotool", X_OK) == 0;
}

/// The display with a tray host, and the application, made once for the whole program.
struct TrayDesktop {
    XSession x;
    pid_t trayer = 0;
    std::string display;
    std::unique_ptr<QApplication> app;

    TrayDesktop() {
        if (!TrayerAvailable())
            return;
        display = x.Start();
        if (display.empty())
            return;
        trayer = fork();
        if (trayer == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            setenv("DISPLAY", display.c_str(), 1);
            execl("/usr/bin/trayer", "trayer", "--edge", "bottom", "--align", "right",
                  "--widthtype", "pixel", "--width", "120", "--heighttype", "pixel", "--height",
                  "32", "--SetDockType", "true", "--transparent", "false",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        // The tray is there once it owns the tray selection of screen 0.
        const bool up = XSession::WaitFor(
            [&] { return x.X().SelectionOwner("_NET_SYSTEM_TRAY_S0") != XCB_WINDOW_NONE; });
        if (!up)
            return;
        qputenv("DISPLAY", display.c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // Without a session bus Qt talks to the tray through the X11 protocol, the one
        // trayer speaks.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        static int argc = 1;
        static char name[] = "x11_tray_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    ~TrayDesktop() {
        app.reset();
        if (trayer > 0) {
            kill(trayer, SIGTERM);
            waitpid(trayer, nullptr, 0);
        }
    }

    /// Clicks `button` at (x, y) of the display.
    bool Click(QPoint at, int button) const {
        const std::string command = "DISPLAY=" + display + " /usr/bin/xdotool mousemove " +
                                    std::to_string(at.x()) + " " + std::to_string(at.y()) +
                                    " click " + std::to_string(button);
        return std::system(command.c_str()) == 0;
    }
};

TrayDesktop& Desktop() {
    static TrayDesktop desktop;
    return desktop;
}

void Pump() {
    QApplication::processEvents();
}

TEST(X11TrayTest, IconSitsInTheTrayAndItsClicksOpenTheMenus) {
    LINTEL_REQUIRE(TrayerAvailable(), "Xvfb, openbox, trayer or xdotool (tools/deps.sh test)");
    TrayDesktop& desktop = Desktop();
    ASSERT_TRUE(desktop.app) << "the display or the tray did not come up";

    TQtNotifyIconHost host;
    QWidget owner;
    QMenu ppmLeft;
    ppmLeft.addAction(QStringLiteral("play"));
    QMenu ppmRight;
    ppmRight.addAction(QStringLiteral("exit"));
    TTrayIcon icon(host, &owner);
    icon.BeginLoading();
    icon.SetIcon(ProgramIcon());
    icon.SetLBPopupMenu(&ppmLeft);
    icon.SetRBPopupMenu(&ppmRight);
    icon.SetTipHelp("Lintel");
    icon.SetVisible(true);
    icon.Loaded();
    ASSERT_TRUE(icon.InTray());

    const QSystemTrayIcon* tray = host.TrayIcon(icon.Id());
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), QStringLiteral("Lintel"));
    // Embedded, the icon takes a place inside the tray at the bottom right.
    ASSERT_TRUE(XSession::WaitFor(
        [&] {
            const QRect g = tray->geometry();
            return g.isValid() && g.width() > 0 && g.right() >= 1024 - 120 &&
                   g.bottom() >= 768 - 32;
        },
        Pump))
        << "the icon never reached the tray";

    int leftShown = 0;
    int rightShown = 0;
    QObject::connect(&ppmLeft, &QMenu::aboutToShow, [&] { ++leftShown; });
    QObject::connect(&ppmRight, &QMenu::aboutToShow, [&] { ++rightShown; });
    const QPoint middle = tray->geometry().center();

    ASSERT_TRUE(desktop.Click(middle, 1));
    EXPECT_TRUE(XSession::WaitFor([&] { return leftShown == 1 && ppmLeft.isVisible(); }, Pump));
    EXPECT_EQ(rightShown, 0);
    ppmLeft.hide();
    Pump();

    ASSERT_TRUE(desktop.Click(middle, 3));
    EXPECT_TRUE(XSession::WaitFor([&] { return rightShown == 1 && ppmRight.isVisible(); }, Pump));
    ppmRight.hide();
    Pump();

    // Hidden, the icon leaves the tray.
    icon.SetVisible(false);
    EXPECT_EQ(host.TrayIcon(icon.Id()), nullptr);
}

}  // namespace
}  // namespace lintel
