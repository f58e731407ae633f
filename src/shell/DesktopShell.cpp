#include "shell/DesktopShell.h"

#include <QGuiApplication>
#include <QScreen>

#include "shell/QtNotifyIconHost.h"
#include "shell/SimulatedAppBarShell.h"
#include "shell/X11AppBarShell.h"

namespace lintel {

std::unique_ptr<TAppBarShell> MakeAppBarShell() {
    if (auto x11 = TX11AppBarShell::Create())
        return x11;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    return std::make_unique<TSimulatedAppBarShell>(size.width(), size.height());
}

std::unique_ptr<TNotifyIconHost> MakeNotifyIconHost() {
    return std::make_unique<TQtNotifyIconHost>();
}

}  // namespace lintel
