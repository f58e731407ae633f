// The desktop's notification area through Qt's tray icon, which speaks whichever tray
// protocol the desktop offers.
#pragma once

#include <map>
#include <memory>

#include "shell/NotifyIconHost.h"

class QSystemTrayIcon;

namespace lintel {

class TQtNotifyIconHost : public TNotifyIconHost {
public:
    TQtNotifyIconHost();
    ~TQtNotifyIconHost() override;

    bool NotifyIcon(TNotifyIconMessage message, const TNotifyIconData& data) override;
    QPoint CursorPos() const override;

    /// The mouse message an activation of Qt's tray icon stands for; 0 for none. The
    /// desktop reports presses, double clicks and context requests, never releases or
    /// moves.
    static unsigned MessageForActivation(int reason);

    /// Qt's icon for identifier `id`, or null when it is not shown.
    const QSystemTrayIcon* TrayIcon(int id) const;

private:
    std::map<int, std::unique_ptr<QSystemTrayIcon>> icons_;
};

}  // namespace lintel
