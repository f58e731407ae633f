// The desktop-shell services of the desktop the program runs on, each from the back end
// that desktop offers, chosen once.
#pragma once

#include <memory>
#include <string>

#include "shell/AppBarShell.h"
#include "shell/DesktopSurface.h"
#include "shell/MediaControls.h"
#include "shell/NotifyIconHost.h"

namespace lintel {

struct TDesktopShell {
    /// The desktop-toolbar service.
    std::unique_ptr<TAppBarShell> appBars;
    /// The desktop picture, the compositing manager and the places of windows.
    std::unique_ptr<TDesktopSurface> surface;
    /// The notification area.
    std::unique_ptr<TNotifyIconHost> notifyIcons;
    /// Whether the desktop-toolbar service reserves the bar's strip of the screen.
    bool reservesStrip = false;
    /// The media controls on the session bus; nullptr, with the reason in
    /// `mediaControlsError`, without a session bus.
    std::unique_ptr<TMediaControls> mediaControls;
    std::string mediaControlsError;
};

/// The running desktop's services: the X11 ones on an X11 display, which GNOME and KDE
/// also offer in their Wayland sessions through Xwayland. A native Wayland client has no
/// desktop-toolbar service there (that needs the compositor's layer-shell protocol), nor
/// has the offscreen platform, so the bar keeps its own rules against simulated ones: a
/// desktop-toolbar service sized to the primary screen (the bar docks, hides and slides
/// as usual but reserves no space) and a desktop without a picture or a compositing
/// manager. The notification area is Qt's tray icon everywhere, the media controls those
/// of the session bus. Needs the application object.
[[nodiscard]] TDesktopShell MakeDesktopShell();

}  // namespace lintel
