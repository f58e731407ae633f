// A desktop held in memory: the picture and the compositing manager a test sets.
#pragma once

#include "shell/DesktopSurface.h"

namespace lintel {

class TSimulatedDesktopSurface : public TDesktopSurface {
public:
    [[nodiscard]] std::optional<QImage> DesktopPicture(const QRect& area) const override;
    [[nodiscard]] bool CompositingActive() const override { return compositing_; }
    /// Nothing: the toolkit's own idea of where a window stands is the truth here.
    [[nodiscard]] std::optional<QPoint> WindowOrigin(TBarId) const override { return std::nullopt; }

    /// Lays `picture` on the desktop, its top left corner at the screen's; a null image
    /// takes it away.
    void SetPicture(const QImage& picture) { picture_ = picture; }
    void SetCompositingActive(bool active) { compositing_ = active; }

private:
    QImage picture_;
    bool compositing_ = false;
};

}  // namespace lintel
