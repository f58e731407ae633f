// The program's icon in the desktop's notification area: a tool tip, and the mouse
// messages the area reports turned into the two pop-up menus and mouse events.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "shell/NotifyIconHost.h"
#include "widgets/Events.h"

namespace lintel {

/// No identifier is left for another icon, or the notification area refused the icon.
/// what() is the message in code page 932.
class EOutOfMemory : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The program's own icon: a disc resting on a bar.
QIcon ProgramIcon();

class TTrayIcon : public QObject {
public:
    using TTrayNotifyEvent = std::function<void(TTrayIcon* sender)>;
    using TTrayMouseEvent = std::function<void(TTrayIcon* sender, TMouseButton button,
                                               TShiftState shift, int x, int y)>;
    using TTrayMouseMoveEvent =
        std::function<void(TTrayIcon* sender, TShiftState shift, int x, int y)>;

    /// Longest tip, in bytes of code page 932.
    static constexpr std::size_t kMaxTip = 62;
    /// Highest icon identifier of one process.
    static constexpr int kMaxId = 99;

    /// Takes the next free identifier; throws EOutOfMemory when it would pass kMaxId.
    /// `host` must outlive the icon; `owner` is the window the menus belong to.
    TTrayIcon(TNotifyIconHost& host, QWidget* owner);
    ~TTrayIcon() override;

    int AnimateRate() const { return animateRate_; }
    /// Stored as at least 100 milliseconds.
    void SetAnimateRate(int value);
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }

    const QIcon& Icon() const { return icon_; }
    /// A null icon takes the icon out of the area (Visible becomes false).
    void SetIcon(const QIcon& value);

    QMenu* LBPopupMenu() const { return lbPopupMenu_; }
    void SetLBPopupMenu(QMenu* value) { lbPopupMenu_ = value; }
    QMenu* RBPopupMenu() const { return rbPopupMenu_; }
    void SetRBPopupMenu(QMenu* value) { rbPopupMenu_ = value; }

    /// Code page 932 bytes.
    const std::string& TipHelp() const { return tipHelp_; }
    /// Keeps the first kMaxTip bytes, never half a double-byte character.
    void SetTipHelp(std::string_view value);

    bool Visible() const { return visible_; }
    /// True shows the icon, but only when it has an image; false removes it.
    void SetVisible(bool value);

    int Id() const { return id_; }
    bool InTray() const { return inTray_; }

    /// Between these two, Visible is stored but nothing reaches the area; the end adds
    /// the icon when Visible is on. A bar sets its icon up this way in one go.
    void BeginLoading() { loading_ = true; }
    void Loaded();

    TTrayNotifyEvent OnDblClick;
    TTrayMouseEvent OnMouseDown;
    TTrayMouseEvent OnMouseUp;
    TTrayMouseMoveEvent OnMouseMove;

    /// Routes one mouse message reported for icon `id` to that icon; identifiers no live
    /// icon holds are ignored.
    static void CallbackMessage(int id, unsigned mouseMessage);

private:
    enum class TAction { Add, Modify, Delete };
    void NotifyShell(TAction action);
    void MouseMessage(unsigned mouseMessage);
    void Popup(QMenu* menu, QPoint at);

    TNotifyIconHost& host_;
    QPointer<QWidget> owner_;
    int animateRate_ = 500;
    bool autoPopup_ = true;
    QIcon icon_;
    QPointer<QMenu> lbPopupMenu_;
    QPointer<QMenu> rbPopupMenu_;
    std::string tipHelp_ = "TipHelp";
    bool visible_ = false;
    bool inTray_ = false;
    bool loading_ = false;
    int id_ = 0;
};

}  // namespace lintel
