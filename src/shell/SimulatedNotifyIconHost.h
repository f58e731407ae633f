// A notification area held in memory: tests read the icons it shows and click them.
#pragma once

#include <map>
#include <vector>

#include "shell/NotifyIconHost.h"

namespace lintel {

class TSimulatedNotifyIconHost : public TNotifyIconHost {
public:
    struct TCall {
        TNotifyIconMessage Message;
        TNotifyIconData Data;
    };

    bool NotifyIcon(TNotifyIconMessage message, const TNotifyIconData& data) override;
    QPoint CursorPos() const override { return cursor_; }

    void SetCursorPos(QPoint p) { cursor_ = p; }
    /// Makes the area refuse every add (or every change) from now on.
    void SetRefuseAdd(bool refuse) { refuseAdd_ = refuse; }
    void SetRefuseModify(bool refuse) { refuseModify_ = refuse; }

    /// The mouse does `mouseMessage` on icon `id`.
    void Mouse(int id, unsigned mouseMessage) const { Deliver(id, mouseMessage); }

    [[nodiscard]] bool Shows(int id) const { return icons_.count(id) != 0; }
    /// The icon as last handed over; empty data when it is not shown.
    [[nodiscard]] TNotifyIconData Shown(int id) const;
    const std::vector<TCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

private:
    std::map<int, TNotifyIconData> icons_;
    std::vector<TCall> calls_;
    QPoint cursor_;
    bool refuseAdd_ = false;
    bool refuseModify_ = false;
};

}  // namespace lintel
