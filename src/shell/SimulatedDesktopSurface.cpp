#include "shell/SimulatedDesktopSurface.h"

#include <QPainter>

namespace lintel {

std::optional<QImage> TSimulatedDesktopSurface::DesktopPicture(const QRect& area) const {
    if (picture_.isNull() || area.isEmpty())
        return std::nullopt;
    QImage part(area.size(), QImage::Format_RGB32);
    part.fill(Qt::black);
    const QRect covered = area.intersected(picture_.rect());
    if (!covered.isEmpty()) {
        QPainter painter(&part);
        painter.drawImage(covered.topLeft() - area.topLeft(), picture_, covered);
    }
    return part;
}

}  // namespace lintel
