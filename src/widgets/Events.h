// The notifications the bar's widgets send to their owner: plain callbacks bound by the
// owner, with the sending widget first, so one handler can serve several widgets.
#pragma once

#include <QMouseEvent>
#include <QWidget>
#include <functional>

namespace lintel {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

/// Keys and buttons held during a mouse event, as a set of bits.
enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

using TNotifyEvent = std::function<void(QWidget* sender)>;
using TMouseEvent =
    std::function<void(QWidget* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(QWidget* sender, TShiftState shift, int x, int y)>;

/// The button of a press or release; buttons other than left and right count as middle.
inline TMouseButton ButtonOf(const QMouseEvent& event) {
    switch (event.button()) {
        case Qt::LeftButton:
            return TMouseButton::mbLeft;
        case Qt::RightButton:
            return TMouseButton::mbRight;
        default:
            return TMouseButton::mbMiddle;
    }
}

/// The keys and buttons held during `event`.
inline TShiftState ShiftOf(const QMouseEvent& event) {
    TShiftState s = 0;
    const auto mods = event.modifiers();
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    const auto buttons = event.buttons();
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

/// Calls the owner's mouse callbacks for the mouse events of one widget. A double click
/// reports the double-click notification and then a press with ssDouble, since Qt sends
/// the second press of a double click only as the double click.
struct TMouseEvents {
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

    /// Handles `event` for `sender`; true when a callback took it.
    bool Press(QWidget* sender, QMouseEvent* event) const {
        if (!OnMouseDown)
            return false;
        const QPoint p = event->position().toPoint();
        OnMouseDown(sender, ButtonOf(*event), ShiftOf(*event), p.x(), p.y());
        return true;
    }
    bool Move(QWidget* sender, QMouseEvent* event) const {
        if (!OnMouseMove)
            return false;
        const QPoint p = event->position().toPoint();
        OnMouseMove(sender, ShiftOf(*event), p.x(), p.y());
        return true;
    }
    /// A left release inside the widget is also a click.
    bool Release(QWidget* sender, QMouseEvent* event) const {
        bool taken = false;
        const QPoint p = event->position().toPoint();
        if (OnMouseUp) {
            OnMouseUp(sender, ButtonOf(*event), ShiftOf(*event), p.x(), p.y());
            taken = true;
        }
        if (OnClick && event->button() == Qt::LeftButton && sender->rect().contains(p)) {
            OnClick(sender);
            taken = true;
        }
        return taken;
    }
    bool DoubleClick(QWidget* sender, QMouseEvent* event) const {
        bool taken = false;
        if (OnDblClick && event->button() == Qt::LeftButton) {
            OnDblClick(sender);
            taken = true;
        }
        if (OnMouseDown) {
            const QPoint p = event->position().toPoint();
            OnMouseDown(sender, ButtonOf(*event), ShiftOf(*event) | ssDouble, p.x(), p.y());
            taken = true;
        }
        return taken;
    }
};

}  // namespace lintel
