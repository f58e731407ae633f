#include "widgets/AppBar.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

#include "widgets/QtText.h"

namespace lintel {

namespace {

/// Width and height of a thin window border; a hidden bar keeps twice this on screen.
constexpr int kBorder = 1;
/// How far the pointer may stray from a shown auto-hide bar, per side, before it hides:
/// twice the distance two clicks may lie apart and still make a double click.
constexpr int kDoubleClickZone = 4;

TRect FromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

const char* const TAppBar::kForcedOffAutoHideText =
    "There is already an auto hidden window on this edge.\n\r"
    "Only one auto hidden window is allowed on each edge.";

TAppBar::TAppBar(TAppBarShell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), shell_(shell) {
    const TRect screen = shell_.ScreenRect(0);
    maxWidth_ = screen.Width();
    maxHeight_ = screen.Height();
    maxHorzDockSize_ = screen.Height() / 2;
    maxVertDockSize_ = screen.Width() / 2;
    autoHideTimer_.setInterval(slideTime_);
    connect(&autoHideTimer_, &QTimer::timeout, this, [this] { AutoHideTimerTick(); });
}

TAppBar::~TAppBar() {
    autoHideTimer_.stop();
    destroying_ = true;
    if (registered_)
        SetEdge(abeUnknown);
}

TBarId TAppBar::BarId() {
    EnsureRegistered();
    return static_cast<TBarId>(winId());
}

void TAppBar::EnsureRegistered() {
    if (registered_ || destroying_)
        return;
    registered_ = true;
    floatRect_.Left = x();
    floatRect_.Top = y();
    TAppBarData data;
    data.Wnd = static_cast<TBarId>(winId());
    data.Callback = [self = QPointer<TAppBar>(this)](TAppBarNotification code,
                                                     std::intptr_t param) {
        if (self)
            self->AppBarCallback(code, param);
    };
    shell_.Message(TAppBarMessage::abmNew, data);
    ReapplyEdge();
    // Once the owner has finished setting the bar up, end a move that never was: that
    // records the size the window then has as the thickness and applies the edge again.
    QMetaObject::invokeMethod(
        this, [this] { EnterSizeMove(); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        this, [this] { ExitSizeMove(); }, Qt::QueuedConnection);
}

std::uintptr_t TAppBar::ShellBarCall(TAppBarMessage message, int edge, std::intptr_t param,
                                     TRect* rect) {
    EnsureRegistered();
    TAppBarData data;
    data.Wnd = static_cast<TBarId>(winId());
    data.Edge = edge;
    data.Param = param;
    if (rect)
        data.Rect = *rect;
    const std::uintptr_t result = shell_.Message(message, data);
    if (rect)
        *rect = data.Rect;
    return result;
}

TAppBarEdge TAppBar::Edge() const {
    return proposedEdge_ != abeUnknown ? proposedEdge_ : edge_;
}

TAppBarEdge TAppBar::RegisteredAutoHideEdge() {
    const TBarId self = BarId();
    for (int e = abeLeft; e <= abeBottom; ++e)
        if (ShellBarCall(TAppBarMessage::abmGetAutoHideBar, e, 0) == self)
            return static_cast<TAppBarEdge>(e);
    return abeUnknown;
}

void TAppBar::SetEdge(TAppBarEdge e) {
    EnsureRegistered();
    const TAppBarEdge held = RegisteredAutoHideEdge();
    if (held != abeUnknown)
        ShellBarCall(TAppBarMessage::abmSetAutoHideBar, held, 0);

    edge_ = e;
    // The limits of the new edge first, so the window can take the new shape.
    ApplySizeLimits();
    if (e == abeUnknown) {
        ShellBarCall(TAppBarMessage::abmRemove, abeFloat, 0);
    } else if (e == abeFloat) {
        TRect none;
        ShellBarCall(TAppBarMessage::abmSetPos, abeFloat, 0, &none);
        SetWindowRect(floatRect_);
    } else {
        if (autoHide_ && ShellBarCall(TAppBarMessage::abmSetAutoHideBar, e, 1) == 0) {
            autoHide_ = false;
            ForcedOffAutoHide();
        }
        TRect r = DockedRect(e, {});
        if (autoHide_) {
            TRect none;
            ShellBarCall(TAppBarMessage::abmSetPos, abeLeft, 0, &none);
        } else {
            ShellBarCall(TAppBarMessage::abmSetPos, e, 0, &r);
        }
        AutoHidePlacement(hiddenBarShown_, r);
        SlideTo(r);
    }
    // The pointer is watched only for an auto-hide bar: asking the window system where it
    // is, several times a second, is most of what a bar costs at rest otherwise.
    if (autoHide_ && IsDockingEdge(e))
        autoHideTimer_.start();
    else
        autoHideTimer_.stop();

    const TBarId self = BarId();
    if (!alwaysOnTop_)
        shell_.SetZOrder(self, TZOrder::zoNoTopMost);
    else
        shell_.SetZOrder(self, fullScreenAppActive_ ? TZOrder::zoBottom : TZOrder::zoTopMost);
    ShellBarCall(TAppBarMessage::abmActivate, abeFloat, 0);
    OnAppBarStateChange(false, e);

    switch (taskEntry_) {
        case TAppBarTaskEntry::abtShow:
            shell_.ShowTaskbarButton(self, true);
            break;
        case TAppBarTaskEntry::abtHide:
            shell_.ShowTaskbarButton(self, false);
            break;
        case TAppBarTaskEntry::abtFloatDependent:
            if (IsDockingEdge(e))
                shell_.ShowTaskbarButton(self, false);
            else if (e == abeFloat)
                shell_.ShowTaskbarButton(self, true);
            break;
    }
}

void TAppBar::ReapplyEdge() {
    SetEdge(Edge());
}

TRect TAppBar::DockedRect(TAppBarEdge edge, TRect r) {
    if (edge == abeFloat)
        return r;
    const TBarId self = BarId();
    r = shell_.ScreenRect(self);
    if (!autoHide_)
        ShellBarCall(TAppBarMessage::abmQueryPos, edge, 0, &r);
    switch (edge) {
        case abeLeft:
            r.Right = r.Left + vertDockSize_;
            break;
        case abeTop:
            r.Bottom = r.Top + horzDockSize_;
            break;
        case abeRight:
            r.Left = r.Right - vertDockSize_;
            break;
        case abeBottom:
            r.Top = r.Bottom - horzDockSize_;
            break;
        default:
            break;
    }
    return r;
}

bool TAppBar::AutoHidePlacement(bool show, TRect& r) const {
    const TAppBarEdge edge = Edge();
    if (!IsDockingEdge(edge) || !autoHide_)
        return false;
    const TRect screen = shell_.ScreenRect(static_cast<TBarId>(effectiveWinId()));
    const int w = r.Width();
    const int h = r.Height();
    const int bx = 2 * kBorder;
    const int by = 2 * kBorder;
    int left = screen.Left;
    int top = screen.Top;
    switch (edge) {
        case abeLeft:
            left += show ? 0 : bx - w;
            break;
        case abeTop:
            top += show ? 0 : by - h;
            break;
        case abeRight:
            left = screen.Right - (show ? w : bx);
            break;
        case abeBottom:
            top = screen.Bottom - (show ? h : by);
            break;
        default:
            break;
    }
    r = {left, top, left + w, top + h};
    return true;
}

TRect TAppBar::WindowRect() const {
    return FromQRect(geometry());
}

void TAppBar::SetWindowRect(const TRect& r) {
    setGeometry(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
}

void TAppBar::SlideTo(const TRect& target) {
    const TRect s = WindowRect();
    // Nothing of a window that is not yet on the screen could be seen gliding.
    const bool onScreen = isVisible() && windowHandle() != nullptr && windowHandle()->isExposed();
    if (slideEffect_ && slideTime_ > 0 && shell_.DragFullWindows() && onScreen && !(target == s)) {
        slide_.Run(s, target, slideTime_, [this](const TRect& r) {
            SetWindowRect(r);
            repaint();
        });
    }
    SetWindowRect(target);
}

void TAppBar::RevealAutoHidden(bool show) {
    TRect r = WindowRect();
    hiddenBarShown_ = true;
    if (AutoHidePlacement(show, r)) {
        hiddenBarShown_ = show;
        SlideTo(r);
    }
}

void TAppBar::AutoHideTimerTick() {
    if (isActiveWindow())
        return;
    TRect zone = WindowRect();
    zone.Left -= 2 * kDoubleClickZone;
    zone.Top -= 2 * kDoubleClickZone;
    zone.Right += 2 * kDoubleClickZone;
    zone.Bottom += 2 * kDoubleClickZone;
    if (!zone.Contains(shell_.CursorPos()))
        RevealAutoHidden(false);
}

TAppBarEdge TAppBar::EdgeForCursor(QPoint c) const {
    if (shell_.ControlKeyDown() && Allowed(abfAllowFloat))
        return abeFloat;
    return EdgeFromPoint(flags_, c);
}

TAppBarEdge TAppBar::EdgeFromPoint(TAppBarFlags flags, QPoint c) const {
    const auto allowed = [flags](TAppBarFlag f) { return (flags & AppBarFlag(f)) != 0; };
    const bool anyEdge = (flags & 15) != 0;
    const TBarId self = static_cast<TBarId>(effectiveWinId());
    if (allowed(abfAllowFloat)) {
        const QStyle* style = QApplication::style();
        const int scroll = style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
        TRect inner = shell_.WorkArea(self);
        inner.Left += scroll;
        inner.Right -= scroll;
        inner.Top += scroll;
        inner.Bottom -= scroll;
        if (inner.Contains(c) || !anyEdge)
            return abeFloat;
    }
    const TRect screen = shell_.ScreenRect(self);
    const std::int64_t w = screen.Width();
    const std::int64_t h = screen.Height();
    const auto dx = static_cast<std::int16_t>(c.x() - screen.Left - w / 2);
    const auto dy = static_cast<std::int16_t>(c.y() - screen.Top - h / 2);
    TAppBarEdge candidate;
    if (std::abs(dy) * w <= std::abs(dx) * h)
        candidate = dx < 0 ? abeLeft : abeRight;
    else
        candidate = dy < 0 ? abeTop : abeBottom;
    if (allowed(static_cast<TAppBarFlag>(candidate)))
        return candidate;
    return allowed(abfAllowFloat) ? abeFloat : edge_;
}

THitTest TAppBar::HitTest(THitTest h, QPoint cursor, const TRect& client, bool primaryDown,
                          bool overChild) const {
    if (primaryDown && h == htClient && !overChild)
        h = htCaption;
    const TAppBarEdge edge = Edge();
    const bool noWidth = horzSizeInc_ == 0;
    const bool noHeight = vertSizeInc_ == 0;
    if (edge == abeFloat) {
        switch (h) {
            case htLeft:
            case htRight:
                return noWidth ? htBorder : h;
            case htTop:
            case htBottom:
                return noHeight ? htBorder : h;
            case htTopLeft:
            case htTopRight:
            case htBottomLeft:
            case htBottomRight: {
                if (noWidth && noHeight)
                    return htBorder;
                const bool top = h == htTopLeft || h == htTopRight;
                const bool left = h == htTopLeft || h == htBottomLeft;
                if (noWidth)
                    return top ? htTop : htBottom;
                if (noHeight)
                    return left ? htLeft : htRight;
                return h;
            }
            default:
                return h;
        }
    }
    if (IsDockingEdge(edge) && h >= htLeft && h <= htBottomRight) {
        const bool vertical = edge == abeLeft || edge == abeRight;
        if ((vertical && noWidth) || (!vertical && noHeight))
            return htBorder;
        // Only the side facing the middle of the screen sizes a docked bar.
        if (edge == abeLeft && cursor.x() > client.Right)
            return htRight;
        if (edge == abeTop && cursor.y() > client.Bottom)
            return htBottom;
        if (edge == abeRight && cursor.x() < client.Left)
            return htLeft;
        if (edge == abeBottom && cursor.y() < client.Top)
            return htTop;
        return htBorder;
    }
    return h;
}

void TAppBar::EnterSizeMove() {
    proposedEdge_ = edge_;
}

void TAppBar::Moving(QPoint c, TRect& p) {
    const TAppBarEdge next = EdgeForCursor(c);
    if (proposedEdge_ != abeFloat && next == abeFloat) {
        // Leaving the edge: the floating window hangs from the pointer, centred on it.
        const int w = floatRect_.Width();
        const int h = floatRect_.Height();
        p.Left = c.x() - w / 2;
        p.Top = c.y();
        p.Right = p.Left + w;
        p.Bottom = p.Top + h;
    }
    proposedEdge_ = next;
    p = DockedRect(next, p);
    OnAppBarStateChange(true, next);
}

void TAppBar::ExitSizeMove() {
    const TAppBarEdge q = proposedEdge_;
    proposedEdge_ = abeUnknown;
    // A move that never started changes nothing.
    if (q == abeUnknown)
        return;
    const TRect w = WindowRect();
    if (q == edge_) {
        if (q == abeLeft || q == abeRight)
            vertDockSize_ = w.Width();
        else if (q == abeTop || q == abeBottom)
            horzDockSize_ = w.Height();
    }
    if (q == abeFloat) {
        if (edge_ == abeFloat) {
            floatRect_ = w;
        } else {
            const TRect work = shell_.WorkArea(BarId());
            const bool tooBig = w.Width() >= work.Width() || w.Height() >= work.Height();
            const int fw = tooBig ? floatRect_.Width() : w.Width();
            const int fh = tooBig ? floatRect_.Height() : w.Height();
            floatRect_ = {w.Left, w.Top, w.Left + fw, w.Top + fh};
        }
    }
    SetEdge(q);
}

void TAppBar::Sizing(TSizingSide side, TRect& p) const {
    const bool floating = edge_ == abeFloat;
    const int mw = floating ? minWidth_ : minVertDockSize_;
    const int mh = floating ? minHeight_ : minHorzDockSize_;
    const auto step = [](int size, int min, int inc) {
        return inc == 0 ? size : min + ((size - min + inc / 2) / inc) * inc;
    };
    const int w = step(p.Width(), mw, horzSizeInc_);
    const int h = step(p.Height(), mh, vertSizeInc_);
    if (side == wmszLeft || side == wmszTopLeft || side == wmszBottomLeft)
        p.Left = p.Right - w;
    if (side == wmszRight || side == wmszTopRight || side == wmszBottomRight)
        p.Right = p.Left + w;
    if (side == wmszTop || side == wmszTopLeft || side == wmszTopRight)
        p.Top = p.Bottom - h;
    if (side == wmszBottom || side == wmszBottomLeft || side == wmszBottomRight)
        p.Bottom = p.Top + h;
}

TMinMaxInfo TAppBar::GetMinMaxInfo() const {
    if (edge_ == abeFloat)
        return {{minWidth_, minHeight_}, {maxWidth_, maxHeight_}};
    const TRect screen = shell_.ScreenRect(static_cast<TBarId>(effectiveWinId()));
    const bool vertical = edge_ == abeLeft || edge_ == abeRight;
    const bool horizontal = edge_ == abeTop || edge_ == abeBottom;
    return {{minVertDockSize_, minHorzDockSize_},
            {vertical ? maxVertDockSize_ : screen.Width(),
             horizontal ? maxHorzDockSize_ : screen.Height()}};
}

void TAppBar::ApplySizeLimits() {
    // Only a sensible pair of limits is handed to the toolkit: a maximum below the minimum
    // (limits set in the wrong order) would otherwise squeeze the window to nothing.
    const TMinMaxInfo info = GetMinMaxInfo();
    const QSize min = info.MinTrackSize.expandedTo({0, 0});
    QSize max = info.MaxTrackSize;
    if (max.width() <= 0 || max.width() < min.width())
        max.setWidth(QWIDGETSIZE_MAX);
    if (max.height() <= 0 || max.height() < min.height())
        max.setHeight(QWIDGETSIZE_MAX);
    setMinimumSize(min);
    setMaximumSize(max);
}

bool TAppBar::ChangeWindowStyle(unsigned remove, unsigned add) {
    const unsigned style = (style_ & ~remove) | add;
    if (style == style_)
        return false;
    // Only remembered: the desktop decides how a dock is framed, and changing the
    // toolkit's window flags would make it replace the dock's window type.
    style_ = style;
    return true;
}

void TAppBar::OnAppBarStateChange(bool proposed, TAppBarEdge edge) {
    if (shell_.DragFullWindows() || !proposed) {
        if (edge == abeFloat)
            ChangeWindowStyle(0, wsCaption | wsSysMenu);
        else
            ChangeWindowStyle(wsCaption | wsSysMenu, 0);
    }
}

void TAppBar::ForcedOffAutoHide() {
    ShowInformation(FromCp932(kForcedOffAutoHideText));
}

void TAppBar::ShowInformation(const QString& text) {
    QMessageBox::information(this, QApplication::applicationName(), UnifyLineBreaks(text));
}

void TAppBar::FullScreenAppChanged(bool open) {
    fullScreenAppActive_ = open;
    ReapplyEdge();
}

void TAppBar::ShellPosChanged() {
    if (Edge() != abeFloat && !autoHide_)
        ReapplyEdge();
}

void TAppBar::ShellWindowArrange(bool) {}

void TAppBar::AppBarCallback(TAppBarNotification code, std::intptr_t param) {
    switch (code) {
        case TAppBarNotification::abnStateChange:
            break;
        case TAppBarNotification::abnPosChanged:
            ShellPosChanged();
            break;
        case TAppBarNotification::abnFullScreenApp:
            FullScreenAppChanged(param != 0);
            break;
        case TAppBarNotification::abnWindowArrange:
            ShellWindowArrange(param != 0);
            break;
    }
}

void TAppBar::SetSlideTime(int value) {
    slideTime_ = value;
    // A zero period would make the auto-hide check spin; it then runs as often as it can
    // without starving the event loop.
    autoHideTimer_.setInterval(std::max(value, 1));
}

void TAppBar::showEvent(QShowEvent* event) {
    // The service must know the window before it is first mapped.
    EnsureRegistered();
    QWidget::showEvent(event);
}

void TAppBar::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (registered_ && !destroying_)
        ShellBarCall(TAppBarMessage::abmWindowPosChanged, abeFloat, 0);
}

void TAppBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (registered_ && !destroying_)
        ShellBarCall(TAppBarMessage::abmWindowPosChanged, abeFloat, 0);
}

void TAppBar::enterEvent(QEnterEvent* event) {
    // A frameless bar has no border to cross, so any entry of the pointer counts.
    QWidget::enterEvent(event);
    RevealAutoHidden(true);
}

void TAppBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !registered_ || destroying_)
        return;
    if (!isActiveWindow())
        RevealAutoHidden(false);
    ShellBarCall(TAppBarMessage::abmActivate, abeFloat, 0);
}

void TAppBar::mousePressEvent(QMouseEvent* event) {
    // Window managers do not move docks and offer no move loop a program can steer, so a
    // press on an empty part of the bar starts a move the bar runs itself.
    const QPoint local = event->position().toPoint();
    const QWidget* child = childAt(local);
    const bool overChild = child && child->isVisible() && child->isEnabled();
    const bool primary = event->button() == Qt::LeftButton;
    const QPoint global = event->globalPosition().toPoint();
    const TRect client = FromQRect(QRect(mapToGlobal(QPoint(0, 0)), size()));
    if (!dragging_ && HitTest(htClient, global, client, primary, overChild) == htCaption) {
        dragging_ = true;
        dragLast_ = global;
        grabMouse();
        EnterSizeMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TAppBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    TRect p = WindowRect();
    const QPoint delta = global - dragLast_;
    dragLast_ = global;
    p = {p.Left + delta.x(), p.Top + delta.y(), p.Right + delta.x(), p.Bottom + delta.y()};
    Moving(global, p);
    SetWindowRect(p);
}

void TAppBar::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    releaseMouse();
    ExitSizeMove();
}

}  // namespace lintel
