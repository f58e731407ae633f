// The desktop-shell services of the desktop the program runs on, each from the back end
// that desktop offers, chosen once.
#pragma once

#include <memory>

#include "shell/AppBarShell.h"
#include "shell/DesktopSurface.h"
#include "shell/NotifyIconHost.h"

namespace lintel {

struct TDesktopShell {
    /// The desktop-toolbar service.
    std::unique_ptr<TAppBarShell> appBars;
    /// The desktop picture, the compositing manager and the places of windows.
    std::unique_ptr<TDesktopSurface> surface;
    /// The notification area.
    std::unique_ptr<TNotifyIconHost> notifyIcons;
};

/// The running desktop's services: the X11 ones on an X11 display. Elsewhere (a Wayland
/// session, the offscreen platform) no desktop offers services a program can use, so
/// the bar keeps its own rules against simulated ones: a desktop-toolbar service sized to
/// the primary screen (the bar docks, hides and slides as usual but reserves no space)
/// and a desktop without a picture or a compositing manager. The notification area is
/// Qt's tray icon everywhere. Needs the application object.
[[nodiscard]] TDesktopShell MakeDesktopShell();

}  // namespace lintel
