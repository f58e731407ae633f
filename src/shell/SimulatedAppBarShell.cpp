#include "shell/SimulatedAppBarShell.h"

#include <algorithm>

namespace lintel {

TSimulatedAppBarShell::TSimulatedAppBarShell(int width, int height)
    : screen_{0, 0, std::max(width, 0), std::max(height, 0)} {}

std::uintptr_t TSimulatedAppBarShell::Message(TAppBarMessage message, TAppBarData& data) {
    calls_.push_back({message, data.Wnd, data.Edge, data.Rect, data.Param});
    const TBarId wnd = data.Wnd;
    switch (message) {
        case TAppBarMessage::abmNew: {
            if (wnd == 0 || bars_.count(wnd))
                return 0;
            bars_[wnd].Callback = data.Callback;
            bars_[wnd].Order = ++registrations_;
            return 1;
        }
        case TAppBarMessage::abmRemove: {
            auto it = bars_.find(wnd);
            if (it == bars_.end())
                return 1;
            const bool reserved = !it->second.Reserved.Empty();
            bars_.erase(it);
            for (TBarId& holder : autoHide_)
                if (holder == wnd)
                    holder = 0;
            std::erase_if(pending_, [wnd](const TPending& p) { return p.Wnd == wnd; });
            if (reserved)
                PosChangedFor(wnd);
            return 1;
        }
        case TAppBarMessage::abmQueryPos:
            if (IsDockingEdge(data.Edge))
                LeaveOutOthers(wnd, data.Edge, data.Rect);
            return 1;
        case TAppBarMessage::abmSetPos: {
            auto it = bars_.find(wnd);
            if (it == bars_.end())
                return 1;
            // A bar on no edge, or one that sends an empty rectangle, reserves nothing.
            TRect r;
            if (IsDockingEdge(data.Edge) && !data.Rect.Empty()) {
                r = data.Rect;
                LeaveOutOthers(wnd, data.Edge, r);
                data.Rect = r;
            }
            const bool changed = !(r == it->second.Reserved);
            it->second.Edge = data.Edge;
            it->second.Reserved = r;
            if (changed)
                PosChangedFor(wnd);
            return 1;
        }
        case TAppBarMessage::abmGetAutoHideBar:
            return IsDockingEdge(data.Edge) ? autoHide_[data.Edge] : 0;
        case TAppBarMessage::abmSetAutoHideBar: {
            if (!IsDockingEdge(data.Edge))
                return 0;
            TBarId& holder = autoHide_[data.Edge];
            if (data.Param) {
                if (holder != 0 && holder != wnd)
                    return 0;
                holder = wnd;
                return 1;
            }
            if (holder != wnd)
                return 0;
            holder = 0;
            return 1;
        }
        case TAppBarMessage::abmActivate:
        case TAppBarMessage::abmWindowPosChanged:
            return 1;
    }
    return 0;
}

void TSimulatedAppBarShell::LeaveOutOthers(TBarId self, int edge, TRect& r) const {
    auto me = bars_.find(self);
    const unsigned myOrder = me == bars_.end() ? ~0u : me->second.Order;
    for (const auto& [id, bar] : bars_) {
        if (id == self || bar.Reserved.Empty())
            continue;
        // A bar further out on the same edge would otherwise push the two apart forever.
        if (bar.Edge == edge && bar.Order > myOrder)
            continue;
        const TRect& s = bar.Reserved;
        switch (bar.Edge) {
            case abeLeft:
                r.Left = std::max(r.Left, s.Right);
                break;
            case abeTop:
                r.Top = std::max(r.Top, s.Bottom);
                break;
            case abeRight:
                r.Right = std::min(r.Right, s.Left);
                break;
            case abeBottom:
                r.Bottom = std::min(r.Bottom, s.Top);
                break;
            default:
                break;
        }
    }
}

TRect TSimulatedAppBarShell::ScreenRect(TBarId) const {
    return screen_;
}

TRect TSimulatedAppBarShell::WorkArea(TBarId) const {
    TRect r = screen_;
    LeaveOutOthers(0, abeUnknown, r);
    return r;
}

void TSimulatedAppBarShell::SetZOrder(TBarId bar, TZOrder order) {
    zorder_[bar] = order;
}

void TSimulatedAppBarShell::ShowTaskbarButton(TBarId bar, bool show) {
    taskbar_[bar] = show;
}

void TSimulatedAppBarShell::SetFullScreenApp(bool open) {
    for (const auto& [id, bar] : bars_)
        pending_.push_back({id, TAppBarNotification::abnFullScreenApp, open ? 1 : 0});
}

void TSimulatedAppBarShell::PosChangedFor(TBarId except) {
    for (const auto& [id, bar] : bars_) {
        if (id == except)
            continue;
        const bool queued = std::any_of(pending_.begin(), pending_.end(), [id](const TPending& p) {
            return p.Wnd == id && p.Code == TAppBarNotification::abnPosChanged;
        });
        if (!queued)
            pending_.push_back({id, TAppBarNotification::abnPosChanged, 0});
    }
}

int TSimulatedAppBarShell::DeliverNotifications(int limit) {
    int delivered = 0;
    while (!pending_.empty() && delivered < limit) {
        const TPending p = pending_.front();
        pending_.pop_front();
        auto it = bars_.find(p.Wnd);
        if (it == bars_.end() || !it->second.Callback)
            continue;
        // Copied: the bar may unregister itself while it handles the notification.
        const TAppBarCallback callback = it->second.Callback;
        callback(p.Code, p.Param);
        ++delivered;
    }
    return delivered;
}

TRect TSimulatedAppBarShell::Reserved(TBarId bar) const {
    auto it = bars_.find(bar);
    return it == bars_.end() ? TRect{} : it->second.Reserved;
}

TZOrder TSimulatedAppBarShell::ZOrder(TBarId bar) const {
    auto it = zorder_.find(bar);
    return it == zorder_.end() ? TZOrder::zoNoTopMost : it->second;
}

bool TSimulatedAppBarShell::TaskbarButton(TBarId bar) const {
    auto it = taskbar_.find(bar);
    return it == taskbar_.end() || it->second;
}

int TSimulatedAppBarShell::Count(TAppBarMessage message, TBarId bar) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const TCall& c) {
        return c.Message == message && c.Wnd == bar;
    }));
}

}  // namespace lintel
