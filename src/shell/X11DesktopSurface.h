// The desktop of an X11 display: the picture wallpaper tools leave on the root window,
// the compositing manager's selection, and window places as the server has them.
#pragma once

#include <memory>

#include "shell/DesktopSurface.h"

namespace lintel {

class TX11Client;

class TX11DesktopSurface final : public TDesktopSurface {
public:
    /// The desktop of the X11 display the application runs on; null elsewhere.
    [[nodiscard]] static std::unique_ptr<TX11DesktopSurface> Create();
    ~TX11DesktopSurface() override;

    /// Read from the root window's _XROOTPMAP_ID, or ESETROOT_PMAP_ID of older tools;
    /// only pictures of 24 or 32 bits in 32-bit little-endian pixels are read.
    [[nodiscard]] std::optional<QImage> DesktopPicture(const QRect& area) const override;
    /// A compositing manager owns the selection _NET_WM_CM_S<screen>.
    [[nodiscard]] bool CompositingActive() const override;
    [[nodiscard]] std::optional<QPoint> WindowOrigin(TBarId window) const override;

private:
    explicit TX11DesktopSurface(std::unique_ptr<TX11Client> x);
    /// Bits per pixel the server uses for images of `depth`, or 0 when it lists none.
    [[nodiscard]] int BitsPerPixel(int depth) const;

    std::unique_ptr<TX11Client> x_;
};

}  // namespace lintel
