// What lies behind the bar when it shows the desktop instead of a colour of its own: the
// picture wallpaper tools leave on the root window, read at the bar's place, or nothing
// when there is no such picture (or no X11 display at all).
#pragma once

#include <QImage>
#include <QRect>
#include <optional>

namespace lintel {

/// The part of the root window's background picture (_XROOTPMAP_ID, or ESETROOT_PMAP_ID)
/// under `area`, given in root-window pixels. Parts of `area` beyond the picture are left black.
/// Nothing when there is no X11 display, no picture, or the picture is in a pixel format the bar
/// does not read.
std::optional<QImage> DesktopPicture(const QRect& area);

/// Where the top left corner of window `window` lies on the root window, as the X
/// server has it. The toolkit's own idea of a window's place can lag behind a window
/// manager that moves the window itself. Nothing without an X11 display.
std::optional<QPoint> WindowOrigin(unsigned long window);

/// Whether a compositing manager runs on the bar's X11 screen, so that a translucent
/// window really shows what lies beneath it.
bool CompositingActive();

}  // namespace lintel
