#include "widgets/TrayIcon.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Cp932.h"
#include "widgets/QtText.h"

namespace lintel {

namespace {

/// Every live icon of the process as (identifier as decimal text, icon), in the order
/// the icons were made; a new icon takes the identifier after the last one.
std::vector<std::pair<std::string, TTrayIcon*>>& Registry() {
    static std::vector<std::pair<std::string, TTrayIcon*>> registry;
    return registry;
}

[[noreturn]] void CannotRegister() {
    throw EOutOfMemory(cp932::Literal("タスクトレイにアイコンを登録できません。"));
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/lintel/icons/lintel-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/lintel/icons/lintel-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/lintel/icons/lintel-64.png"), QSize(64, 64));
    return icon;
}

TTrayIcon::TTrayIcon(TNotifyIconHost& host, QWidget* owner)
    : QObject(owner), host_(host), owner_(owner) {
    auto& registry = Registry();
    const int id = registry.empty() ? 1 : std::stoi(registry.back().first) + 1;
    if (id > kMaxId)
        CannotRegister();
    id_ = id;
    registry.emplace_back(std::to_string(id), this);
    host_.SetCallback(&TTrayIcon::CallbackMessage);
}

TTrayIcon::~TTrayIcon() {
    if (inTray_)
        NotifyShell(TAction::Delete);
    auto& registry = Registry();
    std::erase_if(registry, [this](const auto& entry) { return entry.second == this; });
}

void TTrayIcon::SetAnimateRate(int value) {
    if (value == animateRate_)
        return;
    animateRate_ = std::max(value, 100);
}

void TTrayIcon::SetIcon(const QIcon& value) {
    if (value.cacheKey() == icon_.cacheKey())
        return;
    if (value.isNull()) {
        icon_ = QIcon();
        SetVisible(false);
        return;
    }
    icon_ = value;
    if (inTray_)
        NotifyShell(TAction::Modify);
}

void TTrayIcon::SetTipHelp(std::string_view value) {
    const std::string_view tip = cp932::Cut(value, kMaxTip);
    if (tip == tipHelp_)
        return;
    tipHelp_ = tip;
    if (inTray_)
        NotifyShell(TAction::Modify);
}

void TTrayIcon::SetVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value && !icon_.isNull();
    if (loading_)
        return;
    if (value)
        NotifyShell(TAction::Add);
    else if (inTray_)
        NotifyShell(TAction::Delete);
}

void TTrayIcon::Loaded() {
    loading_ = false;
    NotifyShell(TAction::Add);
}

void TTrayIcon::NotifyShell(TAction action) {
    TNotifyIconData data;
    data.Id = id_;
    data.Icon = icon_;
    data.Tip = FromCp932(tipHelp_);
    data.Flags = nifMessage | nifIcon | (tipHelp_.empty() ? 0u : unsigned{nifTip});
    switch (action) {
        case TAction::Add:
            // Adding twice would leave the area with one icon and the program believing
            // in two; an icon already in the area stays as it is.
            if (!visible_ || inTray_)
                return;
            if (!host_.NotifyIcon(TNotifyIconMessage::nimAdd, data))
                CannotRegister();
            inTray_ = true;
            break;
        case TAction::Modify:
            if (!host_.NotifyIcon(TNotifyIconMessage::nimModify, data))
                CannotRegister();
            break;
        case TAction::Delete:
            // An icon the area no longer has is gone all the same.
            static_cast<void>(host_.NotifyIcon(TNotifyIconMessage::nimDelete, data));
            inTray_ = false;
            break;
    }
}

void TTrayIcon::CallbackMessage(int id, unsigned mouseMessage) {
    const std::string key = std::to_string(id);
    for (const auto& [name, icon] : Registry()) {
        if (name == key) {
            icon->MouseMessage(mouseMessage);
            return;
        }
    }
}

void TTrayIcon::Popup(QMenu* menu, QPoint at) {
    QPointer<QMenu> guard(menu);
    if (owner_ && owner_->isWindow())
        owner_->activateWindow();
    // The menu may go away while pending events run; then there is nothing to open.
    QCoreApplication::processEvents();
    if (guard)
        guard->popup(at);
}

void TTrayIcon::MouseMessage(unsigned mouseMessage) {
    const QPoint c = host_.CursorPos();
    const int x = c.x();
    const int y = c.y();
    switch (mouseMessage) {
        case wmMouseMove:
            if (OnMouseMove)
                OnMouseMove(this, 0, x, y);
            break;
        case wmLButtonDown:
            if (lbPopupMenu_ && autoPopup_)
                Popup(lbPopupMenu_, c);
            else if (OnMouseDown)
                OnMouseDown(this, TMouseButton::mbLeft, ssLeft, x, y);
            break;
        case wmLButtonUp:
            if (OnMouseUp)
                OnMouseUp(this, TMouseButton::mbLeft, ssLeft, x, y);
            break;
        case wmLButtonDblClk:
            if (OnDblClick)
                OnDblClick(this);
            break;
        case wmRButtonDown:
            if (rbPopupMenu_ && autoPopup_)
                Popup(rbPopupMenu_, c);
            else if (OnMouseDown)
                OnMouseDown(this, TMouseButton::mbRight, ssRight, x, y);
            break;
        case wmRButtonUp:
            if (OnMouseUp)
                OnMouseUp(this, TMouseButton::mbRight, ssRight, x, y);
            break;
        case wmMButtonDown:
            if (OnMouseDown)
                OnMouseDown(this, TMouseButton::mbMiddle, ssMiddle, x, y);
            break;
        case wmMButtonUp:
            if (OnMouseUp)
                OnMouseUp(this, TMouseButton::mbMiddle, ssMiddle, x, y);
            break;
        default:
            break;
    }
}

}  // namespace lintel
