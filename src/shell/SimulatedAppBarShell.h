// A desktop-toolbar service held in memory: one screen, any number of bars, the work area
// they leave, the auto-hide place of each edge and the notifications. Tests drive it and
// read back what the bars asked for.
#pragma once

#include <deque>
#include <map>
#include <vector>

#include "shell/AppBarShell.h"

namespace lintel {

class TSimulatedAppBarShell : public TAppBarShell {
public:
    /// One request as it arrived, the rectangle as the bar sent it.
    struct TCall {
        TAppBarMessage Message;
        TBarId Wnd;
        int Edge;
        TRect Rect;
        std::intptr_t Param;
    };

    explicit TSimulatedAppBarShell(int width = 1024, int height = 768);

    std::uintptr_t Message(TAppBarMessage message, TAppBarData& data) override;
    TRect ScreenRect(TBarId bar) const override;
    TRect WorkArea(TBarId bar) const override;
    QPoint CursorPos() const override { return cursor_; }
    bool ControlKeyDown() const override { return control_; }
    bool DragFullWindows() const override { return dragFullWindows_; }
    void SetZOrder(TBarId bar, TZOrder order) override;
    void ShowTaskbarButton(TBarId bar, bool show) override;

    // The desktop as the test sets it.
    void SetCursorPos(QPoint p) { cursor_ = p; }
    void SetControlKeyDown(bool down) { control_ = down; }
    void SetDragFullWindows(bool on) { dragFullWindows_ = on; }
    /// A full-screen application opened or closed: every bar hears of it.
    void SetFullScreenApp(bool open);

    /// Hands the queued notifications to their bars, including any that handling them
    /// queues, and returns how many were delivered. Gives up after `limit` deliveries, so
    /// two bars that keep answering each other show up as a count at the limit.
    int DeliverNotifications(int limit = 1000);

    // What the bars did.
    [[nodiscard]] bool Registered(TBarId bar) const { return bars_.count(bar) != 0; }
    /// The strip the bar reserves; empty when it reserves none.
    [[nodiscard]] TRect Reserved(TBarId bar) const;
    [[nodiscard]] TZOrder ZOrder(TBarId bar) const;
    /// Whether the bar has a task bar button; bars start with one.
    [[nodiscard]] bool TaskbarButton(TBarId bar) const;
    const std::vector<TCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    /// How many requests of one kind `bar` sent since the last ClearCalls.
    [[nodiscard]] int Count(TAppBarMessage message, TBarId bar) const;

private:
    struct TBar {
        TAppBarCallback Callback;
        int Edge = abeFloat;
        TRect Reserved;
        /// Bars on one edge line up from the screen's edge in the order they registered.
        unsigned Order = 0;
    };
    struct TPending {
        TBarId Wnd;
        TAppBarNotification Code;
        std::intptr_t Param;
    };

    /// Cuts `r` so that it leaves out the strips reserved by the bars `self` must keep
    /// clear of: those on other edges, and on `edge` those registered before it.
    void LeaveOutOthers(TBarId self, int edge, TRect& r) const;
    /// Tells every bar except `except` that the bars' positions changed.
    void PosChangedFor(TBarId except);

    TRect screen_;
    QPoint cursor_;
    bool control_ = false;
    bool dragFullWindows_ = true;
    std::map<TBarId, TBar> bars_;
    TBarId autoHide_[4] = {0, 0, 0, 0};
    std::map<TBarId, TZOrder> zorder_;
    std::map<TBarId, bool> taskbar_;
    std::vector<TCall> calls_;
    std::deque<TPending> pending_;
    unsigned registrations_ = 0;
};

}  // namespace lintel
