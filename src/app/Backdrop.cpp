#include "app/Backdrop.h"

#include <QPainter>
#include <QWidget>

#include "dialogs/BarSettings.h"

namespace lintel {

TBarBackdrop::TBarBackdrop(QWidget& bar, const TDesktopSurface& desktop,
                           std::function<TIniStore*()> settings)
    : QObject(&bar), bar_(bar), desktop_(desktop), settings_(std::move(settings)) {
    // The bar paints its whole background itself.
    bar_.setAttribute(Qt::WA_OpaquePaintEvent);
    // With a compositing manager the desktop really shows through; this has to be
    // decided before the window exists.
    translucent_ = desktop_.CompositingActive();
    if (translucent_)
        bar_.setAttribute(Qt::WA_TranslucentBackground);
    placeTimer_.setInterval(500);
    connect(&placeTimer_, &QTimer::timeout, this, [this] { CheckPlace(); });
}

TBarBackdrop::TKind TBarBackdrop::Kind() const {
    TIniStore* settings = settings_();
    if (settings != nullptr && BackgroundFilled(*settings))
        return TKind::BarColor;
    if (translucent_)
        return TKind::Translucent;
    if (desktop_.DesktopPicture(QRect(ScreenOrigin(), QSize(1, 1))))
        return TKind::DesktopPicture;
    return TKind::ButtonFace;
}

void TBarBackdrop::Paint(QPainter& painter, const QRect& dirty) {
    TIniStore* settings = settings_();
    paintedOrigin_.reset();
    if (settings != nullptr && BackgroundFilled(*settings)) {
        painter.fillRect(dirty, ColorToQColor(barColor_));
        return;
    }
    if (translucent_) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(dirty, Qt::transparent);
        return;
    }
    // The wallpaper as it lies under the bar's place on the screen, whose pixels are the
    // device's: with a scale factor they are finer than the bar's own.
    const QPoint origin = ScreenOrigin();
    const qreal ratio = bar_.devicePixelRatioF();
    const QRect device = QRectF(QPointF(dirty.topLeft()) * ratio, QSizeF(dirty.size()) * ratio)
                             .toAlignedRect()
                             .translated(origin);
    if (auto picture = desktop_.DesktopPicture(device)) {
        picture->setDevicePixelRatio(ratio);
        painter.drawImage(dirty.topLeft(), *picture);
        paintedOrigin_ = origin;
        if (watching_ && !placeTimer_.isActive())
            placeTimer_.start();
        return;
    }
    painter.fillRect(dirty, ColorToQColor(clBtnFace));
}

void TBarBackdrop::SetBarColor(TColor color) {
    if (color == barColor_)
        return;
    barColor_ = color;
    bar_.update();
}

QPoint TBarBackdrop::ScreenOrigin() const {
    if (bar_.testAttribute(Qt::WA_WState_Created)) {
        if (const auto origin = desktop_.WindowOrigin(static_cast<TBarId>(bar_.winId())))
            return *origin;
    }
    return (QPointF(bar_.mapToGlobal(QPoint(0, 0))) * bar_.devicePixelRatioF()).toPoint();
}

void TBarBackdrop::StartWatching() {
    watching_ = true;
    if (paintedOrigin_)
        placeTimer_.start();
}

void TBarBackdrop::StopWatching() {
    watching_ = false;
    placeTimer_.stop();
}

void TBarBackdrop::CheckPlace() {
    // The window manager may move the bar without the toolkit noticing; a picture painted
    // for another place would show the wrong part of the desktop.
    // One question to the window system while the bar shows the desktop's picture; a
    // colour looks the same at any place, so then the timer rests until such a paint.
    if (!paintedOrigin_) {
        placeTimer_.stop();
        return;
    }
    if (!bar_.isVisible() || *paintedOrigin_ == ScreenOrigin())
        return;
    if (Kind() == TKind::DesktopPicture)
        bar_.update();
}

}  // namespace lintel
