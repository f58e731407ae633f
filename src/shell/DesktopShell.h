// The desktop-shell services of the desktop the program runs on.
#pragma once

#include <memory>

#include "shell/AppBarShell.h"
#include "shell/NotifyIconHost.h"

namespace lintel {

/// The desktop-toolbar service of the running desktop: the X11 one on an X11 display.
/// Elsewhere (a Wayland session, the offscreen platform) no desktop offers one a program
/// can use, so the bar keeps its own rules against a service held in memory, sized to the
/// primary screen: it docks, hides and slides as usual but reserves no space. Needs the
/// application object.
std::unique_ptr<TAppBarShell> MakeAppBarShell();

/// The notification area of the running desktop, through Qt's tray icon.
std::unique_ptr<TNotifyIconHost> MakeNotifyIconHost();

}  // namespace lintel
