#include "shell/DesktopShell.h"

#include <QGuiApplication>
#include <QScreen>

#include "shell/MprisMediaControls.h"
#include "shell/QtNotifyIconHost.h"
#include "shell/SimulatedAppBarShell.h"
#include "shell/SimulatedDesktopSurface.h"
#include "shell/X11AppBarShell.h"
#include "shell/X11DesktopSurface.h"

namespace lintel {

TDesktopShell MakeDesktopShell() {
    TDesktopShell shell;
    shell.notifyIcons = std::make_unique<TQtNotifyIconHost>();
    shell.mediaControls =
        TMprisMediaControls::Create(QDBusConnection::sessionBus(), shell.mediaControlsError);
    if (auto appBars = TX11AppBarShell::Create()) {
        shell.appBars = std::move(appBars);
        shell.surface = TX11DesktopSurface::Create();
        shell.reservesStrip = true;
        return shell;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    shell.appBars = std::make_unique<TSimulatedAppBarShell>(size.width(), size.height());
    shell.surface = std::make_unique<TSimulatedDesktopSurface>();
    return shell;
}

}  // namespace lintel
