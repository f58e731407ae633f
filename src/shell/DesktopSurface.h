// What the desktop shows where the bar stands: the background picture that wallpaper
// tools leave, whether a compositing manager blends windows over it, and where the window
// system has really put a window.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>

#include "shell/AppBarShell.h"

namespace lintel {

class TDesktopSurface {
public:
    virtual ~TDesktopSurface() = default;

    /// The part of the desktop's background picture under `area`, in the screen's device
    /// pixels. Parts of `area` beyond the picture are black. Nothing when the desktop has
    /// no picture, or one in a pixel format the bar does not read.
    [[nodiscard]] virtual std::optional<QImage> DesktopPicture(const QRect& area) const = 0;
    /// Whether a compositing manager runs, so that a translucent window really shows what
    /// lies beneath it.
    [[nodiscard]] virtual bool CompositingActive() const = 0;
    /// Where the top left corner of `window` lies on the screen, in device pixels, as the
    /// window system has it: the toolkit's own idea can lag behind a window manager that
    /// moves the window itself. Nothing when the window system cannot tell.
    [[nodiscard]] virtual std::optional<QPoint> WindowOrigin(TBarId window) const = 0;
};

}  // namespace lintel
