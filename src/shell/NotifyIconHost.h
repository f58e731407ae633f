// The notification area of the desktop: icons with a tool tip that report the mouse
// messages they receive back to the program.
#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>
#include <functional>

namespace lintel {

/// Requests to the notification area, numbered like the service's own codes.
enum class TNotifyIconMessage : int { nimAdd = 0, nimModify = 1, nimDelete = 2 };

/// Which parts of a request are meant.
enum TNotifyIconFlag : unsigned { nifMessage = 1, nifIcon = 2, nifTip = 4 };

/// Mouse messages an icon reports, with the window-message numbers they carry.
enum TTrayMouseMessage : unsigned {
    wmMouseMove = 0x200,
    wmLButtonDown = 0x201,
    wmLButtonUp = 0x202,
    wmLButtonDblClk = 0x203,
    wmRButtonDown = 0x204,
    wmRButtonUp = 0x205,
    wmRButtonDblClk = 0x206,
    wmMButtonDown = 0x207,
    wmMButtonUp = 0x208,
};

/// One icon as the program hands it over.
struct TNotifyIconData {
    int Id = 0;
    unsigned Flags = 0;
    QIcon Icon;
    /// Meant only when Flags holds nifTip.
    QString Tip;
};

class TNotifyIconHost {
public:
    /// Receives (icon identifier, mouse message) for every mouse message of every icon.
    using TCallback = std::function<void(int id, unsigned mouseMessage)>;

    virtual ~TNotifyIconHost() = default;

    /// Adds, changes or removes an icon; false when the notification area refused.
    /// Adding an identifier that is already there, or changing or removing one that is
    /// not, is refused.
    [[nodiscard]] virtual bool NotifyIcon(TNotifyIconMessage message,
                                          const TNotifyIconData& data) = 0;
    /// The pointer position now, in screen pixels.
    [[nodiscard]] virtual QPoint CursorPos() const = 0;

    void SetCallback(TCallback callback) { callback_ = std::move(callback); }

protected:
    void Deliver(int id, unsigned mouseMessage) const {
        if (callback_)
            callback_(id, mouseMessage);
    }

private:
    TCallback callback_;
};

}  // namespace lintel
