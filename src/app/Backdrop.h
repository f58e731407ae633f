// The bar's background: its own colour, the button face, or what lies behind the bar on
// the desktop: the desktop's picture at the bar's place, read in the screen's own pixels,
// or, with a compositing manager, the desktop itself through a translucent window.
#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <optional>

#include "shell/DesktopSurface.h"
#include "widgets/SystemColors.h"

class QPainter;
class QRect;
class QWidget;

namespace lintel {

class TIniStore;

class TBarBackdrop : public QObject {
public:
    /// How the background is painted.
    enum class TKind { BarColor, DesktopPicture, Translucent, ButtonFace };

    /// The background of `bar`, whose native window must not exist yet: with a
    /// compositing manager on `desktop` the window is made translucent now. `settings`
    /// gives the settings store, or nullptr while there is none; the background mode is
    /// read from it at each paint.
    TBarBackdrop(QWidget& bar, const TDesktopSurface& desktop,
                 std::function<TIniStore*()> settings);

    [[nodiscard]] TKind Kind() const;
    /// Paints the `dirty` part of the bar's background.
    void Paint(QPainter& painter, const QRect& dirty);

    /// The bar's own colour, shown when the background mode asks for it.
    [[nodiscard]] TColor BarColor() const { return barColor_; }
    void SetBarColor(TColor color);

    /// Starts looking, twice a second while the bar shows the desktop's picture, whether
    /// the window system moved the bar under a picture painted for another place;
    /// StopWatching ends it.
    void StartWatching();
    void StopWatching();

private:
    /// The bar's top left corner on the screen, in device pixels.
    [[nodiscard]] QPoint ScreenOrigin() const;
    void CheckPlace();

    QWidget& bar_;
    const TDesktopSurface& desktop_;
    std::function<TIniStore*()> settings_;
    QTimer placeTimer_;
    /// Where the desktop's picture was last painted for; empty when the last paint
    /// showed no picture.
    std::optional<QPoint> paintedOrigin_;
    bool watching_ = false;
    TColor barColor_ = clBtnFace;
    bool translucent_ = false;
};

}  // namespace lintel
